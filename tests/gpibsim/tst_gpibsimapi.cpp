// SPDX-License-Identifier: MIT
// The simulated bus through its C interface on the default bench: a multimeter at 4 and a
// generic instrument at 5, secondary 97.
#include "client.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSemaphore>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace client;

using Call = std::function<void()>;
Q_DECLARE_METATYPE(Call)

namespace {

constexpr Addr4882_t kMultimeter = 4;
constexpr Addr4882_t kGeneric = 5 | 97 << 8;
const QByteArray kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";
constexpr short kMessageAvailable = 0x10;

#if !defined(_WIN32)
// What a forked child does first: open the board and query the multimeter on a descriptor.
bool childQueriesTheMultimeter() {
    const int ud = ibdev(kBoard, kMultimeter, NO_SAD, T3s, 1, 0);
    char reply[80] = {};
    return ibfind("GPIB0") == kBoard && ud > 0 && (ibwrt(ud, "*IDN?\n", 6) & ERR) == 0 &&
           (ibrd(ud, reply, sizeof reply - 1) & ERR) == 0 &&
           std::strcmp(reply, kIdentity.constData()) == 0;
}

// Whether the child exits with 0 before the bound; a child still running then hangs, and is
// killed.
bool exitsCleanly(pid_t child, const QDeadlineTimer &bound) {
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (bound.hasExpired()) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
#endif

} // namespace

class GpibsimApiTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void startUpFindsTheDefaultBench();
    void trafficNeedsControllerInCharge_data();
    void trafficNeedsControllerInCharge();
    void badArgumentsAreRefused_data();
    void badArgumentsAreRefused();
    void identifyQueryIsAnswered_data();
    void identifyQueryIsAnswered();
    void shortReadLeavesTheRestAndEmptyReadTimesOut();
    void sendToEmptyAddressFindsNoListener_data();
    void sendToEmptyAddressFindsNoListener();
    void serialPollClearsRequestButStatusQueryDoesNot();
    void deviceClearEmptiesOutputButKeepsErrors_data();
    void deviceClearEmptiesOutputButKeepsErrors();
    void listRoutinesReachTheListedDevices_data();
    void listRoutinesReachTheListedDevices();
    void errorQueueReportsInterruptedQueryAndUndefinedHeader();
    void deviceDescriptorsRoundTrip();
    void descriptorsRunOutAndFreedOnesComeBackLowestFirst();
    void threadsReadTheirOwnStatus();
    void threadsCallAtOnce();
    void processEndsWhileOtherThreadsCall();
    void forkedChildrenGetAUsableBus();
};

// Each test starts with the board in charge and the instruments cleared.
void GpibsimApiTest::init() {
    SendIFC(kBoard);
    DevClear(kBoard, NOADDR);
    for (const Addr4882_t address : {kMultimeter, kGeneric})
        send(address, "*CLS;*ESE 0;*SRE 0");
}

void GpibsimApiTest::startUpFindsTheDefaultBench() {
    ibonl(kBoard, 0);
    QCOMPARE(ibfind("GPIB1"), -1);
    QVERIFY(failedWith(EDVR));
    QCOMPARE(ibfind("gpib0"), kBoard);
    QCOMPARE(ThreadIbsta() & (ERR | CIC), 0);
    QCOMPARE(ibpad(kBoard, 0) & ERR, 0);
    SendIFC(kBoard);
    QCOMPARE(ThreadIbsta() & (ERR | CIC), int(CIC));
    QCOMPARE(ibsre(kBoard, 1) & (ERR | REM), int(REM));
    const auto found = findListeners(30);
    QCOMPARE(ThreadIbsta() & ERR, 0);
    QCOMPARE(ThreadIbcnt(), 2);
    QCOMPARE(found[0], kMultimeter);
    QCOMPARE(found[1], Addr4882_t(0x6105));
    ibsre(kBoard, 0);

    const auto first = findListeners(1);
    QVERIFY(failedWith(ETAB));
    QCOMPARE(ThreadIbcnt(), 1);
    QCOMPARE(first[0], kMultimeter);
    QCOMPARE(first[1], kUnwritten);
}

