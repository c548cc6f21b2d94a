// SPDX-License-Identifier: MIT
// The traditional calls on board and device descriptors, on the default bench: a multimeter at
// 4 and a generic instrument at 5, secondary 97.
#include "client.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <array>
#include <functional>
#include <thread>
#include <tuple>

using namespace client;

// A call made on the open multimeter descriptor.
using DeviceCall = std::function<void(int ud)>;
Q_DECLARE_METATYPE(DeviceCall)

namespace {

const QByteArray kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";
const QByteArray kGenericIdentity = "QUORIN,Simulated Instrument,SIM0005,1.0\n";
const QRegularExpression kReading(R"(^[+-]\d\.\d{5}E[+-]\d\d\n$)");
constexpr int kGenericSad = 97;
constexpr char kMessageAvailable = 0x10;

void write(int ud, const QByteArray &message) {
    ibwrt(ud, message.constData(), message.size());
}

QByteArray read(int ud) {
    std::array<char, 256> buffer{};
    ibrd(ud, buffer.data(), buffer.size());
    return QByteArray(buffer.data(), ThreadIbcnt());
}

char poll(int ud) {
    char status = -1;
    ibrsp(ud, &status);
    return status;
}

int ask(int ud, int option) {
    int value = -1;
    ibask(ud, option, &value);
    return value;
}

QByteArray bytes(std::initializer_list<std::uint8_t> list) {
    return QByteArray(reinterpret_cast<const char *>(std::data(list)), qsizetype(list.size()));
}

void command(std::initializer_list<std::uint8_t> list) {
    const QByteArray commands = bytes(list);
    ibcmd(kBoard, commands.constData(), commands.size());
}

bool globalsInStep() {
    return ibsta == ThreadIbsta() && iberr == ThreadIberr() && ibcnt == ThreadIbcnt() &&
           ibcntl == ThreadIbcntl();
}

} // namespace

class GpibsimTraditionalTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void queryThroughDescriptor_data();
    void queryThroughDescriptor();
    void deviceDescriptorStatus_data();
    void deviceDescriptorStatus();
    void askAnswersAsTheDriver_data();
    void askAnswersAsTheDriver();
    void configureThenAsk_data();
    void configureThenAsk();
    void refusedOptions_data();
    void refusedOptions();
    void badArgumentsAreRefused_data();
    void badArgumentsAreRefused();
    void trafficNeedsControllerInCharge_data();
    void trafficNeedsControllerInCharge();
    void boardStateCallsKeepWhatTheySet();
    void unofferedCallsFailWithEcap_data();
    void unofferedCallsFailWithEcap();
    void serviceRequestEndsWaits_data();
    void serviceRequestEndsWaits();
    void waitTimesOutAfterTheDescriptorTimeout_data();
    void waitTimesOutAfterTheDescriptorTimeout();
    void waitWakesWhenAnotherThreadRequestsService();
    void commandBytesAddressTheData_data();
    void commandBytesAddressTheData();
    void commandBytesActOnListeners_data();
    void commandBytesActOnListeners();
    void boardDataGoesToWhoeverIsAddressed();
    void endOfStringEndsReads_data();
    void endOfStringEndsReads();
    void endOfStringMarksWrites_data();
    void endOfStringMarksWrites();
    void triggerTakesAReading_data();
    void triggerTakesAReading();
    void onlineRestoresOpeningSettings();
    void asynchronousTransfersReportThroughWait();
    void linesShowTheBus();
    void everyCodeHasItsText();
    void globalsFollowEveryCall();

private:
    int multimeter_ = -1;
    int generic_ = -1;
};

// Each test starts with the board in charge with its opening settings, the instruments
// cleared, and a descriptor open for each.
void GpibsimTraditionalTest::init() {
    ibonl(kBoard, 1);
    ibsre(kBoard, 0);
    multimeter_ = ibdev(kBoard, 4, NO_SAD, T3s, 1, 0);
    generic_ = ibdev(kBoard, 5, kGenericSad, T3s, 1, 0);
    QVERIFY(multimeter_ > 0 && generic_ > 0);
    for (const int ud : {multimeter_, generic_}) {
        ibclr(ud);
        write(ud, "*CLS;*ESE 0;*SRE 0\n");
    }
}

void GpibsimTraditionalTest::cleanup() {
    ibonl(multimeter_, 0);
    ibonl(generic_, 0);
}

void GpibsimTraditionalTest::queryThroughDescriptor_data() {
    QTest::addColumn<bool>("generic");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("multimeter") << false << kIdentity;
    QTest::newRow("generic, secondary address") << true << kGenericIdentity;
}

// Device calls report only ERR, TIMO, END, CMPL and RQS, never the board's state.
void GpibsimTraditionalTest::queryThroughDescriptor() {
    QFETCH(bool, generic);
    QFETCH(QByteArray, reply);
    const int ud = generic ? generic_ : multimeter_;
    QCOMPARE(ibwrt(ud, "*IDN?\n", 6), int(CMPL));
    QCOMPARE(ThreadIbcnt(), 6);
    QCOMPARE(read(ud), reply);
    QCOMPARE(ThreadIbsta(), END | CMPL);
}

