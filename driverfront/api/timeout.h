// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/api/gpib.h"

#include <array>
#include <chrono>
#include <optional>

namespace driverfront {

constexpr bool isTimeout(int code) {
    return code >= TNONE && code <= T1000s;
}

// How long a wait may last; nothing for ever.
using Timeout = std::optional<std::chrono::microseconds>;

// How long a timeout code lasts; TNONE waits for ever.
inline Timeout timeoutDuration(int code) {
    using std::chrono::microseconds;
    static constexpr std::array<long, T1000s + 1> kMicroseconds = {
        0,      10,     30,      100,     300,      1000,     3000,      10000,     30000,
        100000, 300000, 1000000, 3000000, 10000000, 30000000, 100000000, 300000000, 1000000000};
    if (code == TNONE)
        return std::nullopt;
    return microseconds(kMicroseconds.at(static_cast<std::size_t>(code)));
}

} // namespace driverfront
