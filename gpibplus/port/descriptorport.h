// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/port/port.h"

#include <string>

namespace gpibplus::port {

// A port on a non-blocking file descriptor, a serial port's or a socket's, closed when it goes.
class DescriptorPort final : public Port {
public:
    // A terminal held with TIOCEXCL is released before it closes: the exclusive mode would
    // otherwise outlive us where somebody else keeps the terminal open.
    enum class Kind { Socket, ExclusiveTerminal };
    DescriptorPort(int fd, std::string name, Kind kind);
    ~DescriptorPort() override;
    DescriptorPort(const DescriptorPort &) = delete;
    DescriptorPort &operator=(const DescriptorPort &) = delete;

    Transfer write(std::string_view bytes, Deadline deadline) override;
    Transfer read(std::span<char> buffer, Deadline deadline) override;
    const std::string &name() const override { return name_; }

private:
    // Waits for `events` until the deadline: true when they came.
    bool await(short events, Deadline deadline, Transfer &transfer) const;

    int fd_;
    std::string name_;
    Kind kind_;
};

} // namespace gpibplus::port
