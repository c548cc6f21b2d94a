// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>

namespace gpibsim {

// The value of the process's environment variable, or nothing when it is not set. On Windows
// it is read, as UTF-8, from the process's environment itself rather than from the C
// runtime's copy, which misses what a program built with another runtime set after its start.
std::optional<std::string> environmentValue(const char *name);

} // namespace gpibsim
