// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/pyformat/value.h"

#include <optional>
#include <string>
#include <string_view>

namespace gpibsim::definitions {

// One standard format specifier of Python's format mini-language (PEP 3101):
//   [[fill]align][sign]["z"]["#"]["0"][width][grouping]["." precision][type]
struct FormatSpec {
    std::string fill = " "; // one character, in UTF-8
    char align = 0;         // '<', '>', '^', '=', or 0 for the value's default
    char sign = 0;          // '+', '-', ' ', or 0 when not given
    bool noNegativeZero = false;
    bool alternate = false;
    bool zeroPadded = false; // '0' before the width, without a fill of its own
    int width = 0;
    char grouping = 0; // ',' or '_'
    std::optional<int> precision{};
    char type = 0; // 0 when not given

    bool operator==(const FormatSpec &) const = default;
};

// The integer presentation types that write in a base of their own: b, o, d, x and X, with
// their digits. Python's format writes them; stringparser reads them back.
struct IntegerType {
    char code;
    int base;
    std::string_view digits;
};
inline constexpr IntegerType kIntegerTypes[] = {{'b', 2, "01"},
                                                {'o', 8, "01234567"},
                                                {'d', 10, "0123456789"},
                                                {'x', 16, "0123456789abcdef"},
                                                {'X', 16, "0123456789ABCDEF"}};
// The type of `code`, or null for any other.
constexpr const IntegerType *integerType(char code) {
    for (const IntegerType &type : kIntegerTypes)
        if (type.code == code)
            return &type;
    return nullptr;
}

// The float presentation types, % included.
inline constexpr std::string_view kFloatCodes = "eEfFgG%";

// Whether `c` is one of the alignments: '<', '>', '^' or '='.
constexpr bool isAlign(char c) {
    return c == '<' || c == '>' || c == '^' || c == '=';
}

// Widths and precisions above this are refused, so that no definition asks for huge replies.
inline constexpr int kLongestField = 1000;

struct ParsedSpec {
    FormatSpec spec{};
    std::string error{}; // what is wrong, empty when nothing is
};

ParsedSpec parseFormatSpec(std::string_view text);

// Why Python refuses to format a value of `type` with `spec`; empty when it formats it.
std::string formatError(const FormatSpec &spec, ValueType type);

// format(value, spec) as Python gives it; nothing where Python raises.
std::optional<std::string> formatValue(const Value &value, const FormatSpec &spec);

// Characters, not bytes, of UTF-8 text: what Python's widths and precisions count.
std::size_t characterCount(std::string_view text);
// Bytes of the UTF-8 character at the start of the text; 0 when it is empty.
std::size_t firstCharacter(std::string_view text);

} // namespace gpibsim::definitions
