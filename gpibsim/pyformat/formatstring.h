// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/pyformat/pythonformat.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim::pyformat {

// A replacement field, {name!conversion:spec}, as Python's parser cuts it; what it means is
// settled when it is formatted.
struct Field {
    std::string name{};       // "" for automatic numbering; may hold .attribute or [key]
    std::string conversion{}; // the character after '!', "" without one
    std::string spec{};       // the format specifier as written
    bool nested = false;      // the specifier holds fields of its own
    // The specifier read, when it holds no fields and Python takes it.
    std::optional<FormatSpec> parsed = FormatSpec{};
};

// Text as Python's str.format reads it: literal text, where {{ and }} stand for braces, and
// replacement fields.
struct FormatString {
    struct Piece {
        std::string literal{};        // the text before the field
        std::optional<Field> field{}; // none after the last text
    };
    std::vector<Piece> pieces{};
    std::string error{}; // why Python's parser refuses the text; empty when it takes it
};

FormatString parseFormatString(std::string_view text);

// `format.format(value)` and `format.format(ch_id=id)` as Python gives them; nothing where
// Python raises. Attribute and index access in a field's name ({0.real}, {0[1]}) are not
// followed: they too give nothing.
std::optional<std::string> formatWith(const FormatString &format, const Value &value);
std::optional<std::string> formatWithChannel(const FormatString &format, const Value &id);

} // namespace gpibsim::pyformat
