// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>

namespace driverfront {

// How one call's work ended, before the front adds the board's status bits.
struct Outcome {
    std::optional<int> iberr{};     // set when the call fails
    int bits = 0;                   // TIMO and END
    std::optional<long> count = 0L; // nothing leaves the caller's count as it was
    int previous = 0;               // iberr after success: the setting ibist or ibppc replaced
};

// Whether a device answered a listener check, or why the link could not tell.
struct Presence {
    std::optional<int> iberr{};
    bool present = false;
};

// A serial poll: the device's status byte, when the outcome is not a failure.
struct Polled {
    Outcome outcome;
    std::uint8_t status = 0;
};

} // namespace driverfront
