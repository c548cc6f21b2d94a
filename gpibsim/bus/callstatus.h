// SPDX-License-Identifier: MIT
#pragma once

#include <optional>

namespace gpibsim {

// How one call's work ended, before the bus adds its own status bits.
struct Outcome {
    std::optional<int> iberr{};     // set when the call fails
    int bits = 0;                   // TIMO and END
    std::optional<long> count = 0L; // nothing leaves the caller's count as it was
    int previous = 0;               // iberr after success: the setting ibist or ibppc replaced
};

// What the calling thread's last bus call reported.
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

} // namespace gpibsim
