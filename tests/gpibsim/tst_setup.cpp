// SPDX-License-Identifier: MIT
// The GPIBSIM_BENCH parser: well-formed benches, and malformed values that fall back to the
// default bench.
#include "gpibsim/bus/setup.h"

#include <QTest>

#include <algorithm>

using namespace gpibsim;
using driverfront::Entry;
using driverfront::Fault;

Q_DECLARE_METATYPE(gpibsim::Setup)

namespace {

template <typename Change> Setup defaultSetupWith(Change change) {
    Setup setup = defaultSetup();
    change(setup);
    return setup;
}

Setup setupOf(std::vector<Placement> instruments) {
    Setup setup;
    setup.instruments = std::move(instruments);
    return setup;
}

Fault &faultOf(Setup &setup, Entry entry) {
    return setup.script.faults[static_cast<std::size_t>(entry)];
}

constexpr auto kDmm = InstrumentKind::Multimeter;
constexpr auto kGeneric = InstrumentKind::Generic;

} // namespace

class SetupTest : public QObject {
    Q_OBJECT

private slots:
    void wellFormed_data();
    void wellFormed();
    void malformed_data();
    void malformed();
};

void SetupTest::wellFormed_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Setup>("setup");

    QTest::newRow("empty") << QByteArray() << defaultSetup();
    QTest::newRow("empty items") << QByteArray(";;") << defaultSetup();
    QTest::newRow("none") << QByteArray("none") << Setup();
    QTest::newRow("one multimeter") << QByteArray("dmm@7") << setupOf({{kDmm, 7}});
    QTest::newRow("two instruments")
        << QByteArray("generic@9.100;dmm@30") << setupOf({{kGeneric, 9 | 100 << 8}, {kDmm, 30}});
    QTest::newRow("fail") << QByteArray("fail=Send:14")
                          << defaultSetupWith([](Setup &b) { faultOf(b, Entry::Send).iberr = 14; });
    QTest::newRow("delay") << QByteArray("delay=Receive:250") << defaultSetupWith([](Setup &b) {
        faultOf(b, Entry::Receive).delay = std::chrono::milliseconds(250);
    });
    QTest::newRow("traditional calls")
        << QByteArray("fail=ibwrt:14;delay=ibwait:5") << defaultSetupWith([](Setup &b) {
               faultOf(b, Entry::ibwrt).iberr = 14;
               faultOf(b, Entry::ibwait).delay = std::chrono::milliseconds(5);
           });
    QTest::newRow("first and last of the table")
        << QByteArray("fail=ibfind:0;fail=AllSpoll:3") << defaultSetupWith([](Setup &b) {
               faultOf(b, Entry::ibfind).iberr = 0;
               faultOf(b, Entry::AllSpoll).iberr = 3;
           });
    QTest::newRow("negative listeners")
        << QByteArray("listeners=-3")
        << defaultSetupWith([](Setup &b) { b.script.listeners = -3; });
    QTest::newRow("response escapes")
        << QByteArray(R"(response=5.97:A\x3b\\\r\n)")
        << defaultSetupWith([](Setup &b) { b.instruments[1].answer = "A;\\\r\n"; });
    QTest::newRow("response before its instrument")
        << QByteArray("response=7:x;dmm@7") << setupOf({{kDmm, 7, "x"}});
}

void SetupTest::wellFormed() {
    QFETCH(QByteArray, text);
    QFETCH(Setup, setup);
    const ParsedSetup parsed = parseSetup(text.toStdString());
    QCOMPARE(QString::fromStdString(parsed.error), QString());
    QVERIFY(parsed.setup == setup);
}

void SetupTest::malformed_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("unknown item") << QByteArray("bogus");
    QTest::newRow("blank around item") << QByteArray("dmm@4 ");
    QTest::newRow("pad 0 is the board") << QByteArray("dmm@0");
    QTest::newRow("pad 31") << QByteArray("dmm@31");
    QTest::newRow("sad 95") << QByteArray("generic@4.95");
    QTest::newRow("sad 0 written out") << QByteArray("generic@4.0");
    QTest::newRow("two at one address") << QByteArray("dmm@4;generic@4");
    QTest::newRow("none with instruments") << QByteArray("none;dmm@4");
    QTest::newRow("unknown entry point") << QByteArray("fail=Sendx:1");
    // Exports that are no call of the bus's own: the other spelling, a status read, a call
    // not offered, a status variable.
    QTest::newRow("AllSPoll") << QByteArray("fail=AllSPoll:1");
    QTest::newRow("ThreadIbsta") << QByteArray("delay=ThreadIbsta:1");
    QTest::newRow("call not offered") << QByteArray("fail=ibbna:1");
    QTest::newRow("variable") << QByteArray("fail=ibsta:1");
    QTest::newRow("fail without code") << QByteArray("fail=Send");
    QTest::newRow("negative error code") << QByteArray("fail=Send:-1");
    QTest::newRow("delay too long") << QByteArray("delay=Send:60001");
    QTest::newRow("listeners not a number") << QByteArray("listeners=many");
    QTest::newRow("response without instrument") << QByteArray("response=9:x");
    QTest::newRow("response without text") << QByteArray("response=4:");
    QTest::newRow("unknown escape") << QByteArray(R"(response=4:\q)");
    QTest::newRow("short hex escape") << QByteArray(R"(response=4:\x4)");
    QTest::newRow("control character") << QByteArray("dmm@\n");
    QTest::newRow("byte 0xB5") << QByteArray("dmm@4\xB5");
}

void SetupTest::malformed() {
    QFETCH(QByteArray, text);
    const ParsedSetup parsed = parseSetup(text.toStdString());
    QVERIFY(!parsed.error.empty());
    // The report goes on one line of plain ASCII, whatever bytes the value holds.
    QVERIFY(std::ranges::all_of(parsed.error, [](char c) { return c >= 0x20 && c < 0x7F; }));
    QVERIFY(parsed.setup == defaultSetup());
}

QTEST_GUILESS_MAIN(SetupTest)
#include "tst_setup.moc"
