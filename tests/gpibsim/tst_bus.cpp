// SPDX-License-Identifier: MIT
// The bus once closed, as it is when the library is unloaded while calls may still come: every
// call fails with EDVR, and a call waiting on it is woken.
#include "gpibsim/bus/bus.h"

#include <QTest>

#include <chrono>
#include <functional>
#include <future>
#include <thread>

using namespace gpibsim;

using Call = std::function<int(Bus &)>;
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
    QTest::newRow("ibfind") << Call([](Bus &bus) {
        bus.find("GPIB0");
        return threadStatus().ibsta;
    });
    QTest::newRow("ibwrt on the board")
        << Call([](Bus &bus) { return bus.write(Entry::ibwrt, Bus::kBoard, "x", 1); });
    QTest::newRow("ibrsp on a device") << Call([](Bus &bus) {
        char status = 0;
        return bus.serialPoll(16, &status);
    });
    QTest::newRow("Send") << Call([](Bus &bus) {
        bus.send(Bus::kBoard, 4, "*IDN?", 5, DABend);
        return threadStatus().ibsta;
    });
    QTest::newRow("FindLstn") << Call([](Bus &bus) {
        const Addr4882_t pads[] = {4, NOADDR};
        Addr4882_t found[1] = {};
        bus.findListeners(Bus::kBoard, pads, found, 1);
        return threadStatus().ibsta;
    });
}

void BusTest::closedBusFailsEveryCall() {
    QFETCH(Call, call);
    Bus bus(defaultSetup(), trace_);
    QCOMPARE(bus.openDevice(Bus::kBoard, 4, NO_SAD, T3s, 1, 0), 16);
    bus.close();
    QCOMPARE(bus.setup(), nullptr);
    QCOMPARE(call(bus), ERR);
    QCOMPARE(threadStatus().iberr, EDVR);
}

// A wait for a service request that never comes lasts until the bus closes.
void BusTest::closingWakesAWait() {
    Bus bus(defaultSetup(), trace_);
    std::future<int> waited = std::async(std::launch::async, [&] {
        const int ibsta = bus.wait(Bus::kBoard, SRQI);
        return threadStatus().iberr == EDVR ? ibsta : 0;
    });
    // Gives the wait time to begin; if closing did not wake it, the test would hang here.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    bus.close();
    QCOMPARE(waited.get(), ERR);
}

QTEST_GUILESS_MAIN(BusTest)
#include "tst_bus.moc"
