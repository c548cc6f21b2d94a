// SPDX-License-Identifier: MIT
#include "status/statusreport.h"

#include "gpib/statusmirror.h"
#include "status/numberforms.h"

namespace status {

QString ErrMsg;

namespace {

// The names of the set bits from the top bit down, each followed by one blank.
QString bitNames(std::uint16_t sta) {
    QString names;
    for (const gpib::StatusBit &bit : gpib::kStatusBits)
        if (sta & bit.mask)
            names += QLatin1String(bit.name) + QLatin1Char(' ');
    return names;
}

// " ENOL <No Listener>"; an unlisted code leaves the name's place empty.
QString errorName(int err) {
    const auto code = gpib::errorCode(err);
    if (!code)
        return QString();
    return QLatin1Char(' ') + QLatin1String(code->name) + QLatin1String(" <") +
           QLatin1String(code->meaning) + QLatin1Char('>');
}

} // namespace

QString statusReport(const QString &label, std::int16_t sta, std::int16_t err, std::int32_t cntl) {
    const auto pattern = static_cast<std::uint16_t>(sta);
    return label + QLatin1String(",  ibsta = &H") + QString::number(pattern, 16).toUpper() +
           QLatin1String(" <  ") + bitNames(pattern) + QLatin1String(" >, iberr = ") +
           signedForm(err) + errorName(err) + QLatin1String(", ibcnt = ") + signedForm(cntl);
}

void ReportError(QString &label) {
    label = statusReport(label, gpib::ibsta, gpib::iberr, gpib::ibcntl);
    ErrMsg = label;
}

} // namespace status
