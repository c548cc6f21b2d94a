// SPDX-License-Identifier: MIT
#include "gpib/calltrace.h"

#include "gpib/statusmirror.h"

#include <QTime>

namespace gpib {

namespace {

constexpr qsizetype kShownBytes = 64;

// Upper-case hexadecimal of at least the given number of digits.
QString hex(unsigned value, int digits) {
    return QString::number(value, 16).rightJustified(digits, QLatin1Char('0')).toUpper();
}

// "ibsta 0x8130 <ERR CMPL CIC ATN>, iberr 2 ENOL <No Listener>, ibcnt 0": the error code only
// when the error bit is set, since iberr means nothing after a call that succeeded.
QString statusText() {
    const auto sta = static_cast<std::uint16_t>(ibsta);
    QStringList bits;
    for (const StatusBit &bit : kStatusBits)
        if (sta & bit.mask)
            bits << QString::fromLatin1(bit.name);
    QString text = QStringLiteral("ibsta 0x%1 <%2>").arg(hex(sta, 4), bits.join(QLatin1Char(' ')));
    if (failed()) {
        text += QStringLiteral(", iberr %1").arg(iberr);
        if (const auto code = errorCode(iberr))
            text += QStringLiteral(" %1 <%2>")
                        .arg(QLatin1String(code->name), QLatin1String(code->meaning));
    }
    return text + QStringLiteral(", ibcnt %1").arg(ibcntl);
}

} // namespace

void CallTrace::write(const QString &call, const QString &result, const char *notMade) const {
    QString line = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz ")) + call +
                   QStringLiteral(" -> ");
    if (notMade)
        line += QStringLiteral("not made (%1): ").arg(QLatin1String(notMade));
    line += statusText();
    if (!result.isEmpty())
        line += QStringLiteral(", ") + result;
    line += QStringLiteral(", %1 us").arg(timer_.nsecsElapsed() / 1000);
    qCDebug(driverLog).noquote() << line;
}

QString addressText(std::int16_t word) {
    const auto w = static_cast<std::uint16_t>(word);
    if (w >> 8 == 0)
        return QStringLiteral("address %1").arg(w);
    return QStringLiteral("address 0x%1 (pad %2, sad %3)").arg(hex(w, 4)).arg(w & 0xFF).arg(w >> 8);
}

QString bytesText(QByteArrayView bytes) {
    QString text = QStringLiteral("\"");
    for (const char c : bytes.first(std::min(bytes.size(), kShownBytes))) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
        case '\r':
            text += QStringLiteral("\\r");
            break;
        case '\n':
            text += QStringLiteral("\\n");
            break;
        case '\t':
            text += QStringLiteral("\\t");
            break;
        case '"':
        case '\\':
            text += QLatin1Char('\\');
            text += QLatin1Char(c);
            break;
        default:
            if (byte >= 0x20 && byte < 0x7F)
                text += QLatin1Char(c);
            else
                text += QStringLiteral("\\x") + hex(byte, 2);
        }
    }
    text += QLatin1Char('"');
    if (bytes.size() > kShownBytes)
        text += QStringLiteral("... (%1 bytes)").arg(bytes.size());
    return text;
}

} // namespace gpib
