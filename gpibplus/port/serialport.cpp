// SPDX-License-Identifier: MIT
#include "gpibplus/port/serialport.h"

#include "gpibplus/port/descriptorport.h"

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace gpibplus::port {

namespace {

std::optional<speed_t> speedOf(int baud) {
    static constexpr std::pair<int, speed_t> kSpeeds[] = {
        {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
        {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
        {230400, B230400}, {460800, B460800}, {921600, B921600}, {1000000, B1000000}};
    for (const auto &[rate, speed] : kSpeeds)
        if (rate == baud)
            return speed;
    return std::nullopt;
}

// Raw: no echo, no line editing, no signals, no translations, no flow control. VMIN 1 on the
// non-blocking descriptor: a read with nothing there fails with EAGAIN, and only a hung-up line
// reads as the end of the file.
bool makeRaw(int fd, const SerialSettings &settings) {
    termios mode{};
    if (::tcgetattr(fd, &mode) != 0)
        return false;
    ::cfmakeraw(&mode);
    const std::optional<speed_t> speed = speedOf(settings.baud);
    if (!speed) {
        errno = EINVAL;
        return false;
    }
    ::cfsetispeed(&mode, *speed);
    ::cfsetospeed(&mode, *speed);
    mode.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    mode.c_cflag |= kSizes[settings.dataBits - 5] | CLOCAL | CREAD;
    if (settings.parity != 'N')
        mode.c_cflag |= PARENB | (settings.parity == 'O' ? PARODD : 0);
    if (settings.stopBits == 2)
        mode.c_cflag |= CSTOPB;
    mode.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &mode) == 0;
}

} // namespace

bool namesSerialPort(std::string_view port) {
    return port.starts_with('/');
}

Opened openSerialPort(const std::string &path, const SerialSettings &settings) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return failedWith(errno, "cannot open it");
    auto port = std::make_unique<DescriptorPort>(fd, path, DescriptorPort::Kind::ExclusiveTerminal);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return failedWith(errno == EWOULDBLOCK ? EBUSY : errno, "it is in use by another program");
    if (::ioctl(fd, TIOCEXCL) != 0)
        return failedWith(errno, "cannot hold it exclusively");
    if (!makeRaw(fd, settings))
        return failedWith(errno, "cannot set its line to " + textOf(settings));
    ::tcflush(fd, TCIOFLUSH);
    return {std::move(port), 0, {}};
}

} // namespace gpibplus::port
