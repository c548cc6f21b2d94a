// SPDX-License-Identifier: MIT
// The stand-in driver on benches given in GPIBSIM_BENCH and GPIBSIM_DEVICES. Both are read when
// the library is loaded, here as the process starts, so CTest runs each test function on its
// own, with the bench it checks for (see CMakeLists.txt).
#include "client.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <vector>

using namespace client;

namespace {

constexpr char kRunThroughCTest[] = "run through ctest, which sets GPIBSIM_BENCH for each function";
const QByteArray kDigits = QByteArray("0123456789").repeated(9);

bool benchIs(const QByteArray &bench) {
    return qgetenv("GPIBSIM_BENCH") == bench;
}

bool devicesAre(const QByteArray &devices) {
    return qgetenv("GPIBSIM_DEVICES") == devices;
}

// What the stand-in wrote on stderr as it read the environment when it was loaded, seen in a
// program that does nothing but load it, started with this process's environment.
QByteArray loadReport() {
    QProcess loader;
    loader.start(QStringLiteral(SIMBUS_LOADER_PATH), {});
    if (!loader.waitForFinished(60000) || loader.exitCode() != 0)
        return "the loader failed";
    return loader.readAllStandardError();
}

// The default bench, with no fault scripted.
void checkDefaultBench() {
    SendIFC(kBoard);
    const auto found = findListeners(30);
    QCOMPARE(ThreadIbcnt(), 2);
    QCOMPARE(found[0], Addr4882_t(4));
    QCOMPARE(found[1], Addr4882_t(0x6105));
    send(4, "*IDN?");
    QCOMPARE(ThreadIbsta() & ERR, 0);
}

} // namespace

class SimbusEnvTest : public QObject {
    Q_OBJECT

private slots:
    void customBench();
    void scriptedFaults();
    void emptyBus();
    void malformedValue();
    void definedInstruments();
    void badDefinition();
    void definitionUnreadable();
    void definedAddressTaken();
};

void SimbusEnvTest::customBench() {
    QVERIFY2(benchIs("dmm@7;generic@9.100;response=9.100:" + kDigits + "\\x3B\\r\\n"),
             kRunThroughCTest);
    SendIFC(kBoard);
    const auto found = findListeners(30);
    QCOMPARE(ThreadIbcnt(), 2);
    QCOMPARE(found[0], Addr4882_t(7));
    QCOMPARE(found[1], Addr4882_t(9 | 100 << 8));
    QCOMPARE(query(7, "*IDN?"), QByteArray("QUORIN,Simulated Multimeter,SIM0007,1.0\n"));
    send(4, "*IDN?");
    QVERIFY(failedWith(ENOL));

    const Addr4882_t scripted = 9 | 100 << 8;
    const QByteArray answer = kDigits + ";\r\n";
    send(scripted, "*IDN?");
    char buffer[80];
    Receive(kBoard, scripted, buffer, sizeof buffer, STOPend);
    QCOMPARE(ThreadIbsta() & (ERR | END), 0);
    QCOMPARE(QByteArray(buffer, ThreadIbcnt()), answer.left(80));
    QCOMPARE(receive(scripted), answer.mid(80));
    QVERIFY(ThreadIbsta() & END);
    QCOMPARE(receive(scripted), answer);
}

void SimbusEnvTest::scriptedFaults() {
    QVERIFY2(benchIs("fail=Send:14;fail=ibfind:0;fail=ibln:1;delay=ReadStatusByte:150;"
                     "listeners=40"),
             kRunThroughCTest);
    QCOMPARE(ibfind("GPIB0"), -1);
    QVERIFY(failedWith(EDVR));
    short found = -1;
    ibln(kBoard, 4, NO_SAD, &found);
    QVERIFY(failedWith(ECIC));
    QCOMPARE(found, short(-1));

    send(4, "*IDN?");
    QVERIFY(failedWith(EBUS));
    QCOMPARE(receive(4), QByteArray());
    QVERIFY(failedWith(EABO));

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(serialPoll(4), short(0));
    QVERIFY(timer.elapsed() >= 150);

    const auto all = findListeners(30);
    QCOMPARE(ThreadIbsta() & ERR, 0);
    QCOMPARE(ThreadIbcnt(), 40);
    QCOMPARE(all[1], Addr4882_t(0x6105));
    QCOMPARE(all[2], kUnwritten);
    const auto first = findListeners(1);
    QVERIFY(failedWith(ETAB));
    QCOMPARE(ThreadIbcnt(), 40);
    QCOMPARE(first[1], kUnwritten);
}

