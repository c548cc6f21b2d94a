// SPDX-License-Identifier: MIT
#include "fakedriver.h"
#include "gpib/driverbinding.h"
#include "gpib/wrappers.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTest>

#include <array>
#include <numeric>

using namespace gpib;

class TestWrappers : public QObject {
    Q_OBJECT

private slots:
    void init();
    void wrappersPassTheirArgumentsInOrder();
    void sendConvertsToLatin1_data();
    void sendConvertsToLatin1();
    void receiveFillsTheCallersTextAndKeepsItsLength();
    void receiveNeverGetsRoomBeyondTheText();
    void descriptorsAreStoredEvenOnFailure_data();
    void descriptorsAreStoredEvenOnFailure();
    void mirrorHoldsTheLastCallOnly();
    void findLstnRefusesListsTheDriverWouldOverrun_data();
    void findLstnRefusesListsTheDriverWouldOverrun();
    void findLstnHandsOverBothLists();
    void missingEntryPointFailsWithoutCalling_data();
    void missingEntryPointFailsWithoutCalling();
    void missingLibraryFailsEveryCall();
    void traceLine_data();
    void traceLine();
    void traceIsOffByDefault();
};

void TestWrappers::init() {
    ibsta = iberr = ibcnt = 0;
    ibcntl = 0;
}

void TestWrappers::wrappersPassTheirArgumentsInOrder() {
    FakeDriver driver;
    int16 descriptor = 0, ud = 0, listener = 0, status = 0;
    QString message = QStringLiteral("*IDN?");
    QString buffer(10, QLatin1Char(' '));
    ibfind(QStringLiteral("GPIB0"), &descriptor);
    ibpad(-2, 5);
    ibsre(0, 1);
    ibdev(0, 5, 97, 12, 1, 10, ud);
    ibln(16, 5, 97, listener);
    ibonl(16, 0);
    SendIFC(0);
    DevClear(0, 24837);
    ReadStatusByte(0, -32768, status); // the address word goes over as 16 unsigned bits
    Send(0, 4, message, 1);
    Receive(0, 4, buffer, 2);
    QCOMPARE(driver.calls, QStringList({
                               "ibfind(GPIB0)",
                               "ibpad(-2, 5)",
                               "ibsre(0, 1)",
                               "ibdev(0, 5, 97, 12, 1, 10)",
                               "ibln(16, 5, 97)",
                               "ibonl(16, 0)",
                               "SendIFC(0)",
                               "DevClear(0, 24837)",
                               "ReadStatusByte(0, 32768)",
                               "Send(0, 4, *IDN?, 5, 1)",
                               "Receive(0, 4, 10, 2)",
                           }));
    // Every wrapper refreshed the mirror through the four status reads.
    QCOMPARE(driver.statusReads, 11 * 4);
}

void TestWrappers::sendConvertsToLatin1_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("textAfter");
    QTest::newRow("ascii") << "*RST" << QByteArray("*RST") << "*RST";
    QTest::newRow("latin-1") << QString::fromUtf8("V\u00e9") << QByteArray("V\xe9") << "Vé";
    QTest::newRow("outside latin-1") << QString::fromUtf8("1\u03a9") << QByteArray("1?") << "1?";
    QTest::newRow("empty") << "" << QByteArray() << "";
    QTest::newRow("nul inside") << QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b")
                                << QByteArray("a\0b", 3)
                                << QString(QStringLiteral("a")) + QChar(0) + QStringLiteral("b");
}

void TestWrappers::sendConvertsToLatin1() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, textAfter);
    FakeDriver driver;
    Send(0, 4, text, 1);
    QCOMPARE(driver.lastSent, bytes);
    QVERIFY(driver.calls.last().endsWith(QStringLiteral(", %1, 1)").arg(bytes.size())));
    QCOMPARE(text, textAfter);
}

void TestWrappers::receiveFillsTheCallersTextAndKeepsItsLength() {
    FakeDriver driver;
    Outcome reply;
    reply.bytes = QByteArray("1.234\xe9\n");
    reply.sta = 0x2100;
    reply.cnt = 7;
    driver.script(QStringLiteral("Receive"), reply);
    QString buffer(80, QLatin1Char(' '));
    Receive(0, 4, buffer, 2);
    QCOMPARE(driver.calls, QStringList{"Receive(0, 4, 80, 2)"});
    QCOMPARE(buffer.size(), 80);
    QCOMPARE(buffer, QString::fromUtf8("1.234\u00e9\n") + QString(73, QLatin1Char(' ')));
    QCOMPARE(ibsta, int16(0x2100));
    QCOMPARE(ibcnt, int16(7));
}

