// SPDX-License-Identifier: MIT
#pragma once

#include "gpib/driverlibrary.h"
#include "gpib/entrypoints.h"

#include <QFunctionPointer>
#include <QStringList>

namespace gpib {

// Binds the driver's entry points by name, each on its first use. The library is opened by
// the first call that needs it, trying the candidate libraries in order; an entry point that
// cannot be had comes back as nullptr, and one line on stderr says what is missing.
//
// A candidate may carry a condition after a '?', checked once it has loaded; one whose
// condition fails is unloaded and the next one tried:
//   FILE?board  linux-gpib's library, kept when a board driver answers (linuxgpibboard.h);
//   FILE?port   the "++" adapters' library, kept when its gpibplus_port() names a port.
class DriverBinding {
public:
    static DriverBinding &instance();

    template <typename Fn> Fn entry(Fn EntryPoints::*slot, const char *name) {
        if (fake_)
            return fakeTable_.*slot;
        Fn &cached = resolved_.*slot;
        if (!cached)
            cached = reinterpret_cast<Fn>(resolve(name));
        return cached;
    }

    // Test seam: from now on the given table stands in for the driver library.
    void installEntryPoints(const EntryPoints &table);
    // Back to the driver library, loaded anew from these candidates on the next call.
    void useLibraries(const QStringList &candidates);
    // Test seam: asks this in place of the kernel whether a linux-gpib board answers.
    void useBoardCheck(bool (*boardAnswers)()) { boardAnswers_ = boardAnswers; }
    // The file the driver was loaded from; empty while none is loaded.
    QString loadedLibrary() const;
    // Whether entry points come from a loaded library or an installed table.
    bool hasDriver() const { return fake_ || library_.isLoaded(); }

private:
    DriverBinding();
    QFunctionPointer resolve(const char *name);
    bool load();

    QStringList candidates_;
    DriverLibrary library_;
    bool loadTried_ = false;
    bool fake_ = false;
    EntryPoints fakeTable_;
    EntryPoints resolved_;
    QStringList reported_;
    bool (*boardAnswers_)();
};

} // namespace gpib