// ibsta of calls on a device descriptor: only ERR, TIMO, END, CMPL and RQS, whatever the board
// is doing; ERR alone, with EARG, on a descriptor that is not open.
void GpibsimTraditionalTest::deviceDescriptorStatus_data() {
    QTest::addColumn<DeviceCall>("call");
    QTest::addColumn<int>("ibsta");
    QTest::addColumn<int>("iberr");
    static char status;
    QTest::newRow("write") << DeviceCall([](int ud) { write(ud, "*IDN?\n"); }) << int(CMPL) << 0;
    QTest::newRow("read a reply") << DeviceCall([](int ud) {
        write(ud, "*IDN?\n");
        read(ud);
    }) << (END | CMPL) << 0;
    QTest::newRow("read, nothing to say")
        << DeviceCall([](int ud) { read(ud); }) << (ERR | TIMO | CMPL) << int(EABO);
    QTest::newRow("service request") << DeviceCall([](int ud) {
        write(ud, "*SRE 16;*IDN?\n");
        ibwait(ud, 0);
    }) << (RQS | CMPL) << 0;
    QTest::newRow("off line") << DeviceCall([](int ud) { ibonl(ud, 0); }) << int(CMPL) << 0;
    QTest::newRow("closed") << DeviceCall([](int ud) {
        ibonl(ud, 0);
        write(ud, "*IDN?\n");
    }) << int(ERR) << int(EARG);
    QTest::newRow("off line twice") << DeviceCall([](int ud) {
        ibonl(ud, 0);
        ibonl(ud, 0);
    }) << int(ERR) << int(EARG);
    QTest::newRow("never opened") << DeviceCall([](int) { ibclr(40); }) << int(ERR) << int(EARG);
    QTest::newRow("negative") << DeviceCall([](int) { ibrsp(-1, &status); }) << int(ERR)
                              << int(EARG);
    QTest::newRow("past the last")
        << DeviceCall([](int) { ibask(4096, IbaPAD, nullptr); }) << int(ERR) << int(EARG);
}

void GpibsimTraditionalTest::deviceDescriptorStatus() {
    QFETCH(DeviceCall, call);
    QFETCH(int, ibsta);
    QFETCH(int, iberr);
    ibsre(kBoard, 1);
    command({UNL});
    QCOMPARE(ThreadIbsta() & (CIC | REM | ATN), CIC | REM | ATN);
    call(multimeter_);
    QCOMPARE(ThreadIbsta(), ibsta);
    QCOMPARE(ThreadIberr(), iberr);
}

// Each option as linux-gpib's library answers it: the settings, fixed values for what nothing
// models, and EARG for an option of the other kind of descriptor.
void GpibsimTraditionalTest::askAnswersAsTheDriver_data() {
    QTest::addColumn<bool>("board");
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("iberr"); // -1 when the query succeeds
    const std::initializer_list<std::tuple<const char *, int, int>> device = {
        {"PAD", IbaPAD, 4},
        {"SAD", IbaSAD, 0},
        {"TMO", IbaTMO, T3s},
        {"EOT", IbaEOT, 1},
        {"EOSrd", IbaEOSrd, 0},
        {"EOSchar", IbaEOSchar, 0},
        {"BNA", IbaBNA, 0},
        {"ReadAdjust", IbaReadAdjust, 0},
        {"EndBitIsNormal", IbaEndBitIsNormal, 1},
        {"READDR", IbaREADDR, 0},
        {"SPollTime", IbaSPollTime, T1s},
        {"UnAddr", IbaUnAddr, 0},
    };
    const std::initializer_list<std::tuple<const char *, int, int>> board = {
        {"PAD", IbaPAD, 0},
        {"SAD", IbaSAD, 0},
        {"TMO", IbaTMO, T3s},
        {"BNA", IbaBNA, 0},
        {"PPC", IbaPPC, 0},
        {"AUTOPOLL", IbaAUTOPOLL, 1},
        {"CICPROT", IbaCICPROT, 0},
        {"IRQ", IbaIRQ, 0},
        {"SC", IbaSC, 1},
        {"SRE", IbaSRE, 1},
        {"PP2", IbaPP2, 0},
        {"TIMING", IbaTIMING, T1_DELAY_2000ns},
        {"DMA", IbaDMA, 0},
        {"EventQueue", IbaEventQueue, 0},
        {"SPollBit", IbaSPollBit, 1},
        {"SendLLO", IbaSendLLO, 0},
        {"PPollTime", IbaPPollTime, T3s},
        {"HSCableLength", IbaHSCableLength, 0},
        {"Ist", IbaIst, 0},
        {"Rsv", IbaRsv, 0},
        {"7BitEOS", Iba7BitEOS, 1},
    };
    for (const auto &[name, option, value] : device)
        QTest::addRow("device %s", name) << false << option << value << -1;
    for (const auto &[name, option, value] : board)
        QTest::addRow("board %s", name) << true << option << value << -1;
    for (const int option : {IbaPPC, IbaAUTOPOLL, IbaSC, IbaSRE, IbaIst, IbaRsv, Iba7BitEOS})
        QTest::addRow("device 0x%x", option) << false << option << -1 << int(EARG);
    for (const int option : {IbaREADDR, IbaSPollTime, IbaUnAddr})
        QTest::addRow("board 0x%x", option) << true << option << -1 << int(EARG);
    QTest::newRow("unknown option") << false << 0x1c << -1 << int(EARG);
}

