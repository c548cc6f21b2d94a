// SPDX-License-Identifier: MIT
// The bus trace as GPIBSIM_TRACE turns it on. CTest names a file for this process's own trace;
// the C client, started with other values, shows the rest.
#include "client.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <functional>

using namespace client;

using Calls = std::function<void()>;
Q_DECLARE_METATYPE(Calls)

namespace {

const QByteArray kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\\n";
const QByteArray kGenericIdentity = "QUORIN,Simulated Instrument,SIM0005,1.0\\n";

void queryOnDescriptor(int pad, int sad, const char *message) {
    const int ud = ibdev(kBoard, pad, sad, T3s, 1, 0);
    char reply[100];
    ibwrt(ud, message, qstrlen(message));
    ibrd(ud, reply, sizeof reply);
    ibonl(ud, 0);
}

} // namespace

class GpibsimTraceTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void queryShowsItsMessagesInBusOrder_data();
    void queryShowsItsMessagesInBusOrder();
    void traceGoesWhereTheVariableSays_data();
    void traceGoesWhereTheVariableSays();
};

// The library opens its trace as it builds the bus: on Linux as it is loaded, on Windows at
// the first call.
void GpibsimTraceTest::initTestCase() {
    ibwait(kBoard, 0);
}

// Addressing as linux-gpib's library sends it: for a write the board's talk address, UNL and
// the listener; for a read UNL, the board's listen address and the talker.
void GpibsimTraceTest::queryShowsItsMessagesInBusOrder_data() {
    QTest::addColumn<Calls>("calls");
    QTest::addColumn<QByteArrayList>("lines");
    QTest::newRow("descriptor") << Calls([] { queryOnDescriptor(4, NO_SAD, "*IDN?\n"); })
                                << QByteArrayList{"ATN MTA 0", "ATN UNL",
                                                  "ATN MLA 4", R"(0 -> 4: "*IDN?\n" END)",
                                                  "ATN UNL",   "ATN MLA 0",
                                                  "ATN MTA 4", "4 -> 0: \"" + kIdentity + "\" END"};
    QTest::newRow("secondary address")
        << Calls([] { queryOnDescriptor(5, 97, "*IDN?\n"); })
        << QByteArrayList{"ATN MTA 0",
                          "ATN UNL",
                          "ATN MLA 5",
                          "ATN MSA 97",
                          R"(0 -> 5.97: "*IDN?\n" END)",
                          "ATN UNL",
                          "ATN MLA 0",
                          "ATN MTA 5",
                          "ATN MSA 97",
                          "5.97 -> 0: \"" + kGenericIdentity + "\" END"};
    QTest::newRow("unaddressed after each call") << Calls([] {
        const int ud = ibdev(kBoard, 4, NO_SAD, T3s, 1, 0);
        char reply[100];
        ibconfig(ud, IbcUnAddr, 1);
        ibwrt(ud, "*IDN?\n", 6);
        ibrd(ud, reply, sizeof reply);
        ibonl(ud, 0);
    }) << QByteArrayList{"ATN MTA 0", "ATN UNL",
                         "ATN MLA 4", R"(0 -> 4: "*IDN?\n" END)",
                         "ATN UNL",   "ATN UNT",
                         "ATN UNL",   "ATN MLA 0",
                         "ATN MTA 4", "4 -> 0: \"" + kIdentity + "\" END",
                         "ATN UNL",   "ATN UNT"};
    QTest::newRow("IEEE 488.2 routines") << Calls([] {
        SendIFC(kBoard);
        ibsre(kBoard, 1);
        query(4, "*IDN?");
        ibsre(kBoard, 0);
    })
                                         << QByteArrayList{"IFC",
                                                           "REN on",
                                                           "ATN MTA 0",
                                                           "ATN UNL",
                                                           "ATN MLA 4",
                                                           R"(0 -> 4: "*IDN?")",
                                                           R"(0 -> 4: "\n" END)",
                                                           "ATN UNL",
                                                           "ATN MLA 0",
                                                           "ATN MTA 4",
                                                           "4 -> 0: \"" + kIdentity + "\" END",
                                                           "REN off"};
    QTest::newRow("service request") << Calls([] {
        send(4, "*SRE 16;*IDN?");
        serialPoll(4);
        receive(4);
        send(4, "*SRE 0");
    })
                                     << QByteArrayList{"ATN MTA 0",
                                                       "ATN UNL",
                                                       "ATN MLA 4",
                                                       R"(0 -> 4: "*SRE 16;*IDN?")",
                                                       R"(0 -> 4: "\n" END)",
                                                       "SRQ asserted",
                                                       "ATN UNL",
                                                       "ATN MLA 0",
                                                       "ATN SPE",
                                                       "ATN MTA 4",
                                                       "status byte of 4: 0x50",
                                                       "ATN SPD",
                                                       "ATN UNT",
                                                       "SRQ released",
                                                       "ATN UNL",
                                                       "ATN MLA 0",
                                                       "ATN MTA 4",
                                                       "4 -> 0: \"" + kIdentity + "\" END",
                                                       "ATN MTA 0",
                                                       "ATN UNL",
                                                       "ATN MLA 4",
                                                       R"(0 -> 4: "*SRE 0")",
                                                       R"(0 -> 4: "\n" END)"};
}