void TestWrappers::receiveNeverGetsRoomBeyondTheText() {
    FakeDriver driver;
    Outcome reply;
    reply.bytes = QByteArray(100, 'x');
    driver.script(QStringLiteral("Receive"), reply);
    driver.script(QStringLiteral("Receive"), reply);
    QString empty;
    Receive(0, 4, empty, 2);
    QString three(3, QLatin1Char(' '));
    Receive(0, 4, three, 2);
    QCOMPARE(driver.calls, QStringList({"Receive(0, 4, 0, 2)", "Receive(0, 4, 3, 2)"}));
    QCOMPARE(empty, QString());
    QCOMPARE(three, QStringLiteral("xxx"));
}

void TestWrappers::descriptorsAreStoredEvenOnFailure_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("sta");
    QTest::addColumn<int>("stored");
    QTest::newRow("unknown board") << -1 << 0x8000 << -1;
    QTest::newRow("cut to 16 bits") << 0x12345 << 0x0100 << 0x2345;
    QTest::newRow("high bit of the low word") << 0x1FFFF << 0x0100 << -1;
}

void TestWrappers::descriptorsAreStoredEvenOnFailure() {
    QFETCH(int, result);
    QFETCH(int, sta);
    QFETCH(int, stored);
    FakeDriver driver;
    Outcome outcome;
    outcome.result = result;
    outcome.sta = sta;
    driver.script(QStringLiteral("ibfind"), outcome);
    driver.script(QStringLiteral("ibfind"), outcome);
    driver.script(QStringLiteral("ibdev"), outcome);

    int16 bud = 99;
    QCOMPARE(ibfind(QStringLiteral("NOBOARD"), &bud), int16(stored));
    QCOMPARE(bud, int16(stored));
    QCOMPARE(ibsta, int16(sta));
    // Without the descriptor argument the result alone carries it.
    QCOMPARE(ibfind(QStringLiteral("NOBOARD")), int16(stored));
    int16 ud = 99;
    QCOMPARE(ibdev(0, 4, 0, 12, 1, 10, ud), int16(stored));
    QCOMPARE(ud, int16(stored));
}

void TestWrappers::mirrorHoldsTheLastCallOnly() {
    FakeDriver driver;
    Outcome failure;
    failure.sta = 0x8000;
    failure.err = 2;
    failure.cnt = 3;
    Outcome wide;
    wide.sta = 0x1A100; // only the low 16 bits count
    wide.err = 0x10006;
    wide.cnt = 70000;  // 16-bit ibcnt gets the low bits ...
    wide.cntl = 70000; // ... ibcntl the whole
    driver.script(QStringLiteral("SendIFC"), failure);
    driver.script(QStringLiteral("DevClear"), wide);
    SendIFC(0);
    QCOMPARE(ibsta, int16(0x8000));
    QVERIFY(failed());
    DevClear(0, 4);
    QCOMPARE(ibsta, int16(0xA100));
    QCOMPARE(iberr, int16(6));
    QCOMPARE(ibcnt, int16(70000 & 0xFFFF));
    QCOMPARE(ibcntl, 70000);
    QVERIFY(failed()); // 0xA100 has the error bit

    Outcome plain;
    plain.sta = 0x7FFF; // every bit but the error bit: a success
    driver.script(QStringLiteral("SendIFC"), plain);
    SendIFC(0);
    QVERIFY(!failed());
    QCOMPARE(iberr, int16(0));
}

void TestWrappers::findLstnRefusesListsTheDriverWouldOverrun_data() {
    QTest::addColumn<bool>("closed");
    QTest::addColumn<int>("resultSize");
    QTest::addColumn<int>("limit");
    QTest::newRow("no end mark") << false << 33 << 32;
    QTest::newRow("results shorter than the limit") << true << 31 << 32;
    QTest::newRow("empty results") << true << 0 << 1;
    QTest::newRow("negative limit") << true << 33 << -1;
}

void TestWrappers::findLstnRefusesListsTheDriverWouldOverrun() {
    QFETCH(bool, closed);
    QFETCH(int, resultSize);
    QFETCH(int, limit);
    FakeDriver driver;
    std::array<int16, 33> addresses{};
    for (int i = 0; i < 33; ++i)
        addresses[i] = static_cast<int16>(i + 1);
    if (closed)
        addresses[30] = -1;
    std::array<int16, 33> results{};
    results.fill(7);
    ibsta = 0x0123;
    ibcnt = 5;
    FindLstn(0, addresses, std::span(results).first(resultSize), int16(limit));
    QVERIFY(driver.calls.isEmpty());
    // Failed as the driver fails a bad argument, so no caller judges the previous call.
    QCOMPARE(ibsta, ERR);
    QCOMPARE(iberr, EARG);
    QCOMPARE(ibcnt, int16(0));
    QCOMPARE(results[0], int16(7));
}