void GpibsimApiTest::trafficNeedsControllerInCharge_data() {
    QTest::addColumn<Call>("call");
    QTest::newRow("FindLstn") << Call([] { findListeners(30); });
    QTest::newRow("DevClear") << Call([] { DevClear(kBoard, kMultimeter); });
    QTest::newRow("ReadStatusByte") << Call([] { serialPoll(kMultimeter); });
    QTest::newRow("Send") << Call([] { send(kMultimeter, "*IDN?"); });
    QTest::newRow("Receive") << Call([] { receive(kMultimeter); });
    QTest::newRow("ibln") << Call([] {
        short found = 0;
        ibln(kBoard, kMultimeter, NO_SAD, &found);
    });
    static const Addr4882_t both[] = {kMultimeter, kGeneric, NOADDR};
    QTest::newRow("SendList") << Call([] { SendList(kBoard, both, "*CLS", 4, NLend); });
    QTest::newRow("DevClearList") << Call([] { DevClearList(kBoard, both); });
    QTest::newRow("TriggerList") << Call([] { TriggerList(kBoard, both); });
    QTest::newRow("EnableLocal") << Call([] { EnableLocal(kBoard, both); });
    QTest::newRow("EnableRemote") << Call([] { EnableRemote(kBoard, both); });
    QTest::newRow("SendLLO") << Call([] { SendLLO(kBoard); });
    QTest::newRow("SetRWLS") << Call([] { SetRWLS(kBoard, both); });
}

void GpibsimApiTest::trafficNeedsControllerInCharge() {
    QFETCH(Call, call);
    ibonl(kBoard, 0);
    call();
    QVERIFY(failedWith(ECIC));
}

void GpibsimApiTest::badArgumentsAreRefused_data() {
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("iberr");
    static const Addr4882_t pads[] = {31, NOADDR};
    static Addr4882_t found[2];
    static char buffer[8];
    QTest::newRow("null name") << Call([] { ibfind(nullptr); }) << int(EARG);
    QTest::newRow("unknown descriptor") << Call([] { ibpad(3, 1); }) << int(EARG);
    QTest::newRow("ibsre on a device") << Call([] { ibsre(16, 1); }) << int(EARG);
    QTest::newRow("pad 31") << Call([] { ibpad(kBoard, 31); }) << int(EARG);
    QTest::newRow("sad 95") << Call([] { ibdev(0, 4, 95, T3s, 1, 0); }) << int(EARG);
    QTest::newRow("timeout code") << Call([] { ibdev(0, 4, 0, T1000s + 1, 1, 0); }) << int(EARG);
    QTest::newRow("ibdev board 1") << Call([] { ibdev(1, 4, 0, T3s, 1, 0); }) << int(ENEB);
    QTest::newRow("DevClear board 2") << Call([] { DevClear(2, 4); }) << int(ENEB);
    QTest::newRow("null flag") << Call([] { ibln(kBoard, 4, 0, nullptr); }) << int(EARG);
    QTest::newRow("negative count") << Call([] { Send(kBoard, 4, "x", -1, NLend); }) << int(EARG);
    QTest::newRow("address sad 127")
        << Call([] { Receive(kBoard, 4 | 127 << 8, buffer, 8, STOPend); }) << int(EARG);
    QTest::newRow("termination") << Call([] { Receive(kBoard, 4, buffer, 8, 0x101); }) << int(EARG);
    QTest::newRow("null status") << Call([] { ReadStatusByte(kBoard, 4, nullptr); }) << int(EARG);
    QTest::newRow("pad 31 listed") << Call([] { FindLstn(kBoard, pads, found, 2); }) << int(EARG);
    QTest::newRow("negative limit") << Call([] { findListeners(-1); }) << int(EARG);
}

void GpibsimApiTest::badArgumentsAreRefused() {
    QFETCH(Call, call);
    QFETCH(int, iberr);
    call();
    QVERIFY(failedWith(iberr));
}

