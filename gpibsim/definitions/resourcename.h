// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/api/gpibsim.h"

#include <string>
#include <string_view>

namespace gpibsim::definitions {

// A VISA resource name as the simulated bus takes it: GPIB[board]::primary[::secondary][::INSTR],
// in any case, on board 0. VISA's secondary addresses 0..30 are the bus's 96..126.
struct ResourceName {
    enum class Kind { Instrument, Elsewhere, Malformed };
    Kind kind = Kind::Malformed;
    Addr4882_t address = 0;
    std::string why{}; // where it is, or what is wrong, when it is no instrument of board 0
};

ResourceName parseResourceName(std::string_view name);

} // namespace gpibsim::definitions
