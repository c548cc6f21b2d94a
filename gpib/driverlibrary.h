// SPDX-License-Identifier: MIT
#pragma once

#include <QFunctionPointer>
#include <QString>

#ifndef Q_OS_WIN
#include <QLibrary>
#endif

namespace gpib {

// The driver library the binding loaded. A bare file name is looked for by the system alone,
// never beside the program or in the current folder, so that a copy planted there cannot
// stand in for the installed driver; a path is loaded from where it points.
class DriverLibrary {
public:
    // Loads the library named, after unloading the one loaded before.
    bool load(const QString &place);
    void unload();
    bool isLoaded() const;
    QFunctionPointer resolve(const char *name);
    // Where the loaded library was found; empty while none is loaded.
    QString fileName() const;

private:
#ifdef Q_OS_WIN
    void *module_ = nullptr; // HMODULE
#else
    QLibrary library_;
#endif
};

} // namespace gpib
