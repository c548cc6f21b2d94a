// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>

namespace status {

// The signed form writes a number in decimal with one leading blank when it is not negative
// and its minus sign when it is (" 5", " 501", "-3"): every composed result line and report
// uses it. The plain form has no blank ("5").
inline QString signedForm(std::int64_t value) {
    return value < 0 ? QString::number(value) : QLatin1Char(' ') + QString::number(value);
}

inline QString plainForm(std::int64_t value) {
    return QString::number(value);
}

} // namespace status