void GpibsimApiTest::identifyQueryIsAnswered_data() {
    QTest::addColumn<int>("termination");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("END only") << int(STOPend) << kIdentity;
    QTest::newRow("eos byte 2, absent") << 2 << kIdentity;
    QTest::newRow("eos comma") << int(',') << QByteArray("QUORIN,");
}

void GpibsimApiTest::identifyQueryIsAnswered() {
    QFETCH(int, termination);
    QFETCH(QByteArray, reply);
    send(kMultimeter, "*IDN?");
    QCOMPARE(ThreadIbsta() & ERR, 0);
    QCOMPARE(ThreadIbcnt(), 5);
    char buffer[80];
    Receive(kBoard, kMultimeter, buffer, sizeof buffer, termination);
    QCOMPARE(ThreadIbsta() & (ERR | END), int(END));
    QCOMPARE(QByteArray(buffer, ThreadIbcnt()), reply);
}

void GpibsimApiTest::shortReadLeavesTheRestAndEmptyReadTimesOut() {
    send(kMultimeter, "*IDN?");
    std::array<char, 8> buffer;
    buffer.fill('#');
    Receive(kBoard, kMultimeter, buffer.data(), 5, STOPend);
    QCOMPARE(ThreadIbsta() & (ERR | END), 0);
    QCOMPARE(QByteArray(buffer.data(), buffer.size()), QByteArray("QUORI###"));
    QCOMPARE(serialPoll(kMultimeter), kMessageAvailable);
    QCOMPARE(receive(kMultimeter), kIdentity.mid(5));
    QVERIFY(ThreadIbsta() & END);
    QCOMPARE(serialPoll(kMultimeter), short(0));

    buffer.fill('#');
    Receive(kBoard, kMultimeter, buffer.data(), buffer.size(), STOPend);
    QCOMPARE(ThreadIbsta() & (ERR | TIMO | END), ERR | TIMO);
    QCOMPARE(ThreadIberr(), int(EABO));
    QCOMPARE(ThreadIbcntl(), 0L);
    QVERIFY(std::ranges::all_of(buffer, [](char c) { return c == '#'; }));
}

void GpibsimApiTest::sendToEmptyAddressFindsNoListener_data() {
    QTest::addColumn<int>("address");
    QTest::newRow("nobody at 6") << 6;
    QTest::newRow("4 has no secondaries") << (4 | 96 << 8);
}

void GpibsimApiTest::sendToEmptyAddressFindsNoListener() {
    QFETCH(int, address);
    send(Addr4882_t(address), "*IDN?");
    QVERIFY(failedWith(ENOL));
    QCOMPARE(ThreadIbcnt(), 0);
}

// A command error sets ESB, which *SRE 32 turns into a request for service.
void GpibsimApiTest::serialPollClearsRequestButStatusQueryDoesNot() {
    send(kMultimeter, "*ESE 32;*SRE 32;NOSUCH");
    QVERIFY(ThreadIbsta() & SRQI);
    send(kMultimeter, "*CLS");
    QVERIFY(!(ThreadIbsta() & SRQI));
    QCOMPARE(serialPoll(kMultimeter), short(0));
    send(kMultimeter, "NOSUCH");
    QVERIFY(ThreadIbsta() & SRQI);
    QCOMPARE(serialPoll(kMultimeter), short(0x60));
    QVERIFY(!(ThreadIbsta() & SRQI));
    QCOMPARE(query(kMultimeter, "*STB?"), QByteArray("96\n"));
    QCOMPARE(query(kMultimeter, "*STB?"), QByteArray("96\n"));
    QCOMPARE(serialPoll(kMultimeter), short(0x20));
}

void GpibsimApiTest::deviceClearEmptiesOutputButKeepsErrors_data() {
    QTest::addColumn<int>("address");
    QTest::newRow("the multimeter") << int(kMultimeter);
    QTest::newRow("every device") << int(NOADDR);
}

