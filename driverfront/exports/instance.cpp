// SPDX-License-Identifier: MIT
// The process's front, over the back end the library opens. On Linux it is built when the
// library is loaded, and again at each load after an unload; a child after fork gets a new front
// on the link its parent's link gives a child. Windows runs a library's static constructors
// under its loader lock, where nothing may start a thread or load a library, so there the first
// call builds the front. Unloading closes the front, but for a Windows process that is ending.
#include "driverfront/exports/instance.h"

#include "driverfront/exports/library.h"

#include <mutex>
#include <new>

#if defined(_WIN32)
#include "driverfront/exports/unwindtables_win.h"

#include <windows.h>
#else
#include <pthread.h>
#endif

namespace driverfront {

namespace {

// The front lives in place and is never destroyed, only closed: a thread still calling while
// the process exits finds a closed front rather than freed memory.
union Storage {
    Storage() {}
    ~Storage() {}
    Front front;
};

Storage storage;
Front *current = nullptr;

void build() {
    BackEnd backEnd = openBackEnd();
    current = new (&storage.front) Front(backEnd.script, std::move(backEnd.link));
}

#if defined(_WIN32)
// Windows ends a process's other threads before it unloads its libraries, one of them perhaps
// inside a call and holding the front's lock: closing the front then would wait for ever. The
// process's memory goes with it anyway.
bool processEnding = false;
#else
// Another thread of the parent may have been inside a call at the fork, holding the front's
// lock that no thread of the child will release: the child leaves that front as it is and
// starts on a new one, with the same script and nothing open but the board.
void renewInChild() {
    if (std::unique_ptr<Link> link = current->linkForChild())
        current = new Front(current->script(), std::move(link));
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

Front &front() {
#if defined(_WIN32)
    static std::once_flag built;
    std::call_once(built, build);
#endif
    return *current;
}

} // namespace driverfront

#if defined(_WIN32)
// Called by the C runtime's entry point of the library, after the static constructors as it is
// loaded and before the static destructors as it is unloaded; `reserved` is not null when the
// process is ending.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        driverfront::registerUnwindTables();
    } else if (reason == DLL_PROCESS_DETACH) {
        driverfront::processEnding = reserved != nullptr;
        driverfront::deregisterUnwindTables();
    }
    return TRUE;
}
#endif
