// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/text/escaped.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gpibsim {

// The pieces between separators, empty ones included. An empty separator gives the whole text.
std::vector<std::string_view> split(std::string_view text, char separator);
std::vector<std::string_view> split(std::string_view text, std::string_view separator);

// Without the leading and trailing `blanks`: spaces, tabs, carriage returns and line feeds
// unless given.
std::string_view trim(std::string_view text, std::string_view blanks = " \t\r\n");

bool equalsIgnoringCase(std::string_view a, std::string_view b);

using driverfront::escaped;

// The code point at `at`, before the end, of UTF-8 text, and its length in bytes; nothing where
// the bytes there are not UTF-8 (overlong, a surrogate, above U+10FFFF, cut short, or a
// continuation byte alone).
std::optional<std::pair<char32_t, std::size_t>> codePoint(std::string_view text, std::size_t at);

// Bytes of the UTF-8 character at the start of the text, up to the next lead byte; 0 when the
// text is empty.
std::size_t firstCharacter(std::string_view text);

// Whether a byte continues a UTF-8 character rather than starting one.
constexpr bool isContinuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Whether the bytes are UTF-8, as Python's bytes.decode("utf-8") requires.
bool isUtf8(std::string_view bytes);

// The whole text read as a decimal int; nothing when anything else is in it.
std::optional<int> toInt(std::string_view text);

} // namespace gpibsim
