// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/adaptertool/filedescriptor.h"

#include <chrono>

namespace gpibsim::adaptertool {

// SIGINT, SIGTERM and SIGHUP, which end the tool cleanly. They are blocked and read from a file
// descriptor, so that every wait of the tool watches for them too. Made before any thread.
class StopSignal {
public:
    StopSignal();

    int fd() const { return fd_.get(); }
    // Whether one came, now or earlier.
    bool received();
    // Waits until `fd` is ready for `events` (poll's), a stop signal comes or `timeout` passes
    // (negative: no limit). Returns whether `fd` is ready.
    bool waitFor(int fd, short events, std::chrono::milliseconds timeout);
    // Waits `duration`, or less when a stop signal comes.
    void pause(std::chrono::milliseconds duration);

private:
    FileDescriptor fd_;
    bool received_ = false;
};

} // namespace gpibsim::adaptertool
