// SPDX-License-Identifier: MIT
#include "gpibsim/adaptertool/stopsignal.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <string>
#include <system_error>

#include <poll.h>
#include <sys/signalfd.h>

namespace gpibsim::adaptertool {

StopSignal::StopSignal() {
    sigset_t stops;
    sigemptyset(&stops);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stops, signal);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    fd_.reset(signalfd(-1, &stops, SFD_NONBLOCK | SFD_CLOEXEC));
    if (!fd_.isOpen())
        throw std::system_error(errno, std::generic_category(), "cannot watch for signals");
}

bool StopSignal::received() {
    signalfd_siginfo info;
    while (read(fd_.get(), &info, sizeof info) == static_cast<ssize_t>(sizeof info))
        received_ = true;
    return received_;
}

bool StopSignal::waitFor(int fd, short events, std::chrono::milliseconds timeout) {
    std::array<pollfd, 2> fds{{{fd, events, 0}, {fd_.get(), POLLIN, 0}}};
    while (!received()) {
        const int ready = poll(fds.data(), fds.size(), static_cast<int>(timeout.count()));
        if (ready == 0)
            return false;
        if (ready > 0 && fds[0].revents != 0)
            return true;
    }
    return false;
}

void StopSignal::pause(std::chrono::milliseconds duration) {
    waitFor(-1, 0, duration);
}

} // namespace gpibsim::adaptertool