void GpibsimTraceTest::queryShowsItsMessagesInBusOrder() {
    QFETCH(Calls, calls);
    QFETCH(QByteArrayList, lines);
    QFile trace(qEnvironmentVariable("GPIBSIM_TRACE"));
    QVERIFY2(trace.exists(), "run through ctest, which names the trace file");
    QVERIFY(trace.resize(0));
    calls();
    QVERIFY(trace.open(QIODevice::ReadOnly));
    QByteArrayList shown = trace.readAll().split('\n');
    QCOMPARE(shown.takeLast(), QByteArray());
    for (QByteArray &line : shown) {
        QVERIFY2(line.startsWith("bus: "), line.constData());
        line.remove(0, 5);
    }
    QCOMPARE(shown, lines);
}

// The C client, started with each value, writes its whole session or nothing.
void GpibsimTraceTest::traceGoesWhereTheVariableSays_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("firstLine"); // of standard error, empty for none
    QTest::newRow("unset") << QString() << QByteArray();
    QTest::newRow("empty") << QString("") << QByteArray();
    QTest::newRow("0") << QString("0") << QByteArray();
    QTest::newRow("1") << QString("1") << QByteArray("bus: ATN MTA 0");
    QTest::newRow("file that cannot be opened")
        << QString("/nonexistent/trace.log")
        << QByteArray(R"(gpibsim: GPIBSIM_TRACE file "/nonexistent/trace.log" cannot be )"
                      "opened (No such file or directory); no trace");
}

void GpibsimTraceTest::traceGoesWhereTheVariableSays() {
    QFETCH(QString, value);
    QFETCH(QByteArray, firstLine);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("GPIBSIM_TRACE");
    if (!value.isNull())
        environment.insert("GPIBSIM_TRACE", value);
    QProcess client;
    client.setProcessEnvironment(environment);
    client.start(QStringLiteral(GPIBSIM_CLIENT_PATH), {});
    QVERIFY(client.waitForFinished(60000));
    QCOMPARE(client.exitCode(), 0);
    const QByteArrayList lines = standardError(client).split('\n');
    QCOMPARE(lines.first(), firstLine);
    if (value == "1")
        QVERIFY(std::all_of(lines.begin(), lines.end() - 1,
                            [](const QByteArray &line) { return line.startsWith("bus: "); }));
    else
        QCOMPARE(lines.size(), firstLine.isEmpty() ? 1 : 2);
}

QTEST_GUILESS_MAIN(GpibsimTraceTest)
#include "tst_gpibsimtrace.moc"
