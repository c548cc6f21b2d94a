// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/api/gpibsim.h"

#include <string>
#include <string_view>

namespace gpibsim::definitions {

// A VISA resource name read as PyVISA reads it, and where it puts an instrument on the simulated
// bus: GPIB[board]::primary[::secondary][::INSTR] of board 0, with a primary address 1..30 and
// a secondary address 0..30 (VISA's secondary addresses 0..30 are the bus's 96..126).
struct ResourceName {
    enum class Kind {
        Instrument, // at `address`
        Skipped,    // a resource PyVISA reads that the bus cannot hold
        Malformed,  // PyVISA refuses the name
    };
    Kind kind = Kind::Malformed;
    Addr4882_t address = 0;
    std::string why{}; // why it is skipped or malformed
};

ResourceName parseResourceName(std::string_view name);

} // namespace gpibsim::definitions