void GpibsimTraditionalTest::askAnswersAsTheDriver() {
    QFETCH(bool, board);
    QFETCH(int, option);
    QFETCH(int, value);
    QFETCH(int, iberr);
    QCOMPARE(ask(board ? kBoard : multimeter_, option), value);
    if (iberr < 0)
        QCOMPARE(ThreadIbsta() & ERR, 0);
    else
        QVERIFY(failedWith(iberr));
}

void GpibsimTraditionalTest::configureThenAsk_data() {
    QTest::addColumn<bool>("board");
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("eosMode"); // the mode afterwards, as ibask shows it bit by bit
    QTest::newRow("pad") << false << int(IbcPAD) << 7 << 0;
    QTest::newRow("sad") << false << int(IbcSAD) << 0x70 << 0;
    QTest::newRow("timeout") << false << int(IbcTMO) << int(T10s) << 0;
    QTest::newRow("EOT off") << false << int(IbcEOT) << 0 << 0;
    QTest::newRow("EOS byte") << false << int(IbcEOSchar) << int('\r') << int('\r');
    QTest::newRow("EOS read") << false << int(IbcEOSrd) << int(REOS) << int(REOS);
    QTest::newRow("EOS write") << false << int(IbcEOSwrt) << int(XEOS) << int(XEOS);
    QTest::newRow("EOS 8 bits") << false << int(IbcEOScmp) << int(BIN) << int(BIN);
    QTest::newRow("re-addressing") << false << int(IbcREADDR) << 1 << 0;
    QTest::newRow("poll timeout") << false << int(IbcSPollTime) << int(T3s) << 0;
    QTest::newRow("unaddressing") << false << int(IbcUnAddr) << 1 << 0;
    QTest::newRow("board pad") << true << int(IbcPAD) << 2 << 0;
    QTest::newRow("board timeout") << true << int(IbcTMO) << int(T30ms) << 0;
    QTest::newRow("board autopoll off") << true << int(IbcAUTOPOLL) << 0 << 0;
    QTest::newRow("system control off") << true << int(IbcSC) << 0 << 0;
    QTest::newRow("ist") << true << int(IbcIst) << 1 << 0;
    QTest::newRow("status byte") << true << int(IbcRsv) << 0x41 << 0;
    QTest::newRow("local parallel poll") << true << int(IbcPP2) << 1 << 0;
    QTest::newRow("T1 delay") << true << int(IbcTIMING) << int(T1_DELAY_350ns) << 0;
    QTest::newRow("event queue") << true << int(IbcEventQueue) << 1 << 0;
    QTest::newRow("parallel poll timeout") << true << int(IbcPPollTime) << int(T1s) << 0;
}

void GpibsimTraditionalTest::configureThenAsk() {
    QFETCH(bool, board);
    QFETCH(int, option);
    QFETCH(int, value);
    QFETCH(int, eosMode);
    const int ud = board ? kBoard : multimeter_;
    QCOMPARE(ibconfig(ud, option, value) & ERR, 0);
    QCOMPARE(ask(ud, option), value);
    QCOMPARE(ask(ud, IbaEOSchar), eosMode & 0xFF);
    QCOMPARE(ask(ud, IbaEOSrd), eosMode & REOS);
    QCOMPARE(ask(ud, IbaEOSwrt), eosMode & XEOS);
    QCOMPARE(ask(ud, IbaEOScmp), eosMode & BIN);
}