void TestWrappers::findLstnHandsOverBothLists() {
    FakeDriver driver;
    Outcome found;
    found.cnt = 2;
    found.words = {4, 0x6105};
    driver.script(QStringLiteral("FindLstn"), found);
    std::array<int16, 33> addresses{};
    for (int i = 0; i < 30; ++i)
        addresses[i] = static_cast<int16>(i + 1);
    addresses[30] = -1;
    std::array<int16, 33> results{};
    FindLstn(0, addresses, results, 32);
    QCOMPARE(driver.calls, QStringList{"FindLstn(0, [1..30,-1], 32)"});
    QCOMPARE(results[0], int16(4));
    QCOMPARE(results[1], int16(24837));
    QCOMPARE(ibcnt, int16(2));
}

void TestWrappers::missingEntryPointFailsWithoutCalling_data() {
    QTest::addColumn<QString>("entry");
    QTest::newRow("Send") << "Send";
    QTest::newRow("ibdev") << "ibdev";
    QTest::newRow("ibln") << "ibln";
    QTest::newRow("ReadStatusByte") << "ReadStatusByte";
    QTest::newRow("a status read") << "ThreadIbcntl";
}

void TestWrappers::missingEntryPointFailsWithoutCalling() {
    QFETCH(QString, entry);
    FakeDriver driver;
    driver.remove(entry);
    Outcome busy;
    busy.sta = 0x0100;
    busy.cnt = 9;
    driver.script(entry, busy);

    QString message = QStringLiteral("*IDN?");
    int16 ud = 5, listener = 0, status = 5;
    if (entry == QLatin1String("Send") || entry == QLatin1String("ThreadIbcntl"))
        Send(0, 4, message, 1);
    else if (entry == QLatin1String("ibdev"))
        ibdev(0, 4, 0, 12, 1, 10, ud);
    else if (entry == QLatin1String("ibln"))
        ibln(16, 4, 0, listener);
    else
        ReadStatusByte(0, 4, status);

    QCOMPARE(ibsta, int16(0x8000));
    QCOMPARE(iberr, int16(0));
    QCOMPARE(ibcnt, int16(0));
    QCOMPARE(ibcntl, 0);
    QCOMPARE(driver.callsOf(entry), 0);
    if (entry == QLatin1String("ibdev"))
        QCOMPARE(ud, int16(-1));
    if (entry == QLatin1String("ibln"))
        QCOMPARE(listener, int16(0)); // no listener is claimed
    if (entry == QLatin1String("ReadStatusByte"))
        QCOMPARE(status, int16(-1));
    QCOMPARE(message, QStringLiteral("*IDN?"));
}

void TestWrappers::missingLibraryFailsEveryCall() {
    gpib::DriverBinding::instance().useLibraries({QStringLiteral("/nonexistent/libnothing.so.9")});
    ibsta = 0x0100;
    int16 bud = 0;
    QCOMPARE(ibfind(QStringLiteral("GPIB0"), &bud), int16(-1));
    QCOMPARE(bud, int16(-1));
    QCOMPARE(ibsta, int16(0x8000));
    QCOMPARE(iberr, int16(0));
    QString buffer(80, QLatin1Char(' '));
    Receive(0, 4, buffer, 2);
    QCOMPARE(buffer, QString(80, QLatin1Char(' ')));
    QVERIFY(failed());
    QCOMPARE(gpib::DriverBinding::instance().loadedLibrary(), QString());
}

namespace {

// The driver category's debug lines, while an instance lives.
struct TraceCapture {
    TraceCapture() {
        lines().clear();
        previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext &context, const QString &message) {
                if (type == QtDebugMsg && QLatin1String(context.category) == "quorin.driver")
                    lines() << message;
            });
    }
    ~TraceCapture() { qInstallMessageHandler(previous); }
    static QStringList &lines() {
        static QStringList captured;
        return captured;
    }
    QtMessageHandler previous;
};

} // namespace

