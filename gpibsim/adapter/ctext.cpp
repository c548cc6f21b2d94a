// SPDX-License-Identifier: MIT
#include "gpibsim/adapter/ctext.h"

#include <algorithm>
#include <cctype>

namespace gpibsim::adapter::ctext {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The digits after blanks and a sign, and whether the sign was a minus.
std::string_view digitsOf(std::string_view text, bool &negative) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    std::size_t end = at;
    while (end < text.size() && isDigit(text[end]))
        ++end;
    return text.substr(at, end - at);
}

std::uint64_t saturated(std::string_view digits, std::uint64_t limit) {
    std::uint64_t value = 0;
    for (const char digit : digits)
        value = std::min(limit, value * 10 + static_cast<std::uint64_t>(digit - '0'));
    return value;
}

} // namespace

std::string_view untilNul(std::string_view text) {
    return text.substr(0, std::min(text.find('\0'), text.size()));
}

std::optional<std::string_view> Tokens::next(std::string_view delimiters) {
    const std::size_t start = delimiters.empty() ? 0 : rest_.find_first_not_of(delimiters);
    if (start == std::string_view::npos || start >= rest_.size()) {
        rest_ = {};
        return std::nullopt;
    }
    const std::size_t end = std::min(rest_.find_first_of(delimiters, start), rest_.size());
    const std::string_view token = rest_.substr(start, end - start);
    rest_ = rest_.substr(std::min(end + 1, rest_.size()));
    return token;
}

bool isNumber(std::optional<std::string_view> text) {
    return text && std::ranges::all_of(*text, isDigit);
}

std::uint32_t toUnsigned(std::optional<std::string_view> text) {
    bool negative = false;
    const std::string_view digits = digitsOf(text.value_or(""), negative);
    const auto value = static_cast<std::uint32_t>(saturated(digits, UINT32_MAX));
    return negative ? static_cast<std::uint32_t>(0u - value) : value;
}

int toInt(std::optional<std::string_view> text) {
    bool negative = false;
    const std::string_view digits = digitsOf(text.value_or(""), negative);
    const auto value = static_cast<std::uint16_t>(saturated(digits, UINT32_MAX));
    return static_cast<std::int16_t>(negative ? static_cast<std::uint16_t>(0u - value) : value);
}

bool startsNoCase(std::string_view text, std::string_view word, std::size_t count) {
    text = untilNul(text);
    for (std::size_t i = 0; i < count; ++i) {
        const char a = i < text.size() ? lower(text[i]) : '\0';
        const char b = i < word.size() ? lower(word[i]) : '\0';
        if (a != b)
            return false;
        if (a == '\0')
            return true;
    }
    return true;
}

} // namespace gpibsim::adapter::ctext