void GpibsimTraditionalTest::refusedOptions_data() {
    QTest::addColumn<bool>("board");
    QTest::addColumn<bool>("configure");
    QTest::addColumn<int>("option");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("iberr");
    QTest::newRow("pad 31") << false << true << int(IbcPAD) << 31 << int(EARG);
    QTest::newRow("sad 0x5F") << false << true << int(IbcSAD) << 0x5F << int(EARG);
    QTest::newRow("timeout code 18") << false << true << int(IbcTMO) << 18 << int(EARG);
    QTest::newRow("EOS byte 256") << false << true << int(IbcEOSchar) << 256 << int(EARG);
    QTest::newRow("re-addressing on the board") << true << true << int(IbcREADDR) << 1 << int(EARG);
    QTest::newRow("autopoll on a device") << false << true << int(IbcAUTOPOLL) << 0 << int(EARG);
    QTest::newRow("board index of the board") << true << true << int(IbcBNA) << 0 << int(EARG);
    QTest::newRow("board index 1") << false << true << int(IbcBNA) << 1 << int(EARG);
    QTest::newRow("7-bit EOS set") << true << true << int(Iba7BitEOS) << 1 << int(EARG);
    QTest::newRow("system control of a device") << false << true << int(IbcSC) << 1 << int(EARG);
    QTest::newRow("T1 delay 4") << true << true << int(IbcTIMING) << 4 << int(EARG);
    QTest::newRow("status byte 256") << true << true << int(IbcRsv) << 256 << int(EARG);
    QTest::newRow("cable length 16") << true << true << int(IbcHSCableLength) << 16 << int(EARG);
    QTest::newRow("parallel poll byte 0x40") << true << true << int(IbcPPC) << 0x40 << int(EARG);
    QTest::newRow("parallel poll, not local") << true << true << int(IbcPPC) << 0x61 << int(ECAP);
    QTest::newRow("byte swapping") << false << true << int(IbcReadAdjust) << 1 << int(ECAP);
    QTest::newRow("END on EOI only") << false << true << int(IbcEndBitIsNormal) << 0 << int(ECAP);
    QTest::newRow("interrupts off") << true << true << int(IbcIRQ) << 0 << int(ECAP);
    QTest::newRow("DMA off") << true << true << int(IbcDMA) << 0 << int(ECAP);
    QTest::newRow("LLO on open") << true << true << int(IbcSendLLO) << 1 << int(ECAP);
    QTest::newRow("pass control protocol") << true << true << int(IbcCICPROT) << 1 << int(ECAP);
}

void GpibsimTraditionalTest::refusedOptions() {
    QFETCH(bool, board);
    QFETCH(bool, configure);
    QFETCH(int, option);
    QFETCH(int, value);
    QFETCH(int, iberr);
    const int ud = board ? kBoard : multimeter_;
    int asked = -1;
    if (configure)
        ibconfig(ud, option, value);
    else
        ibask(ud, option, &asked);
    QVERIFY(failedWith(iberr));
    QCOMPARE(asked, -1);
}

void GpibsimTraditionalTest::badArgumentsAreRefused_data() {
    QTest::addColumn<DeviceCall>("call");
    static char buffer[8];
    QTest::newRow("closed descriptor") << DeviceCall([](int) { ibwrt(3, "x", 1); });
    QTest::newRow("negative count") << DeviceCall([](int ud) { ibwrt(ud, "x", -1); });
    QTest::newRow("null buffer") << DeviceCall([](int ud) { ibrd(ud, nullptr, 8); });
    QTest::newRow("null status byte") << DeviceCall([](int ud) { ibrsp(ud, nullptr); });
    QTest::newRow("poll the board") << DeviceCall([](int) { ibrsp(kBoard, buffer); });
    QTest::newRow("clear the board") << DeviceCall([](int) { ibclr(kBoard); });
    QTest::newRow("trigger the board") << DeviceCall([](int) { ibtrg(kBoard); });
    QTest::newRow("commands on a device") << DeviceCall([](int ud) { ibcmd(ud, "?", 1); });
    QTest::newRow("IFC from a device") << DeviceCall([](int ud) { ibsic(ud); });
    QTest::newRow("lines of a device") << DeviceCall([](int ud) {
        short lines = 0;
        iblines(ud, &lines);
    });
    QTest::newRow("null lines") << DeviceCall([](int) { iblines(kBoard, nullptr); });
    QTest::newRow("null option result") << DeviceCall([](int ud) { ibask(ud, IbaPAD, nullptr); });
    QTest::newRow("EOS mode bits") << DeviceCall([](int ud) { ibeos(ud, 0x2000); });
    QTest::newRow("timeout code") << DeviceCall([](int ud) { ibtmo(ud, T1000s + 1); });
    QTest::newRow("sad 0x7F") << DeviceCall([](int ud) { ibsad(ud, 0x7F); });
    QTest::newRow("ibdev EOS mode") << DeviceCall([](int) { ibdev(kBoard, 4, 0, T3s, 1, 0x2000); });
    QTest::newRow("SRQI on a device") << DeviceCall([](int ud) { ibwait(ud, SRQI); });
    QTest::newRow("RQS on the board") << DeviceCall([](int) { ibwait(kBoard, RQS); });
    QTest::newRow("ERR in a mask") << DeviceCall([](int ud) { ibwait(ud, ERR | TIMO); });
    QTest::newRow("null queue length") << DeviceCall([](int ud) { ibspb(ud, nullptr); });
}

void GpibsimTraditionalTest::badArgumentsAreRefused() {
    QFETCH(DeviceCall, call);
    call(multimeter_);
    QVERIFY(failedWith(EARG));
}