void GpibsimApiTest::deviceClearEmptiesOutputButKeepsErrors() {
    QFETCH(int, address);
    send(kMultimeter, "NOSUCH;*IDN?");
    DevClear(kBoard, Addr4882_t(address));
    QCOMPARE(ThreadIbsta() & ERR, 0);
    QCOMPARE(receive(kMultimeter), QByteArray());
    QVERIFY(failedWith(EABO));
    QCOMPARE(query(kMultimeter, "SYST:ERR?;SYST:ERR?"),
             QByteArray("-113,\"Undefined header\";-420,\"Query UNTERMINATED\"\n"));
}

void GpibsimApiTest::listRoutinesReachTheListedDevices_data() {
    QTest::addColumn<QByteArray>("before"); // sent to the generic instrument, then the multimeter
    QTest::addColumn<bool>("remoteBefore");
    QTest::addColumn<Call>("call");
    QTest::addColumn<int>("iberr"); // -1: the call succeeds
    QTest::addColumn<short>("multimeterStatus");
    QTest::addColumn<short>("genericStatus");
    QTest::addColumn<bool>("remoteAfter");
    static const Addr4882_t both[] = {kMultimeter, kGeneric, NOADDR};
    static const Addr4882_t multimeter[] = {kMultimeter, NOADDR};
    static const Addr4882_t generic[] = {kGeneric, NOADDR};
    static const Addr4882_t nobody[] = {6, NOADDR};
    static const Addr4882_t invalid[] = {31, NOADDR};
    static const Addr4882_t empty[] = {NOADDR};
    const QByteArray idn = "*IDN?";
    // With *ESE 1 and *SRE 32, *OPC makes the instrument request service: ESB and RQS.
    static const QByteArray opc = "*ESE 1;*SRE 32;*OPC";
    const auto sendList = [](const Addr4882_t *list) {
        return Call([list] { SendList(kBoard, list, opc.constData(), opc.size(), NLend); });
    };
    constexpr short kRequest = 0x60;
    QTest::newRow("DevClearList, both") << idn << false << Call([] { DevClearList(kBoard, both); })
                                        << -1 << short(0) << short(0) << false;
    QTest::newRow("DevClearList, one")
        << idn << false << Call([] { DevClearList(kBoard, multimeter); }) << -1 << short(0)
        << kMessageAvailable << false;
    QTest::newRow("DevClearList, empty: DCL")
        << idn << false << Call([] { DevClearList(kBoard, empty); }) << -1 << short(0) << short(0)
        << false;
    QTest::newRow("DevClearList, nobody there")
        << idn << false << Call([] { DevClearList(kBoard, nobody); }) << int(ENOL)
        << kMessageAvailable << kMessageAvailable << false;
    QTest::newRow("DevClearList, pad 31")
        << idn << false << Call([] { DevClearList(kBoard, invalid); }) << int(EARG)
        << kMessageAvailable << kMessageAvailable << false;
    QTest::newRow("SendList, both")
        << QByteArray() << false << sendList(both) << -1 << kRequest << kRequest << false;
    QTest::newRow("SendList, one")
        << QByteArray() << false << sendList(generic) << -1 << short(0) << kRequest << false;
    QTest::newRow("SendList, empty")
        << QByteArray() << false << sendList(empty) << int(EARG) << short(0) << short(0) << false;
    QTest::newRow("SendList, null")
        << QByteArray() << false << sendList(nullptr) << int(EARG) << short(0) << short(0) << false;
    QTest::newRow("SendList, nobody there")
        << QByteArray() << false << sendList(nobody) << int(ENOL) << short(0) << short(0) << false;
    // The multimeter takes a reading on a trigger; the generic instrument has nothing to do.
    QTest::newRow("Trigger") << QByteArray() << false << Call([] { Trigger(kBoard, kMultimeter); })
                             << -1 << kMessageAvailable << short(0) << false;
    QTest::newRow("TriggerList, both")
        << QByteArray() << false << Call([] { TriggerList(kBoard, both); }) << -1
        << kMessageAvailable << short(0) << false;
    QTest::newRow("TriggerList, empty: the multimeter, addressed last")
        << QByteArray("*CLS") << false << Call([] { TriggerList(kBoard, empty); }) << -1
        << kMessageAvailable << short(0) << false;
    QTest::newRow("Trigger, NOADDR: the same")
        << QByteArray("*CLS") << false << Call([] { Trigger(kBoard, NOADDR); }) << -1
        << kMessageAvailable << short(0) << false;
    QTest::newRow("EnableRemote, both")
        << QByteArray() << false << Call([] { EnableRemote(kBoard, both); }) << -1 << short(0)
        << short(0) << true;
    QTest::newRow("EnableRemote, empty")
        << QByteArray() << false << Call([] { EnableRemote(kBoard, empty); }) << -1 << short(0)
        << short(0) << true;
    QTest::newRow("SendLLO") << QByteArray() << false << Call([] { SendLLO(kBoard); }) << -1
                             << short(0) << short(0) << true;
    QTest::newRow("SetRWLS") << QByteArray() << false << Call([] { SetRWLS(kBoard, multimeter); })
                             << -1 << short(0) << short(0) << true;
    QTest::newRow("SetRWLS, empty") << QByteArray() << false << Call([] { SetRWLS(kBoard, empty); })
                                    << int(EARG) << short(0) << short(0) << false;
    QTest::newRow("EnableLocal, both")
        << QByteArray() << true << Call([] { EnableLocal(kBoard, both); }) << -1 << short(0)
        << short(0) << true;
    QTest::newRow("EnableLocal, empty: REN released")
        << QByteArray() << true << Call([] { EnableLocal(kBoard, empty); }) << -1 << short(0)
        << short(0) << false;
}

