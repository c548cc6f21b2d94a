// SPDX-License-Identifier: MIT
#include "gpibsim/text/text.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace gpibsim {

std::vector<std::string_view> split(std::string_view text, char separator) {
    return split(text, std::string_view(&separator, 1));
}

std::vector<std::string_view> split(std::string_view text, std::string_view separator) {
    if (separator.empty())
        return {text};
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string_view::npos;
         start = at + separator.size())
        pieces.push_back(text.substr(start, at - start));
    pieces.push_back(text.substr(start));
    return pieces;
}

std::string_view trim(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::toupper(x) == std::toupper(y); });
}

std::optional<int> toInt(std::string_view text) {
    int value = 0;
    const char *last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

std::optional<std::pair<char32_t, std::size_t>> codePoint(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return std::pair<char32_t, std::size_t>{lead, 1};
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size())
        return std::nullopt;
    char32_t point = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto trail = static_cast<unsigned char>(text[at + i]);
        if ((trail & 0xC0) != 0x80)
            return std::nullopt;
        point = point << 6 | (trail & 0x3F);
    }
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return std::nullopt;
    return std::pair<char32_t, std::size_t>{point, length};
}

std::size_t firstCharacter(std::string_view text) {
    if (text.empty())
        return 0;
    std::size_t length = 1;
    while (length < text.size() && isContinuation(text[length]))
        ++length;
    return length;
}

bool isUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const auto point = codePoint(bytes, at);
        if (!point)
            return false;
        at += point->second;
    }
    return true;
}

} // namespace gpibsim