void GpibsimTraditionalTest::trafficNeedsControllerInCharge_data() {
    QTest::addColumn<DeviceCall>("call");
    QTest::newRow("ibwrt") << DeviceCall([](int ud) { write(ud, "*IDN?\n"); });
    QTest::newRow("ibrd") << DeviceCall([](int ud) { read(ud); });
    QTest::newRow("ibclr") << DeviceCall([](int ud) { ibclr(ud); });
    QTest::newRow("ibtrg") << DeviceCall([](int ud) { ibtrg(ud); });
    QTest::newRow("ibloc") << DeviceCall([](int ud) { ibloc(ud); });
    QTest::newRow("ibrsp") << DeviceCall([](int ud) { poll(ud); });
    QTest::newRow("ibcmd") << DeviceCall([](int) { command({UNL}); });
}

void GpibsimTraditionalTest::trafficNeedsControllerInCharge() {
    QFETCH(DeviceCall, call);
    ibonl(kBoard, 0);
    call(multimeter_);
    QVERIFY(failedWith(ECIC));
    QCOMPARE(ibonl(kBoard, 1) & (ERR | CIC), int(CIC));
}

// ibrsc, ibist, ibrsv, ibrsv2 and ibppc: a value set is a value asked back; ibist and ibppc
// report the value they replaced in iberr; devices have none of the board's state.
void GpibsimTraditionalTest::boardStateCallsKeepWhatTheySet() {
    QCOMPARE(ibist(kBoard, 1) & ERR, 0);
    QCOMPARE(ThreadIberr(), 0);
    QCOMPARE(ask(kBoard, IbaIst), 1);
    ibist(kBoard, 0);
    QCOMPARE(ThreadIberr(), 1);

    QCOMPARE(ibrsv(kBoard, 0x50) & ERR, 0);
    QCOMPARE(ask(kBoard, IbaRsv), 0x50);
    QCOMPARE(ibrsv2(kBoard, 0x41, 1) & ERR, 0);
    QCOMPARE(ask(kBoard, IbaRsv), 0x41);
    ibrsv(kBoard, 0x100);
    QVERIFY(failedWith(EARG));

    QCOMPARE(ibrsc(kBoard, 0) & ERR, 0);
    QCOMPARE(ask(kBoard, IbaSC), 0);
    ibsic(kBoard);
    QVERIFY(failedWith(ESAC));
    SendIFC(kBoard);
    QVERIFY(failedWith(ESAC));
    ibsre(kBoard, 1);
    QVERIFY(failedWith(ESAC));
    QCOMPARE(ibrsc(kBoard, 1) & ERR, 0);
    QCOMPARE(ibsic(kBoard) & ERR, 0);

    ibppc(kBoard, 0x61);
    QVERIFY(failedWith(ECAP));
    ibconfig(kBoard, IbcPP2, 1);
    QCOMPARE(ibppc(kBoard, 0x61) & ERR, 0);
    QCOMPARE(ask(kBoard, IbaPPC), 0x61);
    QCOMPARE(ibppc(kBoard, 0) & ERR, 0);
    QCOMPARE(ThreadIberr(), 0x61);
    QCOMPARE(ask(kBoard, IbaPPC), int(PPD));

    QCOMPARE(ibppc(multimeter_, 0x65), int(CMPL));
    QCOMPARE(ibppc(multimeter_, PPC_DISABLE | 0x65) & ERR, 0);
    QCOMPARE(ThreadIberr(), 0x65);
    ibppc(multimeter_, 0x40);
    QVERIFY(failedWith(EARG));
    write(multimeter_, "*IDN?\n");
    QCOMPARE(read(multimeter_), kIdentity);

    for (const auto &call : {std::function<int()>([&] { return ibist(multimeter_, 1); }),
                             std::function<int()>([&] { return ibrsv(multimeter_, 0x40); }),
                             std::function<int()>([&] { return ibrsc(multimeter_, 1); })}) {
        call();
        QVERIFY(failedWith(EARG));
    }
}

// A few of each family, with their various prototypes.
void GpibsimTraditionalTest::unofferedCallsFailWithEcap_data() {
    QTest::addColumn<DeviceCall>("call");
    static const Addr4882_t list[] = {4, NOADDR};
    static short result;
    QTest::newRow("ibpct") << DeviceCall([](int ud) { ibpct(ud); });
    QTest::newRow("ibgts") << DeviceCall([](int) { ibgts(kBoard, 0); });
    QTest::newRow("ibrpp") << DeviceCall([](int) { ibrpp(kBoard, nullptr); });
    QTest::newRow("ibwrtf") << DeviceCall([](int ud) { ibwrtf(ud, "/dev/null"); });
    QTest::newRow("ibevent") << DeviceCall([](int) { ibevent(kBoard, &result); });
    QTest::newRow("PPollUnconfig") << DeviceCall([](int) { PPollUnconfig(kBoard, list); });
    QTest::newRow("SendDataBytes") << DeviceCall([](int) { SendDataBytes(kBoard, "x", 1, NLend); });
    QTest::newRow("WaitSRQ") << DeviceCall([](int) { WaitSRQ(kBoard, &result); });
}

void GpibsimTraditionalTest::unofferedCallsFailWithEcap() {
    QFETCH(DeviceCall, call);
    call(multimeter_);
    QVERIFY(failedWith(ECAP));
    QVERIFY(globalsInStep());
}

