// SPDX-License-Identifier: MIT
#include "drawnanswers.h"

#include "fakedriver.h"
#include "require.h"

#include "gpib/wrappers.h"

#include <QRegularExpression>

namespace fuzz {

namespace {

constexpr int kReceiveRoom = 80;

// The program's calls as the fake driver writes them, where their arguments are checked.
void requireWellFormed(const QString &call) {
    require(call != QLatin1String("ibfind()"), "ibfind is given a board name", call);
    if (call.startsWith(QLatin1String("FindLstn("))) {
        static const QString limit = QStringLiteral(", %1)").arg(gpib::kListenerLimit);
        require(call.endsWith(limit), "FindLstn is given the limit gpib::kListenerLimit", call);
        require(call.contains(QLatin1String("-1], ")),
                "FindLstn's address list ends with 0xFFFF within 33 entries", call);
    } else if (call.startsWith(QLatin1String("Receive("))) {
        static const QRegularExpression room(
            QStringLiteral(R"(^Receive\(\d+, \d+, %1, -?\d+\)$)").arg(kReceiveRoom));
        require(room.match(call).hasMatch(), "Receive is given room for kReceiveRoom bytes", call);
    } else if (call.startsWith(QLatin1String("Send("))) {
        require(!call.section(QLatin1String(", "), -2, -2).startsWith(QLatin1Char('-')),
                "Send's count is not negative", call);
    }
}

// Each call draws its own answers, then the status it leaves.
Outcome drawn(const QString &entry, ByteSource &input) {
    Outcome o;
    if (entry == QLatin1String("ibln"))
        o.listener = input.take<short>();
    else if (entry == QLatin1String("ReadStatusByte"))
        o.statusByte = input.take<short>();
    else if (entry == QLatin1String("FindLstn"))
        o.words.resize(input.take<std::uint8_t>() % (gpib::kListenerLimit + 1));
    else if (entry == QLatin1String("Receive"))
        o.bytes = input.takeBytes(input.take<std::uint8_t>() % (2 * kReceiveRoom));
    for (gpib::Addr4882 &word : o.words)
        word = input.take<gpib::Addr4882>();
    if (entry.startsWith(QLatin1String("ib")))
        o.result = input.take<int>();
    o.sta = input.take<int>();
    o.err = input.take<int>();
    o.cnt = input.take<int>();
    o.cntl = input.take<long>();
    return o;
}

} // namespace

void answerFromInput(FakeDriver &driver, ByteSource &input) {
    driver.unscripted = [&input](const QString &entry) {
        return drawn(entry, input);
    };
    driver.onCall = requireWellFormed;
}

} // namespace fuzz
