#include "status/module3.h"

#include "gpib/statusmirror.h"
#include "status/numberforms.h"

#include <array>
#include <utility>

namespace Module3 {

namespace {

// The driver's status bits, from the top bit down; each name ends with one blank.
constexpr std::array<std::pair<std::uint16_t, const char *>, 16> kBitNames{{
    {0x8000, "ERR "},
    {0x4000, "TIMO "},
    {0x2000, "END "},
    {0x1000, "SRQI "},
    {0x0800, "RQS "},
    {0x0400, "SPOLL "},
    {0x0200, "EVENT "},
    {0x0100, "CMPL "},
    {0x0080, "LOK "},
    {0x0040, "REM "},
    {0x0020, "CIC "},
    {0x0010, "ATN "},
    {0x0008, "TACS "},
    {0x0004, "LACS "},
    {0x0002, "DTAS "},
    {0x0001, "DCAS "},
}};

// The driver's error codes that have a name; each name begins with one blank.
constexpr std::array<std::pair<int, const char *>, 15> kErrorNames{{
    {0, " EDVR <Op System Error>"},
    {1, " ECIC <Not CIC>"},
    {2, " ENOL <No Listener>"},
    {3, " EADR <Address error>"},
    {4, " EARG <Invalid argument>"},
    {5, " ESAC <Not Sys Ctrlr>"},
    {6, " EABO <Operation aborted>"},
    {7, " ENEB <No GPIB board>"},
    {10, " EOIP <Async I/O in prg>"},
    {11, " ECAP <No capability>"},
    {12, " EFSO <File sys. error>"},
    {14, " EBUS <Command error>"},
    {15, " ESTB <Status byte lost>"},
    {16, " ESRQ <SRQ stuck on>"},
    {20, " ETAB <Table Overflow>"},
}};

QString BitNames(std::uint16_t sta) {
    QString names;
    for (const auto &[mask, name] : kBitNames)
        if (sta & mask)
            names += QLatin1String(name);
    return names;
}

// An unlisted code leaves the name's place empty.
QString ErrorName(int err) {
    for (const auto &[code, name] : kErrorNames)
        if (code == err)
            return QLatin1String(name);
    return QString();
}

} // namespace

QString StatusReport(const QString &label, std::int16_t sta, std::int16_t err, std::int32_t cntl) {
    const auto pattern = static_cast<std::uint16_t>(sta);
    return label + QLatin1String(",  ibsta = &H") + QString::number(pattern, 16).toUpper() +
           QLatin1String(" <  ") + BitNames(pattern) + QLatin1String(" >, iberr = ") +
           SignedForm(err) + ErrorName(err) + QLatin1String(", ibcnt = ") + SignedForm(cntl);
}

void ReportError(QString &label) {
    label = StatusReport(label, GPIB32::ibsta, GPIB32::iberr, GPIB32::ibcntl);
    ErrMsg = label;
}

} // namespace Module3
