// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace operations {

// The number at the start of a text. Blanks, tabs and line feeds are ignored wherever they
// stand; an optional sign comes first, then decimal digits with an optional point and
// fraction and an optional exponent (E or e, optional sign, digits), or "&H" and hexadecimal
// digits, or "&O" and octal digits. Reading stops at the first character that cannot
// continue the number; a text without one gives 0.
double numericValue(const QString &text);

// The value rounded to the nearest integer, a half to the even neighbour; nothing when the
// result does not fit a signed 16-bit integer.
std::optional<std::int16_t> roundedInt16(double value);

} // namespace operations