void GpibsimTraditionalTest::serviceRequestEndsWaits_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("autopoll");
    QTest::addColumn<char>("statusByte");
    QTest::newRow("message available") << QByteArray("*SRE 16;*IDN?\n") << true << char(0x50);
    QTest::newRow("operation complete")
        << QByteArray("*ESE 1;*SRE 32;*OPC\n") << true << char(0x60);
    QTest::newRow("no automatic polling") << QByteArray("*SRE 16;*IDN?\n") << false << char(0x50);
}

// The board sees SRQ, and with automatic polling the device descriptor RQS, until a serial
// poll reads the request.
void GpibsimTraditionalTest::serviceRequestEndsWaits() {
    QFETCH(QByteArray, message);
    QFETCH(bool, autopoll);
    QFETCH(char, statusByte);
    ibconfig(kBoard, IbcAUTOPOLL, autopoll);
    ibtmo(kBoard, T1s);
    ibtmo(multimeter_, T100ms);
    QCOMPARE(ibwait(kBoard, 0) & SRQI, 0);
    QCOMPARE(ibwait(multimeter_, 0) & RQS, 0);
    write(multimeter_, message);
    QCOMPARE(ibwait(kBoard, SRQI | TIMO) & (SRQI | TIMO | ERR), int(SRQI));
    QCOMPARE(ibwait(multimeter_, RQS | TIMO) & (RQS | TIMO | ERR), autopoll ? RQS : TIMO);
    QCOMPARE(ibwait(generic_, 0) & RQS, 0);
    short queued = -1;
    ibspb(multimeter_, &queued);
    QCOMPARE(queued, short(autopoll ? 1 : 0));

    QCOMPARE(poll(multimeter_), statusByte);
    QCOMPARE(ibwait(kBoard, 0) & SRQI, 0);
    QCOMPARE(ibwait(multimeter_, 0) & RQS, 0);
    ibspb(multimeter_, &queued);
    QCOMPARE(queued, short(0));
}

void GpibsimTraditionalTest::waitTimesOutAfterTheDescriptorTimeout_data() {
    QTest::addColumn<bool>("board");
    QTest::addColumn<int>("mask");
    QTest::newRow("board, SRQI") << true << int(SRQI | TIMO);
    QTest::newRow("device, RQS") << false << int(RQS | TIMO);
    QTest::newRow("device, END before any read") << false << int(END | TIMO);
}

void GpibsimTraditionalTest::waitTimesOutAfterTheDescriptorTimeout() {
    QFETCH(bool, board);
    QFETCH(int, mask);
    const int ud = board ? kBoard : multimeter_;
    ibtmo(ud, T100ms);
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(ibwait(ud, mask) & (mask | ERR), int(TIMO));
    QVERIFY(timer.elapsed() >= 100);
}

