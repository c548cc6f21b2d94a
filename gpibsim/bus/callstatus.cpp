// SPDX-License-Identifier: MIT
#include "gpibsim/bus/callstatus.h"

#include "gpibsim/api/gpibsim.h"

#include <atomic>

extern "C" {
int ibsta = 0;
int iberr = 0;
int ibcnt = 0;
long ibcntl = 0;
}

namespace gpibsim {

namespace {

// Threads calling at once all write the globals; the last one wins, as with any driver.
template <typename T> void store(T &global, T value) {
    std::atomic_ref<T>(global).store(value, std::memory_order_relaxed);
}

} // namespace

void report(const CallStatus &status) {
    threadStatus() = status;
    store(::ibsta, status.ibsta);
    store(::iberr, status.iberr);
    store(::ibcnt, static_cast<int>(status.ibcntl));
    store(::ibcntl, status.ibcntl);
}

} // namespace gpibsim