void TestWrappers::traceLine_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("sta");
    QTest::addColumn<int>("err");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");
    const QString identity = QStringLiteral("*IDN?\r\n") + QChar(0xB5) + QStringLiteral("\"");
    QTest::newRow("Send, escapes and a secondary address")
        << "Send" << identity << 0x0100 << 0 << QByteArray()
        << "Send(board 0, address 0x6105 (pad 5, sad 97), \"*IDN?\\r\\n\\xB5\\\"\", count 9, "
           "end mode 1) -> ibsta 0x0100 <CMPL>, ibcnt 9";
    QTest::newRow("Send failing")
        << "Send"
        << "*RST" << 0x8130 << 2 << QByteArray()
        << "Send(board 0, address 0x6105 (pad 5, sad 97), \"*RST\", count 4, end mode 1) -> ibsta "
           "0x8130 <ERR CMPL CIC ATN>, iberr 2 ENOL <No Listener>, ibcnt 4";
    QTest::newRow("a long text is cut")
        << "Send" << QString(100, QLatin1Char('x')) << 0x0100 << 0 << QByteArray()
        << "Send(board 0, address 0x6105 (pad 5, sad 97), \"" + QString(64, QLatin1Char('x')) +
               "\"... (100 bytes), count 100, end mode 1) -> ibsta 0x0100 <CMPL>, ibcnt 100";
    QTest::newRow("Receive, what was read")
        << "Receive"
        << "" << 0x2100 << 0 << QByteArray("+1.5E+00\x02\n")
        << "Receive(board 0, address 0x6105 (pad 5, sad 97), count 80, termination 2) -> ibsta "
           "0x2100 <END CMPL>, ibcnt 10, read \"+1.5E+00\\x02\\n\"";
    QTest::newRow("Receive timing out, an unnamed code")
        << "Receive"
        << "" << 0xC000 << 9 << QByteArray()
        << "Receive(board 0, address 0x6105 (pad 5, sad 97), count 80, termination 2) -> ibsta "
           "0xC000 <ERR TIMO>, iberr 9, ibcnt 0, read \"\"";
    // For FindLstn the text is the limit: 40 is more than the 32 results the list has room for.
    QTest::newRow("FindLstn, the listeners found")
        << "FindLstn"
        << "32" << 0x0100 << 0 << QByteArray()
        << "FindLstn(board 0, 30 addresses, limit 32) -> ibsta 0x0100 <CMPL>, ibcnt 2, listeners "
           "[4, 0x6105 (pad 5, sad 97)]";
    QTest::newRow("FindLstn refused")
        << "FindLstn"
        << "40" << 0x0100 << 0 << QByteArray()
        << "FindLstn(board 0, 30 addresses, limit 40) -> not made (lists the driver could "
           "overrun): "
           "ibsta 0x8000 <ERR>, iberr 4 EARG <Invalid argument>, ibcnt 0";
    QTest::newRow("no entry point")
        << "ReadStatusByte"
        << "" << 0 << 0 << QByteArray()
        << "ReadStatusByte(board 0, address 0x6105 (pad 5, sad 97)) -> not made (no entry point): "
           "ibsta 0x8000 <ERR>, iberr 0 EDVR <Op System Error>, ibcnt 0, status byte -1";
}

void TestWrappers::traceLine() {
    QFETCH(QString, entry);
    QFETCH(QString, text);
    QFETCH(int, sta);
    QFETCH(int, err);
    QFETCH(QByteArray, reply);
    QFETCH(QString, expected);
    FakeDriver driver;
    Outcome outcome;
    outcome.sta = sta;
    outcome.err = err;
    outcome.cnt = entry == QLatin1String("Send") ? int(text.size()) : int(reply.size());
    outcome.bytes = reply;
    if (entry == QLatin1String("FindLstn")) {
        outcome.words = {4, 5 | 97 << 8};
        outcome.cnt = 2;
    }
    driver.script(entry, outcome);
    if (entry == QLatin1String("ReadStatusByte"))
        driver.remove(entry);

    QLoggingCategory::setFilterRules(QStringLiteral("quorin.driver.debug=true"));
    const TraceCapture capture;
    QString buffer(80, QLatin1Char(' '));
    int16 status = 0;
    const int16 address = 5 | 97 << 8;
    std::array<int16, kAddressListSize> addresses{};
    std::iota(addresses.begin(), addresses.begin() + 30, int16(1));
    addresses[30] = kEndOfList;
    std::array<int16, kListenerLimit> results{};
    if (entry == QLatin1String("Send"))
        Send(0, address, text, 1);
    else if (entry == QLatin1String("Receive"))
        Receive(0, address, buffer, 2);
    else if (entry == QLatin1String("FindLstn"))
        FindLstn(0, addresses, results, int16(text.toInt()));
    else
        ReadStatusByte(0, address, status);
    QLoggingCategory::setFilterRules(QString());

    QCOMPARE(TraceCapture::lines().size(), 1);
    static const QRegularExpression line(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} (.*), \\d+ us$"));
    const QRegularExpressionMatch match = line.match(TraceCapture::lines().first());
    QVERIFY2(match.hasMatch(), qPrintable(TraceCapture::lines().first()));
    QCOMPARE(match.captured(1), expected);
}

void TestWrappers::traceIsOffByDefault() {
    FakeDriver driver;
    const TraceCapture capture;
    SendIFC(0);
    QVERIFY(TraceCapture::lines().isEmpty());
}

QTEST_GUILESS_MAIN(TestWrappers)
#include "tst_wrappers.moc"
