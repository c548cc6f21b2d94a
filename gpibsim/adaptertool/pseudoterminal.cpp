// SPDX-License-Identifier: MIT
#include "gpibsim/adaptertool/pseudoterminal.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>

namespace gpibsim::adaptertool {

namespace {

std::runtime_error failure(const char *what) {
    return std::runtime_error(std::string("no pseudo-terminal: ") + what + ": " +
                              std::strerror(errno));
}

} // namespace

PseudoTerminal::PseudoTerminal() {
    master_.reset(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!master_.isOpen())
        throw failure("posix_openpt");
    if (grantpt(master_.get()) != 0 || unlockpt(master_.get()) != 0)
        throw failure("unlockpt");
    std::array<char, 64> name{};
    if (ptsname_r(master_.get(), name.data(), name.size()) != 0)
        throw failure("ptsname");
    path_ = name.data();
    slave_.reset(open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave_.isOpen())
        throw failure(path_.c_str());
    makeRaw();
    // Watched after the slave is opened here, so that only clients' opens count.
    notifications_.reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!notifications_.isOpen() ||
        inotify_add_watch(notifications_.get(), path_.c_str(), IN_OPEN | IN_CLOSE) < 0)
        throw failure("inotify");
}

void PseudoTerminal::update() {
    std::array<char, 4096> buffer;
    ssize_t size;
    while ((size = read(notifications_.get(), buffer.data(), buffer.size())) > 0) {
        for (ssize_t at = 0; at < size;) {
            inotify_event event;
            std::memcpy(&event, buffer.data() + at, sizeof event);
            at += static_cast<ssize_t>(sizeof event + event.len);
            if ((event.mask & IN_OPEN) != 0 && ++clients_ == 1)
                events_.push_back(Event::Opened);
            if ((event.mask & IN_CLOSE) != 0 && clients_ > 0 && --clients_ == 0)
                events_.push_back(Event::Closed);
        }
    }
}

int PseudoTerminal::unread() const {
    int count = 0;
    ioctl(slave_.get(), FIONREAD, &count);
    return count;
}

void PseudoTerminal::makeRaw() {
    termios now;
    if (tcgetattr(slave_.get(), &now) != 0)
        return;
    termios raw = now;
    cfmakeraw(&raw);
    raw.c_cc[VMIN] = now.c_cc[VMIN];
    raw.c_cc[VTIME] = now.c_cc[VTIME];
    if (raw.c_iflag != now.c_iflag || raw.c_oflag != now.c_oflag || raw.c_lflag != now.c_lflag ||
        raw.c_cflag != now.c_cflag)
        tcsetattr(slave_.get(), TCSANOW, &raw);
}

} // namespace gpibsim::adaptertool
