// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace operations {

// What the results box shows of a response read into a buffer of blanks: trailing blanks
// removed first, then the text cut before its first line feed. Blanks and a carriage return
// in front of that line feed stay.
QString firstLine(const QString &buffer);

} // namespace operations
