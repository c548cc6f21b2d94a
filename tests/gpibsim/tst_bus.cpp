// SPDX-License-Identifier: MIT
// The front over the simulated cable once closed, as it is when the library is unloaded while
// calls may still come: every call fails with EDVR, and a call waiting on it is woken.
#include "driverfront/front/front.h"
#include "gpibsim/bus/cablelink.h"

#include <QTest>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

using namespace driverfront;
using gpibsim::CableLink;
using gpibsim::defaultSetup;
using gpibsim::Trace;

using Call = std::function<int(Front &)>;
Q_DECLARE_METATYPE(Call)

class BusTest : public QObject {
    Q_OBJECT

private slots:
    void closedBusFailsEveryCall_data();
    void closedBusFailsEveryCall();
    void closingWakesAWait();

private:
    const Trace trace_;
};

void BusTest::closedBusFailsEveryCall_data() {
    QTest::addColumn<Call>("call");
    QTest::newRow("ibfind") << Call([](Front &bus) {
        bus.find("GPIB0");
        return threadStatus().ibsta;
    });
    QTest::newRow("ibwrt on the board")
        << Call([](Front &bus) { return bus.write(Entry::ibwrt, Front::kBoard, "x", 1); });
    QTest::newRow("ibrsp on a device") << Call([](Front &bus) {
        char status = 0;
        return bus.serialPoll(16, &status);
    });
    QTest::newRow("Send") << Call([](Front &bus) {
        const Addr4882_t multimeter[] = {4};
        bus.send(Entry::Send, Front::kBoard, multimeter, "*IDN?", 5, DABend);
        return threadStatus().ibsta;
    });
    QTest::newRow("FindLstn") << Call([](Front &bus) {
        const Addr4882_t pads[] = {4, NOADDR};
        Addr4882_t found[1] = {};
        bus.findListeners(Front::kBoard, pads, found, 1);
        return threadStatus().ibsta;
    });
}

void BusTest::closedBusFailsEveryCall() {
    QFETCH(Call, call);
    Front bus({}, std::make_unique<CableLink>(defaultSetup(), trace_));
    QCOMPARE(bus.openDevice(Front::kBoard, 4, NO_SAD, T3s, 1, 0), 16);
    bus.close();
    QVERIFY(bus.linkForChild() == nullptr);
    QCOMPARE(call(bus), ERR);
    QCOMPARE(threadStatus().iberr, EDVR);
}

// A wait for a service request that never comes lasts until the bus closes.
void BusTest::closingWakesAWait() {
    Front bus({}, std::make_unique<CableLink>(defaultSetup(), trace_));
    std::future<int> waited = std::async(std::launch::async, [&] {
        const int ibsta = bus.wait(Front::kBoard, SRQI);
        return threadStatus().iberr == EDVR ? ibsta : 0;
    });
    // Gives the wait time to begin; if closing did not wake it, the test would hang here.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    bus.close();
    QCOMPARE(waited.get(), ERR);
}

QTEST_GUILESS_MAIN(BusTest)
#include "tst_bus.moc"
