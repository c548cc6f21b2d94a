// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

// What the format mini-language's parser and the setter patterns read alike: presentation
// types, alignments and the limit on fields. Inside pyformat only.
namespace gpibsim::pyformat {

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

} // namespace gpibsim::pyformat