// Each listed device gets the command or the data, and only they; an empty list acts on the
// bus as the routine says.
void GpibsimApiTest::listRoutinesReachTheListedDevices() {
    QFETCH(QByteArray, before);
    QFETCH(bool, remoteBefore);
    QFETCH(Call, call);
    QFETCH(int, iberr);
    QFETCH(short, multimeterStatus);
    QFETCH(short, genericStatus);
    QFETCH(bool, remoteAfter);
    ibsre(kBoard, remoteBefore);
    if (!before.isEmpty()) {
        send(kGeneric, before);
        send(kMultimeter, before);
    }
    call();
    if (iberr < 0)
        QCOMPARE(ThreadIbsta() & ERR, 0);
    else
        QVERIFY(failedWith(iberr));
    QCOMPARE((ThreadIbsta() & REM) != 0, remoteAfter);
    QCOMPARE(serialPoll(kMultimeter), multimeterStatus);
    QCOMPARE(serialPoll(kGeneric), genericStatus);
}

void GpibsimApiTest::errorQueueReportsInterruptedQueryAndUndefinedHeader() {
    send(kGeneric, "*IDN?");
    send(kGeneric, "NOSUCH");
    QCOMPARE(query(kGeneric, "SYST:ERR?;SYST:ERR?;SYST:ERR?"),
             QByteArray("-410,\"Query INTERRUPTED\";-113,\"Undefined header\";0,\"No error\"\n"));
}

void GpibsimApiTest::deviceDescriptorsRoundTrip() {
    const int multimeter = ibdev(kBoard, 4, NO_SAD, T3s, 1, 0);
    const int generic = ibdev(kBoard, 5, 97, T3s, 1, 0);
    QCOMPARE(multimeter, 16);
    QCOMPARE(generic, 17);
    short found = -1;
    ibln(multimeter, 4, NO_SAD, &found);
    QCOMPARE(found, short(1));
    ibln(generic, 5, NO_SAD, &found);
    QCOMPARE(found, short(0));
    ibln(kBoard, 5, ALL_SAD, &found);
    QCOMPARE(found, short(1));

    QCOMPARE(ibonl(multimeter, 0) & ERR, 0);
    ibln(multimeter, 4, NO_SAD, &found);
    QVERIFY(failedWith(EARG));
    QCOMPARE(ibdev(kBoard, 4, NO_SAD, T3s, 1, 0), multimeter);
    ibonl(multimeter, 0);
    ibonl(generic, 0);
}

