// SPDX-License-Identifier: MIT
// The process's bus, built from the setup GPIBSIM_BENCH and GPIBSIM_DEVICES describe, with the
// bus trace GPIBSIM_TRACE asks for. On Linux both are read when the library is loaded, and
// again at each load after an unload; a child after fork gets a new bus with its parent's
// setup. Windows runs a library's static constructors under its loader lock, where nothing may
// start a thread or load a library, so there the first call builds the bus. Unloading closes
// the bus, but for a Windows process that is ending.
#include "gpibsim/bus/bus.h"

#include <mutex>
#include <new>

#if defined(_WIN32)
#include "gpibsim/exports/unwindtables_win.h"

#include <windows.h>
#else
#include <pthread.h>
#endif

namespace gpibsim {

namespace {

// The bus lives in place and is never destroyed, only closed: a thread still calling while the
// process exits finds a closed bus rather than freed memory.
union Storage {
    Storage() {}
    ~Storage() {}
    Bus bus;
};

Storage storage;
Bus *current = nullptr;

const Trace &trace() {
    static const Trace opened = traceFromEnvironment();
    return opened;
}

void build() {
    current = new (&storage.bus) Bus(setupFromEnvironment(), trace());
}

#if defined(_WIN32)
// Windows ends a process's other threads before it unloads its libraries, one of them perhaps
// inside a call and holding the bus's lock: closing the bus then would wait for ever. The
// process's memory goes with it anyway.
bool processEnding = false;
#else
// Another thread of the parent may have been inside a call at the fork, holding the bus lock
// that no thread of the child will release: the child leaves that bus as it is and starts on a
// new one, with the same setup and nothing open but the board.
void renewInChild() {
    if (const Setup *setup = current->setup())
        current = new Bus(*setup, trace());
}
#endif

class Lifetime {
public:
    Lifetime() {
#if !defined(_WIN32)
        build();
        pthread_atfork(nullptr, nullptr, renewInChild);
#endif
    }
    ~Lifetime() {
#if defined(_WIN32)
        if (processEnding)
            return;
#endif
        if (current != nullptr)
            current->close();
    }
    Lifetime(const Lifetime &) = delete;
    Lifetime &operator=(const Lifetime &) = delete;
};

const Lifetime lifetime;

} // namespace

Bus &bus() {
#if defined(_WIN32)
    static std::once_flag built;
    std::call_once(built, build);
#endif
    return *current;
}

} // namespace gpibsim

#if defined(_WIN32)
// Called by the C runtime's entry point of the library, after the static constructors as it is
// loaded and before the static destructors as it is unloaded; `reserved` is not null when the
// process is ending.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        gpibsim::registerUnwindTables();
    } else if (reason == DLL_PROCESS_DETACH) {
        gpibsim::processEnding = reserved != nullptr;
        gpibsim::deregisterUnwindTables();
    }
    return TRUE;
}
#endif