void SimbusEnvTest::emptyBus() {
    QVERIFY2(benchIs("none"), kRunThroughCTest);
    SendIFC(kBoard);
    QCOMPARE(findListeners(30)[0], kUnwritten);
    QCOMPARE(ThreadIbsta() & ERR, 0);
    QCOMPARE(ThreadIbcnt(), 0);
    send(4, "*IDN?");
    QVERIFY(failedWith(ENOL));
    serialPoll(4);
    QVERIFY(failedWith(EABO));
    QVERIFY(ThreadIbsta() & TIMO);
}

void SimbusEnvTest::malformedValue() {
    QVERIFY2(benchIs("dmm@31;fail=Send:2"), kRunThroughCTest);
    const QByteArray report = loadReport();
    QVERIFY2(report.startsWith("gpibsim: GPIBSIM_BENCH item \"dmm@31\""), report.constData());
    QCOMPARE(report.count('\n'), 1);
    QVERIFY(report.endsWith('\n'));
    checkDefaultBench();
}

// Our library's bench, found by name in the build tree's definitions, with a multimeter and a
// fault added by GPIBSIM_BENCH.
void SimbusEnvTest::definedInstruments() {
    QVERIFY2(devicesAre("bench.yaml") && benchIs("dmm@4;fail=DevClear:14"), kRunThroughCTest);
    QCOMPARE(loadReport(), QByteArray());
    SendIFC(kBoard);
    const auto found = findListeners(30);
    QCOMPARE(ThreadIbcnt(), 5);
    QCOMPARE((std::vector<Addr4882_t>(found.begin(), found.begin() + 5)),
             (std::vector<Addr4882_t>{3, 4, 6, 9 | 98 << 8, 10}));

    QCOMPARE(query(6, "VOLT1 12.5"), QByteArray("OK\n"));
    QCOMPARE(query(6, "VOLT1?"), QByteArray("+12.500\n"));
    QCOMPARE(query(6, "VOLT1 31"), QByteArray("LIMIT\n"));
    QCOMPARE(query(4, "*IDN?"), QByteArray("QUORIN,Simulated Multimeter,SIM0004,1.0\n"));
    const Addr4882_t scanner = 9 | 98 << 8;
    const QByteArray relay = "CHAN 3\r\nCLOS 1\r\nCLOS?\r\n";
    Send(kBoard, scanner, relay.data(), relay.size(), DABend);
    QCOMPARE(receive(scanner), QByteArray("1\r\n"));

    // The window's Send ends a line with END alone.
    Send(kBoard, 10, "FREQ?", 5, DABend);
    QCOMPARE(serialPoll(10), short(16));
    QCOMPARE(receive(10), QByteArray("1.000000E+03\n"));
    QVERIFY(ThreadIbsta() & END);
    QCOMPARE(receive(10), QByteArray());
    QVERIFY(failedWith(EABO));
    QVERIFY(ThreadIbsta() & TIMO);
    QCOMPARE(receive(3), QByteArray());
    QVERIFY(failedWith(EABO));

    DevClear(kBoard, 6);
    QVERIFY(failedWith(EBUS));
}

void SimbusEnvTest::badDefinition() {
    QVERIFY2(devicesAre(GPIBSIM_TEST_DEFINITIONS "/bad-format.yaml") && benchIs("fail=Send:14"),
             kRunThroughCTest);
    QCOMPARE(loadReport(),
             QByteArray("gpibsim: GPIBSIM_DEVICES " GPIBSIM_TEST_DEFINITIONS
                        "/bad-format.yaml:12:14: setter of voltage: c is not a type code "
                        "stringparser reads; using the default bench\n"));
    checkDefaultBench();
}

void SimbusEnvTest::definitionUnreadable() {
    QVERIFY2(devicesAre("multimeter.yaml:nowhere.yaml"), kRunThroughCTest);
    const QByteArray report = loadReport();
    QVERIFY2(report.startsWith("gpibsim: GPIBSIM_DEVICES nowhere.yaml: cannot read: No such file "
                               "or directory, nor in /"),
             report.constData());
    QVERIFY(report.endsWith("/instruments; using the default bench\n"));
    QCOMPARE(report.count('\n'), 1);
    checkDefaultBench();
}

void SimbusEnvTest::definedAddressTaken() {
    QVERIFY2(devicesAre("multimeter.yaml:scanner.yaml") && benchIs("generic@9.98"),
             kRunThroughCTest);
    const QByteArray report = loadReport();
    QVERIFY2(report.startsWith("gpibsim: GPIBSIM_BENCH item \"generic@9.98\": the instrument of /"),
             report.constData());
    QVERIFY(report.endsWith(
        "/scanner.yaml:44:3 is already at that address; using the default bench\n"));
    checkDefaultBench();
}

QTEST_GUILESS_MAIN(SimbusEnvTest)
#include "tst_simbusenv.moc"
