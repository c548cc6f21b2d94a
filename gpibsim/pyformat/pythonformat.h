// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/pyformat/value.h"

#include <optional>
#include <string>
#include <string_view>

namespace gpibsim::pyformat {

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

struct ParsedSpec {
    FormatSpec spec{};
    std::string error{}; // what is wrong, empty when nothing is
};

ParsedSpec parseFormatSpec(std::string_view text);

// Why Python refuses to format a value of `type` with `spec`; empty when it formats it.
std::string formatError(const FormatSpec &spec, ValueType type);

// format(value, spec) as Python gives it; nothing where Python raises.
std::optional<std::string> formatValue(const Value &value, const FormatSpec &spec);

} // namespace gpibsim::pyformat
