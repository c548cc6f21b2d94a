// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string_view>

namespace gpibsim::adapter {

// One dialect's firmware: what Firmware hands the host's bytes to.
class DialectFirmware {
public:
    virtual ~DialectFirmware() = default;
    // As Firmware::receive.
    virtual std::size_t receive(std::string_view bytes) = 0;
    // As Firmware::hostGone.
    virtual void hostGone() = 0;
    // As Firmware::restart.
    virtual void restart() = 0;
};

} // namespace gpibsim::adapter
