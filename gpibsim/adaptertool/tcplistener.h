// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/adaptertool/filedescriptor.h"
#include "gpibsim/adaptertool/options.h"

#include <string>

namespace gpibsim::adaptertool {

// A listening TCP socket. Clients beyond the one served wait in its backlog.
class TcpListener {
public:
    // Throws std::runtime_error when the address cannot be had (a port in use).
    explicit TcpListener(const TcpEndpoint &endpoint);

    int fd() const { return fd_.get(); }
    // Where it listens, as ADDRESS:PORT ([ADDRESS]:PORT for IPv6), with the port it was given.
    const std::string &where() const { return where_; }
    // The next client's connection, non-blocking, or a closed one when none waits.
    FileDescriptor accept();

private:
    FileDescriptor fd_;
    std::string where_;
};

} // namespace gpibsim::adaptertool
