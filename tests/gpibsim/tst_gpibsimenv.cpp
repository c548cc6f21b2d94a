// SPDX-License-Identifier: MIT
// The simulated bus on benches given in GPIBSIM_BENCH and GPIBSIM_DEVICES. Both are read when
// the library is loaded, here as the process starts, so CTest runs each test function on its
// own, with the bench it checks for (see CMakeLists.txt).
#include "client.h"
#include "gpibsim/system/files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <array>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace client;

namespace {

// Two files in GPIBSIM_DEVICES, separated as PATH separates folders.
QByteArray fileList(const char *first, const char *second) {
    return QByteArray(first) + gpibsim::kPathSeparator + second;
}

constexpr char kRunThroughCTest[] = "run through ctest, which sets GPIBSIM_BENCH for each function";
const QByteArray kDigits = QByteArray("0123456789").repeated(9);

bool benchIs(const QByteArray &bench) {
    return qgetenv("GPIBSIM_BENCH") == bench;
}

bool devicesAre(const QByteArray &devices) {
    return qgetenv("GPIBSIM_DEVICES") == devices;
}

// What the simulated bus wrote on stderr as it read the environment when it was loaded, seen in a
// program that does nothing but load it, started with this process's environment.
QByteArray loadReport() {
    QProcess loader;
    loader.start(QStringLiteral(GPIBSIM_LOADER_PATH), {});
    if (!loader.waitForFinished(60000) || loader.exitCode() != 0)
        return "the loader failed";
    return standardError(loader);
}

// What stands between the start and the end of a one-line report (a path, written as the
// system writes it), or nothing when the report is not so.
QString textAround(const QByteArray &report, const QByteArray &start, const QByteArray &end) {
    if (!report.startsWith(start) || !report.endsWith(end) || report.count('\n') != 1)
        return {};
    return QString::fromUtf8(report.mid(start.size(), report.size() - start.size() - end.size()));
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

#if !defined(_WIN32)
// What a child forked from a process holding two device descriptors finds: each failed check
// is its own bit of the exit status.
int childOfFork() {
    int wrong = 0;
    const auto found = findListeners(30);
    const std::array<Addr4882_t, 4> bench{3, 7, 9 | 100 << 8, 12};
    if (ThreadIbcnt() != 4 || !std::equal(bench.begin(), bench.end(), found.begin()))
        wrong |= 1;
    int pad = 0;
    if (!(ibask(16, IbaPAD, &pad) & ERR) || ThreadIberr() != EARG)
        wrong |= 2;
    if (ibdev(kBoard, 12, NO_SAD, T3s, 1, 0) != 16)
        wrong |= 4;
    return wrong;
}
#endif

} // namespace

class GpibsimEnvTest : public QObject {
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
    void forkedChildKeepsTheBench();
};

void GpibsimEnvTest::customBench() {
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

void GpibsimEnvTest::scriptedFaults() {
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

void GpibsimEnvTest::emptyBus() {
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

void GpibsimEnvTest::malformedValue() {
    QVERIFY2(benchIs("dmm@31;fail=Send:2"), kRunThroughCTest);
    const QByteArray report = loadReport();
    QVERIFY2(report.startsWith("gpibsim: GPIBSIM_BENCH item \"dmm@31\""), report.constData());
    QCOMPARE(report.count('\n'), 1);
    QVERIFY(report.endsWith('\n'));
    checkDefaultBench();
}

// Our library's bench, found by name in the build tree's definitions, with a multimeter and a
// fault added by GPIBSIM_BENCH.
void GpibsimEnvTest::definedInstruments() {
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

void GpibsimEnvTest::badDefinition() {
    QVERIFY2(devicesAre(GPIBSIM_TEST_DEFINITIONS "/bad-format.yaml") && benchIs("fail=Send:14"),
             kRunThroughCTest);
    QCOMPARE(loadReport(),
             QByteArray("gpibsim: GPIBSIM_DEVICES " GPIBSIM_TEST_DEFINITIONS
                        "/bad-format.yaml:12:14: setter of voltage: c is not a type code "
                        "stringparser reads; using the default bench\n"));
    checkDefaultBench();
}

void GpibsimEnvTest::definitionUnreadable() {
    QVERIFY2(devicesAre(fileList("multimeter.yaml", "nowhere.yaml")), kRunThroughCTest);
    const QByteArray report = loadReport();
    const QString installed = textAround(report,
                                         "gpibsim: GPIBSIM_DEVICES nowhere.yaml: cannot read: No "
                                         "such file or directory, nor in ",
                                         "; using the default bench\n");
    QVERIFY2(QDir::isAbsolutePath(installed), report.constData());
    QCOMPARE(QFileInfo(installed).fileName(), "instruments");
    checkDefaultBench();
}

void GpibsimEnvTest::definedAddressTaken() {
    QVERIFY2(devicesAre(fileList("multimeter.yaml", "scanner.yaml")) && benchIs("generic@9.98"),
             kRunThroughCTest);
    const QByteArray report = loadReport();
    const QString defined =
        textAround(report, "gpibsim: GPIBSIM_BENCH item \"generic@9.98\": the instrument of ",
                   ":44:3 is already at that address; using the default bench\n");
    QVERIFY2(QDir::isAbsolutePath(defined), report.constData());
    QCOMPARE(QFileInfo(defined).fileName(), "scanner.yaml");
    checkDefaultBench();
}

// The child keeps exactly the bench of four instruments, and none of its parent's descriptors.
void GpibsimEnvTest::forkedChildKeepsTheBench() {
#if defined(_WIN32)
    QSKIP("Windows has no fork");
#else
    QVERIFY2(benchIs("dmm@3;dmm@7;generic@9.100;generic@12"), kRunThroughCTest);
    QCOMPARE(ibdev(kBoard, 3, NO_SAD, T3s, 1, 0), 16);
    QCOMPARE(ibdev(kBoard, 7, NO_SAD, T3s, 1, 0), 17);
    const pid_t child = fork();
    if (child == 0)
        _exit(childOfFork());
    QVERIFY(child > 0);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
    int pad = 0;
    QCOMPARE(ibask(16, IbaPAD, &pad) & ERR, 0);
    QCOMPARE(pad, 3);
#endif
}

QTEST_GUILESS_MAIN(GpibsimEnvTest)
#include "tst_gpibsimenv.moc"
