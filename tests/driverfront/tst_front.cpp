// SPDX-License-Identifier: MIT
// The front over a link of the test's own, for what neither back end can be made to show at
// will: when the front tells the link that nothing is in use, and how a wait looks at a link
// that must be asked for a service request.
#include "driverfront/front/callstatus.h"
#include "driverfront/front/front.h"

#include <QTest>

#include <memory>
#include <optional>

using namespace driverfront;

namespace {

constexpr Addr4882_t kDevice = 4;

// A bus where every step succeeds. A look finds SRQ asserted from its `srqAfter`th on, and the
// device it looks for requesting service; or it fails with `lookFails`.
class FakeLink : public Link {
public:
    struct Counts {
        int releases = 0;
        int looks = 0;
    };

    FakeLink(std::optional<std::chrono::milliseconds> interval, int srqAfter,
             std::optional<int> lookFails, Counts &counts)
        : interval_(interval), srqAfter_(srqAfter), lookFails_(lookFails), counts_(counts) {}

    bool inCharge() const override { return inCharge_; }
    int boardStatus(Addr4882_t) const override { return inCharge_ ? CIC : 0; }
    int lines() const override { return 0; }
    bool requestsService(Addr4882_t address) const override {
        return requesting_ && address == kDevice;
    }
    Outcome interfaceClear() override {
        inCharge_ = true;
        return {};
    }
    Outcome goOffline() override {
        inCharge_ = false;
        return {};
    }
    Outcome setRemoteEnable(bool) override { return {}; }
    Outcome write(Addr4882_t, std::span<const Addr4882_t>, std::string_view bytes, bool,
                  const EndOfString &, Timeout) override {
        return {.count = static_cast<long>(bytes.size())};
    }
    Outcome read(Addr4882_t, std::optional<Addr4882_t>, std::span<char>, const EndOfString &,
                 Timeout) override {
        return {.bits = END};
    }
    Outcome unaddress() override { return {}; }
    Outcome command(std::span<const std::uint8_t>) override { return {}; }
    Outcome universalCommand(std::uint8_t) override { return {}; }
    Outcome addressedCommand(Addr4882_t, std::span<const Addr4882_t>, std::uint8_t) override {
        return {};
    }
    Polled serialPoll(Addr4882_t, Addr4882_t, Timeout) override { return {}; }
    Outcome beginListenerSearch(Addr4882_t) override { return {}; }
    Presence listens(Addr4882_t) override { return {}; }
    Presence listensOnSecondary(int) override { return {}; }
    std::optional<std::chrono::milliseconds> lookInterval() const override { return interval_; }
    Outcome look(std::optional<Addr4882_t> device) override {
        ++counts_.looks;
        if (lookFails_)
            return {.iberr = lookFails_};
        const bool asserted = srqAfter_ >= 0 && counts_.looks >= srqAfter_;
        requesting_ = asserted && device == kDevice;
        return {.bits = asserted ? SRQI : 0};
    }
    void callEnded() override {}
    void release() override { ++counts_.releases; }
    std::unique_ptr<Link> forChild() const override { return nullptr; }

private:
    std::optional<std::chrono::milliseconds> interval_;
    int srqAfter_;
    std::optional<int> lookFails_;
    Counts &counts_;
    bool inCharge_ = true;
    bool requesting_ = false;
};

} // namespace

class TestFront : public QObject {
    Q_OBJECT

private slots:
    void releasesWhenNothingIsInUse_data() {
        // Steps: o opens a device, d takes the device opened last off line, b takes the board
        // off line, B puts it back on line.
        QTest::addColumn<QByteArray>("steps");
        QTest::addColumn<int>("releases");
        QTest::newRow("a device off line, the board on line") << QByteArray("od") << 0;
        QTest::newRow("the board off line with a device open") << QByteArray("ob") << 0;
        QTest::newRow("then the device off line too") << QByteArray("obd") << 1;
        QTest::newRow("the board off line, nothing open") << QByteArray("b") << 1;
        QTest::newRow("two devices, the board off line, then each") << QByteArray("oobdd") << 1;
        QTest::newRow("the board back on line, a device off line") << QByteArray("bBod") << 1;
    }

    void releasesWhenNothingIsInUse() {
        QFETCH(QByteArray, steps);
        QFETCH(int, releases);
        FakeLink::Counts counts;
        Front front({}, std::make_unique<FakeLink>(std::nullopt, -1, std::nullopt, counts));
        std::vector<int> open;
        for (const char step : steps) {
            if (step == 'o') {
                open.push_back(front.openDevice(0, kDevice, 0, T1s, 1, 0));
            } else if (step == 'd') {
                front.setOnline(open.back(), 0);
                open.pop_back();
            } else {
                front.setOnline(Front::kBoard, step == 'B');
            }
            QCOMPARE(threadStatus().ibsta & ERR, 0);
        }
        QCOMPARE(counts.releases, releases);
    }

    void waitLooksForServiceRequests_data() {
        QTest::addColumn<bool>("device");
        QTest::addColumn<int>("mask");
        QTest::addColumn<bool>("looking");  // the link must be asked, every millisecond
        QTest::addColumn<int>("srqAfter");  // the look that finds SRQ; -1: none does
        QTest::addColumn<int>("lookFails"); // -1: every look succeeds
        QTest::addColumn<int>("ibsta");     // within mask | ERR
        QTest::addColumn<int>("looks");     // -1: more than one
        QTest::newRow("SRQI on the board, at the third look")
            << false << int(SRQI | TIMO) << true << 3 << -1 << int(SRQI) << 3;
        QTest::newRow("RQS on the device, at the third look")
            << true << int(RQS | TIMO) << true << 3 << -1 << int(RQS) << 3;
        QTest::newRow("SRQI never comes")
            << false << int(SRQI | TIMO) << true << -1 << -1 << int(TIMO) << -1;
        QTest::newRow("END alone needs no look")
            << true << int(END | TIMO) << true << 1 << -1 << int(TIMO) << 0;
        QTest::newRow("a link that reports every change is not asked")
            << false << int(SRQI | TIMO) << false << 1 << -1 << int(TIMO) << 0;
        QTest::newRow("a look that fails ends the wait")
            << true << int(RQS | TIMO) << true << -1 << int(EDVR) << int(ERR) << 1;
    }

    void waitLooksForServiceRequests() {
        QFETCH(bool, device);
        QFETCH(int, mask);
        QFETCH(bool, looking);
        QFETCH(int, srqAfter);
        QFETCH(int, lookFails);
        QFETCH(int, ibsta);
        QFETCH(int, looks);
        FakeLink::Counts counts;
        Front front({},
                    std::make_unique<FakeLink>(
                        looking ? std::optional(std::chrono::milliseconds(1)) : std::nullopt,
                        srqAfter, lookFails < 0 ? std::nullopt : std::optional(lookFails), counts));
        const int ud = device ? front.openDevice(0, kDevice, 0, T100ms, 1, 0) : Front::kBoard;
        front.configure(Entry::ibtmo, ud, IbcTMO, T100ms);
        QCOMPARE(front.wait(ud, mask) & (mask | ERR), ibsta);
        if (lookFails >= 0)
            QCOMPARE(threadStatus().iberr, lookFails);
        if (looks < 0)
            QVERIFY(counts.looks > 1);
        else
            QCOMPARE(counts.looks, looks);
    }
};

QTEST_GUILESS_MAIN(TestFront)
#include "tst_front.moc"
