// SPDX-License-Identifier: MIT
// What the results box shows of a read: the input is what the driver wrote into the 80-byte
// receive buffer, the rest of which keeps the template's blanks; bytes are Latin-1.

#include "require.h"

#include "operations/response.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

using fuzz::require;

constexpr qsizetype kBufferSize = 80;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    QByteArray bytes(kBufferSize, ' ');
    std::copy_n(data, std::min<std::size_t>(size, kBufferSize), bytes.begin());
    const QString buffer = QString::fromLatin1(bytes);

    const QString line = operations::firstLine(buffer);

    require(buffer.startsWith(line), "the line is a prefix of the buffer", buffer);
    require(!line.contains(QLatin1Char('\n')), "the line holds no line feed", buffer);
    const bool cutAtLineFeed =
        line.size() < buffer.size() && buffer.at(line.size()) == QLatin1Char('\n');
    require(!line.endsWith(QLatin1Char(' ')) || cutAtLineFeed,
            "the line ends in a blank only where a line feed followed it", buffer);
    // The line stops at the first line feed, or where nothing but blanks follows.
    const bool restBlank = std::all_of(buffer.begin() + line.size(), buffer.end(),
                                       [](QChar c) { return c == QLatin1Char(' '); });
    require(cutAtLineFeed || restBlank, "the line is cut at a line feed or before blanks only",
            buffer);
    return 0;
}
