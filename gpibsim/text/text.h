// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim {

// The pieces between separators, empty ones included. An empty separator gives the whole text.
std::vector<std::string_view> split(std::string_view text, char separator);
std::vector<std::string_view> split(std::string_view text, std::string_view separator);

// Without the leading and trailing `blanks`: spaces, tabs, carriage returns and line feeds
// unless given.
std::string_view trim(std::string_view text, std::string_view blanks = " \t\r\n");

bool equalsIgnoringCase(std::string_view a, std::string_view b);

// The text on one line of plain ASCII: CR, LF and backslash as \r, \n and \\, every other
// control character and every byte from 0x80 up as \xHH.
std::string escaped(std::string_view text);

// The whole text read as a decimal int; nothing when anything else is in it.
std::optional<int> toInt(std::string_view text);

} // namespace gpibsim
