// SPDX-License-Identifier: MIT
#pragma once

namespace driverfront {

// What the calling thread's last call reported.
struct CallStatus {
    int ibsta = 0;
    int iberr = 0;
    long ibcntl = 0;
};

inline CallStatus &threadStatus() {
    thread_local CallStatus status;
    return status;
}

// What the calling thread's last ibwrta, ibrda or ibcmda reported.
inline CallStatus &asyncStatus() {
    thread_local CallStatus status;
    return status;
}

// Sets the calling thread's status and copies it to the process-wide ibsta, iberr, ibcnt and
// ibcntl, which clients written for a single thread read after each call.
void report(const CallStatus &status);

} // namespace driverfront
