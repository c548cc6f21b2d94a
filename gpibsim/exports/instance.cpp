// SPDX-License-Identifier: MIT
// The process's bus, built when the library is loaded from the bench GPIBSIM_BENCH describes.
// GPIBSIM_BENCH is read when the library is loaded, and again at each load after an unload. A
// child after fork gets a new bus with its parent's bench. Unloading closes the bus. The bus
// trace (GPIBSIM_TRACE) is opened with the library and closed with it.
#include "gpibsim/bus/bus.h"

#include <pthread.h>

#include <new>

namespace gpibsim {

namespace {

// The bus lives in place and is never destroyed, only closed: a thread still calling while the
// process exits finds a closed bus rather than freed memory.
union Storage {
    Storage() {}
    ~Storage() {}
    Bus bus;
};

const Trace trace = traceFromEnvironment();
Storage storage;
Bus *current = nullptr;

// Another thread of the parent may have been inside a call at the fork, holding the bus lock
// that no thread of the child will release: the child leaves that bus as it is and starts on a
// new one, with the same bench and nothing open but the board.
void renewInChild() {
    if (const Setup *setup = current->setup())
        current = new Bus(*setup, trace);
}

class Lifetime {
public:
    Lifetime() {
        current = new (&storage.bus) Bus(setupFromEnvironment(), trace);
        pthread_atfork(nullptr, nullptr, renewInChild);
    }
    ~Lifetime() { current->close(); }
    Lifetime(const Lifetime &) = delete;
    Lifetime &operator=(const Lifetime &) = delete;
};

const Lifetime lifetime;

} // namespace

Bus &bus() {
    return *current;
}

} // namespace gpibsim
