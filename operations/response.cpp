// SPDX-License-Identifier: MIT
#include "operations/response.h"

namespace operations {

QString firstLine(const QString &buffer) {
    qsizetype end = buffer.size();
    while (end > 0 && buffer.at(end - 1) == QLatin1Char(' '))
        --end;
    const QString trimmed = buffer.left(end);
    const qsizetype lineFeed = trimmed.indexOf(QLatin1Char('\n'));
    return lineFeed < 0 ? trimmed : trimmed.left(lineFeed);
}

} // namespace operations