// A waiting thread holds up no other call, and wakes when one brings its condition.
void GpibsimTraditionalTest::waitWakesWhenAnotherThreadRequestsService() {
    ibtmo(kBoard, T10s);
    int waited = 0;
    QElapsedTimer timer;
    timer.start();
    std::thread waiter([&] { waited = ibwait(kBoard, SRQI | TIMO); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    write(multimeter_, "*SRE 16;*IDN?\n");
    waiter.join();
    QCOMPARE(waited & (SRQI | TIMO | ERR), int(SRQI));
    QVERIFY(timer.elapsed() < 5000);
}

void GpibsimTraditionalTest::commandBytesAddressTheData_data() {
    QTest::addColumn<QByteArray>("toListen");
    QTest::addColumn<QByteArray>("toTalk");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("multimeter") << bytes({UNL, MTA(0), MLA(4)}) << bytes({UNL, MLA(0), MTA(4)})
                                << kIdentity;
    QTest::newRow("generic, secondary address")
        << bytes({UNL, MTA(0), MLA(5), MSA(kGenericSad)})
        << bytes({UNT, UNL, MLA(0), MTA(5), MSA(kGenericSad)}) << kGenericIdentity;
}

// The board's own address makes it talker or listener; ATN stays until data moves.
void GpibsimTraditionalTest::commandBytesAddressTheData() {
    QFETCH(QByteArray, toListen);
    QFETCH(QByteArray, toTalk);
    QFETCH(QByteArray, reply);
    QCOMPARE(ibcmd(kBoard, toListen.constData(), toListen.size()) & (ERR | ATN | TACS | LACS),
             ATN | TACS);
    QCOMPARE(ThreadIbcnt(), int(toListen.size()));
    QCOMPARE(ibwrt(kBoard, "*IDN?\n", 6) & (ERR | ATN | TACS), int(TACS));
    QCOMPARE(ibcmd(kBoard, toTalk.constData(), toTalk.size()) & (ERR | ATN | TACS | LACS),
             ATN | LACS);
    QCOMPARE(read(kBoard), reply);
    QCOMPARE(ThreadIbsta() & (ERR | END | ATN | LACS), END | LACS);
}

void GpibsimTraditionalTest::commandBytesActOnListeners_data() {
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<char>("multimeterStatus");
    QTest::addColumn<char>("genericStatus");
    QTest::newRow("SDC to the multimeter")
        << bytes({UNL, MLA(4), SDC}) << char(0) << kMessageAvailable;
    QTest::newRow("SDC to both") << bytes({UNL, MLA(4), MLA(5), MSA(kGenericSad), SDC}) << char(0)
                                 << char(0);
    QTest::newRow("SDC after a secondary for nobody")
        << bytes({UNL, MLA(4), MSA(100), SDC}) << kMessageAvailable << kMessageAvailable;
    QTest::newRow("DCL") << bytes({DCL}) << char(0) << char(0);
    QTest::newRow("SDC after UNL")
        << bytes({MLA(4), UNL, SDC}) << kMessageAvailable << kMessageAvailable;
    QTest::newRow("GTL and LLO keep replies")
        << bytes({UNL, MLA(4), GTL, LLO}) << kMessageAvailable << kMessageAvailable;
}

void GpibsimTraditionalTest::commandBytesActOnListeners() {
    QFETCH(QByteArray, commands);
    QFETCH(char, multimeterStatus);
    QFETCH(char, genericStatus);
    write(multimeter_, "*IDN?\n");
    write(generic_, "*IDN?\n");
    ibcmd(kBoard, commands.constData(), commands.size());
    QCOMPARE(ThreadIbsta() & ERR, 0);
    QCOMPARE(ThreadIbcnt(), int(commands.size()));
    QCOMPARE(poll(multimeter_), multimeterStatus);
    QCOMPARE(poll(generic_), genericStatus);
}

// A device call leaves its instrument addressed, so board data goes on to it.
void GpibsimTraditionalTest::boardDataGoesToWhoeverIsAddressed() {
    ibeot(multimeter_, 0);
    write(multimeter_, "*IDN");
    write(kBoard, "?\n");
    QCOMPARE(ThreadIbsta() & ERR, 0);
    QCOMPARE(read(multimeter_), kIdentity);

    command({UNL, UNT});
    write(kBoard, "*IDN?\n");
    QVERIFY(failedWith(EADR));
    read(kBoard);
    QVERIFY(failedWith(EADR));

    command({UNL, MTA(0), MLA(6)});
    write(kBoard, "*IDN?\n");
    QVERIFY(failedWith(ENOL));
    command({UNL, MLA(0), MTA(6)});
    QCOMPARE(read(kBoard), QByteArray());
    QVERIFY(failedWith(EABO));
    QVERIFY(ThreadIbsta() & TIMO);

    command({UNL, MLA(0), MTA(4), SPE});
    QVERIFY(failedWith(ECAP));
    QCOMPARE(ThreadIbcnt(), 3);
}

void GpibsimTraditionalTest::endOfStringEndsReads_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("END only") << 0 << kIdentity;
    QTest::newRow("comma, reads stop") << (REOS | ',') << QByteArray("QUORIN,");
    QTest::newRow("comma, reads go on") << int(',') << kIdentity;
    QTest::newRow("7-bit compare")
        << (REOS | '.' | 0x80) << QByteArray("QUORIN,Simulated Multimeter,SIM0004,1.");
    QTest::newRow("8-bit compare") << (REOS | BIN | '.' | 0x80) << kIdentity;
}

// Another descriptor for the same instrument keeps its own mode.
void GpibsimTraditionalTest::endOfStringEndsReads() {
    QFETCH(int, mode);
    QFETCH(QByteArray, reply);
    const int other = ibdev(kBoard, 4, NO_SAD, T3s, 1, 0);
    QCOMPARE(ibeos(multimeter_, mode) & ERR, 0);
    write(multimeter_, "*IDN?\n");
    QCOMPARE(read(multimeter_), reply);
    QCOMPARE(ThreadIbsta() & (ERR | END), int(END));
    QCOMPARE(read(other), kIdentity.mid(reply.size()));
    ibonl(other, 0);
}

void GpibsimTraditionalTest::endOfStringMarksWrites_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("eot");
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<char>("statusByte");
    QTest::newRow("EOI with ';'") << (XEOS | ';') << false << QByteArray("*IDN?;")
                                  << kMessageAvailable;
    QTest::newRow("EOI with ';', 7-bit")
        << (XEOS | ';' | 0x80) << false << QByteArray("*IDN?;") << kMessageAvailable;
    QTest::newRow("no EOI at all") << 0 << false << QByteArray("*IDN?;") << char(0);
    QTest::newRow("EOI with the last byte")
        << 0 << true << QByteArray("*IDN?") << kMessageAvailable;
}

void GpibsimTraditionalTest::endOfStringMarksWrites() {
    QFETCH(int, mode);
    QFETCH(bool, eot);
    QFETCH(QByteArray, message);
    QFETCH(char, statusByte);
    ibeos(multimeter_, mode);
    ibeot(multimeter_, eot);
    write(multimeter_, message);
    QCOMPARE(ThreadIbcnt(), int(message.size()));
    QCOMPARE(poll(multimeter_), statusByte);
}