void GpibsimApiTest::descriptorsRunOutAndFreedOnesComeBackLowestFirst() {
    std::vector<int> opened;
    for (int ud; (ud = ibdev(kBoard, 4, NO_SAD, T3s, 1, 0)) >= 0;)
        opened.push_back(ud);
    QVERIFY(failedWith(EDVR));
    QCOMPARE(opened.size(), std::size_t(4096 - 16));
    QCOMPARE(opened.front(), 16);
    QCOMPARE(opened.back(), 4095);
    ibonl(100, 0);
    ibonl(20, 0);
    QCOMPARE(ibdev(kBoard, 4, NO_SAD, T3s, 1, 0), 20);
    QCOMPARE(ibdev(kBoard, 4, NO_SAD, T3s, 1, 0), 100);
    QCOMPARE(ibdev(kBoard, 4, NO_SAD, T3s, 1, 0), -1);
    for (const int ud : opened)
        ibonl(ud, 0);
    QCOMPARE(ibdev(kBoard, 4, NO_SAD, T3s, 1, 0), 16);
    ibonl(16, 0);
}

// The reader fails, the writer then succeeds, and only then does the reader look at its status.
void GpibsimApiTest::threadsReadTheirOwnStatus() {
    QSemaphore readerCalled;
    QSemaphore writerCalled;
    int readerStatus = 0;
    int writerStatus = 0;
    std::thread reader([&] {
        receive(6);
        readerCalled.release();
        writerCalled.acquire();
        readerStatus = ThreadIbsta();
    });
    std::thread writer([&] {
        readerCalled.acquire();
        send(kMultimeter, "*CLS");
        writerCalled.release();
        writerStatus = ThreadIbsta();
    });
    reader.join();
    writer.join();
    QCOMPARE(readerStatus & (ERR | TIMO), ERR | TIMO);
    QCOMPARE(writerStatus & (ERR | TIMO), 0);
}

void GpibsimApiTest::threadsCallAtOnce() {
    std::atomic<int> wrong = 0;
    std::thread reader([&] {
        for (int i = 0; i < 500; ++i) {
            receive(6);
            wrong += !failedWith(EABO);
        }
    });
    for (int i = 0; i < 500; ++i) {
        send(kMultimeter, "*CLS");
        wrong += (ThreadIbsta() & ERR) != 0 || ThreadIbcnt() != 4;
    }
    reader.join();
    QCOMPARE(wrong.load(), 0);
}

// A process whose threads are inside calls as it ends still ends: on Windows they are stopped
// first, perhaps holding the bus's lock.
void GpibsimApiTest::processEndsWhileOtherThreadsCall() {
    for (int run = 0; run < 10; ++run) {
        QProcess client;
        client.start(QStringLiteral(GPIBSIM_ENDING_CLIENT_PATH), {});
        QVERIFY2(client.waitForFinished(20000), qPrintable(QStringLiteral("run %1").arg(run)));
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 0);
    }
}

// Children forked while another thread keeps querying, so that it often holds the bus lock at
// the fork, each find a usable bus of their own.
void GpibsimApiTest::forkedChildrenGetAUsableBus() {
#if defined(_WIN32)
    QSKIP("Windows has no fork");
#else
    constexpr int kChildren = 20;
    std::atomic<bool> stop = false;
    std::thread busy([&] {
        while (!stop) {
            send(kMultimeter, "*IDN?");
            receive(kMultimeter);
        }
    });
    const QDeadlineTimer bound(60000);
    int healthy = 0;
    for (int i = 0; i < kChildren; ++i) {
        const pid_t child = fork();
        if (child == 0)
            _exit(childQueriesTheMultimeter() ? 0 : 1);
        healthy += child > 0 && exitsCleanly(child, bound);
    }
    stop = true;
    busy.join();
    QCOMPARE(healthy, kChildren);
#endif
}

QTEST_GUILESS_MAIN(GpibsimApiTest)
#include "tst_gpibsimapi.moc"
