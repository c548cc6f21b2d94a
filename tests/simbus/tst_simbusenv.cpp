// The stand-in driver on benches given in GPIBSIM_BENCH. The bench is read when the library is
// loaded, here as the process starts, so CTest runs each test function on its own, with the
// bench it checks for (see CMakeLists.txt).
#include "client.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

using namespace client;

namespace {

constexpr char kRunThroughCTest[] = "run through ctest, which sets GPIBSIM_BENCH for each function";
const QByteArray kDigits = QByteArray("0123456789").repeated(9);

bool benchIs(const QByteArray &bench) {
    return qgetenv("GPIBSIM_BENCH") == bench;
}

} // namespace

class SimbusEnvTest : public QObject {
    Q_OBJECT

private slots:
    void customBench();
    void scriptedFaults();
    void emptyBus();
    void malformedValue();
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

// The value is read as the library loads, here before the test starts, so the report is
// looked for in a C client started with the same environment.
void SimbusEnvTest::malformedValue() {
    QVERIFY2(benchIs("dmm@31;fail=Send:2"), kRunThroughCTest);
    QProcess client;
    client.start(QStringLiteral(SIMBUS_CLIENT_PATH), {});
    QVERIFY(client.waitForFinished(60000));
    QCOMPARE(client.exitCode(), 0);
    const QByteArray report = client.readAllStandardError();
    QVERIFY2(report.startsWith("gpibsim: GPIBSIM_BENCH item \"dmm@31\""), report.constData());
    QCOMPARE(report.count('\n'), 1);
    QVERIFY(report.endsWith('\n'));

    const auto found = findListeners(30);
    QCOMPARE(ThreadIbcnt(), 2);
    QCOMPARE(found[1], Addr4882_t(0x6105));
    send(4, "*IDN?");
    QCOMPARE(ThreadIbsta() & ERR, 0);
}

QTEST_GUILESS_MAIN(SimbusEnvTest)
#include "tst_simbusenv.moc"
