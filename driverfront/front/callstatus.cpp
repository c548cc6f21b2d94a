// SPDX-License-Identifier: MIT
#include "driverfront/front/callstatus.h"

#include "driverfront/api/gpib.h"

#include <atomic>

// The status variables every driver library exports.
extern "C" {
DRIVER_EXPORT int ibsta = 0;
DRIVER_EXPORT int iberr = 0;
DRIVER_EXPORT int ibcnt = 0;
DRIVER_EXPORT long ibcntl = 0;
}

namespace driverfront {

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

} // namespace driverfront
