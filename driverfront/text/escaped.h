// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace driverfront {

// The bytes on one line of plain ASCII, for traces and messages: CR, LF and backslash as \r,
// \n and \\, every other control character and every byte from 0x80 up as \xHH.
std::string escaped(std::string_view bytes);

} // namespace driverfront
