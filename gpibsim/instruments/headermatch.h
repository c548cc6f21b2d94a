// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

namespace gpibsim {

// True when `header` names the command described by `pattern`. A pattern gives each
// ':'-separated node in its long form with the short form in capitals ("SYSTem:ERRor?"); a
// header may use either form of each node, in any case, and may start with ':'.
bool headerMatches(std::string_view pattern, std::string_view header);

// The header of a program message unit: what comes before the first blank, blanks around the
// unit left out.
std::string_view headerOf(std::string_view unit);

} // namespace gpibsim
