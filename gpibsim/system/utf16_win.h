// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace gpibsim {

// Windows names files and holds its environment in UTF-16; the library's text is UTF-8. Text
// that is not valid in one form becomes U+FFFD in the other.
std::wstring wideText(std::string_view utf8);
std::string utf8Text(std::wstring_view wide);

} // namespace gpibsim
