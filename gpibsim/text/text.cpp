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

std::string escaped(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else if (c == '\\')
            shown += "\\\\";
        else if (byte < 0x20 || byte >= 0x7F)
            shown += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        else
            shown += c;
    }
    return shown;
}

std::optional<int> toInt(std::string_view text) {
    int value = 0;
    const char *last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

} // namespace gpibsim