void GpibsimTraditionalTest::triggerTakesAReading_data() {
    QTest::addColumn<DeviceCall>("trigger");
    QTest::newRow("ibtrg") << DeviceCall([](int ud) { ibtrg(ud); });
    QTest::newRow("*TRG") << DeviceCall([](int ud) { write(ud, "*TRG\n"); });
    QTest::newRow("GET by ibcmd") << DeviceCall([](int) { command({UNL, MLA(4), GET}); });
}

// The generic instrument has nothing to do on a trigger.
void GpibsimTraditionalTest::triggerTakesAReading() {
    QFETCH(DeviceCall, trigger);
    trigger(multimeter_);
    QCOMPARE(ThreadIbsta() & ERR, 0);
    const QByteArray reading = read(multimeter_);
    QVERIFY2(kReading.match(QString::fromLatin1(reading)).hasMatch(), reading.constData());

    ibtrg(generic_);
    QCOMPARE(ThreadIbsta() & ERR, 0);
    QCOMPARE(poll(generic_), char(0));
}

void GpibsimTraditionalTest::onlineRestoresOpeningSettings() {
    ibpad(multimeter_, 7);
    ibtmo(multimeter_, T10s);
    ibeos(multimeter_, REOS | '\n');
    QCOMPARE(ibonl(multimeter_, 1) & ERR, 0);
    QCOMPARE(ask(multimeter_, IbaPAD), 4);
    QCOMPARE(ask(multimeter_, IbaTMO), int(T3s));
    QCOMPARE(ask(multimeter_, IbaEOSrd), 0);

    ibpad(kBoard, 3);
    ibonl(kBoard, 1);
    QCOMPARE(ask(kBoard, IbaPAD), 0);
}

void GpibsimTraditionalTest::asynchronousTransfersReportThroughWait() {
    QCOMPARE(ibwrta(multimeter_, "*IDN?\n", 6) & (ERR | CMPL), int(CMPL));
    std::array<char, 80> buffer{};
    QCOMPARE(ibrda(multimeter_, buffer.data(), buffer.size()) & (ERR | CMPL | END), CMPL | END);
    ask(multimeter_, IbaPAD);
    QCOMPARE(ibwait(multimeter_, CMPL) & (ERR | CMPL | END), CMPL | END);
    QCOMPARE(ThreadIbcnt(), int(kIdentity.size()));
    QCOMPARE(QByteArray(buffer.data(), ThreadIbcnt()), kIdentity);

    ibrda(multimeter_, buffer.data(), buffer.size());
    ibwait(multimeter_, 0);
    QCOMPARE(ThreadIbsta() & ERR, 0);
    QCOMPARE(ibwait(multimeter_, CMPL) & (ERR | CMPL), ERR | CMPL);
    QCOMPARE(ThreadIberr(), int(EABO));
}

void GpibsimTraditionalTest::linesShowTheBus() {
    constexpr int kReported = ValidIFC | ValidREN | ValidSRQ | ValidATN | ValidEOI;
    short lines = 0;
    ibsre(kBoard, 1);
    command({UNL});
    QCOMPARE(iblines(kBoard, &lines) & ERR, 0);
    QCOMPARE(lines & 0xFFFF, kReported | BusREN | BusATN);
    write(multimeter_, "*SRE 16;*IDN?\n");
    ibsre(kBoard, 0);
    iblines(kBoard, &lines);
    QCOMPARE(lines & 0xFFFF, kReported | BusSRQ);
}

void GpibsimTraditionalTest::everyCodeHasItsText() {
    QSet<QByteArray> texts;
    for (const int code : {EDVR, ECIC, ENOL, EADR, EARG, ESAC, EABO, ENEB, EDMA, EOIP, ECAP, EFSO,
                           EBUS, ESTB, ESRQ, ETAB})
        texts.insert(gpib_error_string(code));
    QCOMPARE(texts.size(), 16);
    QVERIFY(!texts.contains(gpib_error_string(9)));
    char *version = nullptr;
    ibvers(&version);
    QVERIFY(version != nullptr && *version != '\0');
    ibvers(nullptr);
}

// The globals take each call's values, whichever thread made it.
void GpibsimTraditionalTest::globalsFollowEveryCall() {
    write(multimeter_, "*IDN?\n");
    QVERIFY(globalsInStep());
    QCOMPARE(ibcnt, 6);
    std::thread other([] { ibrd(3, nullptr, 0); });
    other.join();
    QCOMPARE(ibsta & ERR, int(ERR));
    QCOMPARE(iberr, int(EARG));
    QCOMPARE(ThreadIbcnt(), 6);
    read(multimeter_);
    QVERIFY(globalsInStep());
    QCOMPARE(ibcntl, long(kIdentity.size()));
    Send(kBoard, 4, "*CLS", 4, NLend);
    QVERIFY(globalsInStep());
    QCOMPARE(ibcnt, 4);
}

QTEST_GUILESS_MAIN(GpibsimTraditionalTest)
#include "tst_gpibsimtraditional.moc"
