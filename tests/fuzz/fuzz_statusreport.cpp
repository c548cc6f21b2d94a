// SPDX-License-Identifier: MIT
// The one-line status report for any status word, error code and count. The input holds
// ibsta (2 bytes), iberr (2 bytes) and ibcntl (4 bytes), little-endian, then the label as
// Latin-1, at most 40 characters.

#include "bytesource.h"
#include "require.h"

#include "status/statusreport.h"

#include <QStringList>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

using fuzz::require;

constexpr std::size_t kLabelMax = 40;

// The decimal text with one leading blank when the number is not negative.
QString signedText(long long value) {
    return QString::fromStdString((value < 0 ? "" : " ") + std::to_string(value));
}

QString upperHex(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return QString::fromLatin1(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fuzz::ByteSource input(data, size);
    const auto sta = input.take<std::int16_t>();
    const auto err = input.take<std::int16_t>();
    const auto cntl = input.take<std::int32_t>();
    const QString label = QString::fromLatin1(input.takeBytes(kLabelMax));

    const QString report = status::statusReport(label, sta, err, cntl);

    require(report.startsWith(label), "the report starts with the label", report);
    const QString rest = report.mid(label.size());
    require(!rest.contains(QLatin1Char('\n')) && !rest.contains(QLatin1Char('\r')),
            "the report adds no line break to the label", report);
    const QString head =
        QStringLiteral(",  ibsta = &H") + upperHex(static_cast<std::uint16_t>(sta)) + " <";
    require(rest.startsWith(head), "the label is followed by the status word in hex", report);
    const QString close = QStringLiteral(" >, iberr = ") + signedText(err);
    const qsizetype closeAt = rest.indexOf(close, head.size());
    require(closeAt >= 0, "the bit names are followed by the error code", report);
    const auto names =
        rest.mid(head.size(), closeAt - head.size()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    require(names.size() == std::popcount(static_cast<std::uint16_t>(sta)),
            "every set status bit, and only those, has its name", report);
    require(report.endsWith(QStringLiteral(", ibcnt = ") + signedText(cntl)),
            "the report ends with the count in signed form", report);
    return 0;
}
