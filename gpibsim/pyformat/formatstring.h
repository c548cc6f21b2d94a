// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/pyformat/pythonformat.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim::definitions {

// A replacement field, {name!conversion:spec}.
struct Field {
    std::string name{};  // empty for automatic numbering
    char conversion = 0; // 's', 'r', or 0
    FormatSpec spec{};
};

// Text as Python's str.format reads it: literal text, where {{ and }} stand for braces, and
// replacement fields. Fields nested in a format specifier are not taken.
struct FormatString {
    struct Piece {
        std::string literal{};        // the text before the field
        std::optional<Field> field{}; // none after the last text
    };
    std::vector<Piece> pieces{};

    std::vector<const Field *> fields() const;
};

struct ParsedFormat {
    FormatString format{};
    std::string error{}; // what is wrong, empty when nothing is
};

ParsedFormat parseFormatString(std::string_view text);

// Why the fields cannot all take one positional argument, as `text.format(value)` gives it:
// a name other than {} and {0}, two {}, or {} with {0}. Empty when they can.
std::string positionalError(const FormatString &format);

// Every field formatted with `value`, as `text.format(value)` or `text.format(ch_id=value)`
// gives it; nothing where Python raises.
std::optional<std::string> formatWith(const FormatString &format, const Value &value);

} // namespace gpibsim::definitions
