#pragma once

namespace gpibsim {

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

} // namespace gpibsim
