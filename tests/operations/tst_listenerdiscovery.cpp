// SPDX-License-Identifier: MIT
#include "fakeview.h"
#include "gpib/statusmirror.h"
#include "operations/listenerdiscovery.h"
#include "outcomes.h"
#include "status/statusreport.h"

#include <QTest>

#include <algorithm>

namespace {

using Box = operations::View::Box;

const QString kFindLstn = QStringLiteral("FindLstn(0, [1..30,-1], 32)");

// Listener discovery on the bench as start-up leaves it, with the fake driver and a plain view.
struct Discovery {
    Discovery() {
        gpib::ibsta = gpib::iberr = gpib::ibcnt = 0;
        gpib::ibcntl = 0;
        status::ErrMsg.clear();
        operations::startUp(bench);
        view.texts[Box::Address] = QStringLiteral("4");
    }
    void run() { operations::listenerDiscovery(view, bench); }

    FakeDriver driver;
    FakeView view;
    operations::BenchState bench;
};

} // namespace

class TestListenerDiscovery : public QObject {
    Q_OBJECT

private slots:
    void discoveryLists_data();
    void discoveryLists();
    void discoveryShowsTheWaitMessageDuringTheSearch();
    void noListenerAfterAnEarlierOne();
    void busErrorStillLists_data();
    void busErrorStillLists();
    void discoveryFailureKeepsTheLastFind();
    void implausibleCountEndsWithoutTouchingTheAddress_data();
    void implausibleCountEndsWithoutTouchingTheAddress();
    void discoveryNeverHidesTheErrorBox();
};

void TestListenerDiscovery::discoveryLists_data() {
    QTest::addColumn<std::vector<gpib::Addr4882>>("words");
    QTest::addColumn<QString>("results");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("founddev");
    QTest::addColumn<int>("foundaddr");

    QTest::newRow("one primary") << std::vector<gpib::Addr4882>{5}
                                 << "FindLstn: Found 1 device at address =  5 "
                                 << " 5" << 5 << 5;
    QTest::newRow("one secondary")
        << std::vector<gpib::Addr4882>{5 | 97 << 8} << "FindLstn: Found 1 device at address =  501 "
        << " 501" << 501 << 24837;
    QTest::newRow("primary 10 secondary 97") << std::vector<gpib::Addr4882>{10 | 97 << 8}
                                             << "FindLstn: Found 1 device at address =  1001 "
                                             << " 1001" << 1001 << 24842;
    QTest::newRow("primary 12 secondary 126")
        << std::vector<gpib::Addr4882>{32268} << "FindLstn: Found 1 device at address =  1230 "
        << " 1230" << 1230 << 32268;
    // The split starts above 24576, not at it.
    QTest::newRow("word 24576") << std::vector<gpib::Addr4882>{24576}
                                << "FindLstn: Found 1 device at address =  24576 "
                                << " 24576" << 24576 << 24576;
    QTest::newRow("several") << std::vector<gpib::Addr4882>{3, 7 | 96 << 8}
                             << "FindLstn: Found 2 devices at addresses =  3  700 \r\nMultiple "
                                "devices found! Enter correct device address and press SET "
                                "button."
                             << " 3" << 3 << 3;
    QTest::newRow("negative word") << std::vector<gpib::Addr4882>{0xFFFE, 4}
                                   << "FindLstn: Found 2 devices at addresses = -2  4 \r\nMultiple "
                                      "devices found! Enter correct device address and press SET "
                                      "button."
                                   << "-2" << -2 << -2;
}

void TestListenerDiscovery::discoveryLists() {
    QFETCH(std::vector<gpib::Addr4882>, words);
    QFETCH(QString, results);
    QFETCH(QString, address);
    QFETCH(int, founddev);
    QFETCH(int, foundaddr);
    Discovery p;
    p.view.texts[Box::Command] = QStringLiteral("*IDN?");
    p.driver.script(QStringLiteral("FindLstn"), listenersAt(words));
    p.run();

    QCOMPARE(p.driver.calls, QStringList{kFindLstn});
    QCOMPARE(p.view.results(), results);
    QCOMPARE(p.view.text(Box::Address), address);
    QCOMPARE(p.view.text(Box::Command), QString());
    const operations::BenchState &b = p.bench;
    QCOMPARE(b.founddev, int16_t(founddev));
    QCOMPARE(b.foundaddr, int16_t(foundaddr));
    QCOMPARE(operations::TargetAddr, int16_t(foundaddr));
    QCOMPARE(b.FoundFlg, int16_t(1));
    QCOMPARE(b.ResultList[words.size()], int16_t(-1));
    QVERIFY(p.view.beeps.isEmpty());
}

void TestListenerDiscovery::discoveryShowsTheWaitMessageDuringTheSearch() {
    Discovery p;
    QString during;
    p.driver.onCall = [&p, &during](const QString &) {
        during = p.view.results();
    };
    p.run();
    // Painted at once, since the search blocks the window.
    QCOMPARE(p.view.paints, QStringList{"FindLstn: Wait while looking for devices"});
    QCOMPARE(during, QStringLiteral("FindLstn: Wait while looking for devices"));
}

void TestListenerDiscovery::noListenerAfterAnEarlierOne() {
    Discovery p;
    p.driver.script(QStringLiteral("FindLstn"), listenersAt({5 | 97 << 8}));
    p.driver.script(QStringLiteral("FindLstn"), listenersAt({}));
    p.run();
    p.bench.ResultList[0] = 1234;
    p.run();

    QCOMPARE(p.view.results(), QStringLiteral("FindLstn: No devices found"));
    QCOMPARE(p.view.beeps,
             QStringList{"FindLstn: Wait while looking for devices"}); // before the text
    QCOMPARE(p.view.text(Box::Address), QStringLiteral(" 0"));
    const operations::BenchState &b = p.bench;
    QCOMPARE(b.FoundFlg, int16_t(0));
    QCOMPARE(b.founddev, int16_t(0));
    QCOMPARE(b.foundaddr, int16_t(24837));
    QCOMPARE(operations::TargetAddr, int16_t(24837));
    QCOMPARE(b.ResultList[0], int16_t(-1));
    // The split of the earlier secondary address stays in the bench fields.
    QCOMPARE(b.pad, int16_t(5));
    QCOMPARE(b.sad, int16_t(97));
    QCOMPARE(b.ppss, int16_t(501));
}

void TestListenerDiscovery::busErrorStillLists_data() {
    QTest::addColumn<std::vector<gpib::Addr4882>>("words");
    QTest::addColumn<QString>("results");
    QTest::addColumn<int>("beeps");
    QTest::newRow("none") << std::vector<gpib::Addr4882>{} << "FindLstn: No devices found" << 1;
    QTest::newRow("two") << std::vector<gpib::Addr4882>{4, 5 | 97 << 8}
                         << "FindLstn: Found 2 devices at addresses =  4  501 \r\nMultiple devices "
                            "found! Enter correct device address and press SET button."
                         << 0;
}

void TestListenerDiscovery::busErrorStillLists() {
    QFETCH(std::vector<gpib::Addr4882>, words);
    QFETCH(QString, results);
    QFETCH(int, beeps);
    Discovery p;
    p.view.errorShown = false;
    Outcome busError = listenersAt(words);
    busError.sta = 0x8000;
    busError.err = 14;
    p.driver.script(QStringLiteral("FindLstn"), busError);
    p.run();
    QCOMPARE(p.view.results(), results);
    QCOMPARE(p.view.beeps.size(), beeps);
    QVERIFY(!p.view.errorShown);
}

void TestListenerDiscovery::discoveryFailureKeepsTheLastFind() {
    Discovery p;
    p.driver.script(QStringLiteral("FindLstn"), listenersAt({5}));
    p.driver.script(QStringLiteral("FindLstn"), failureWith(20));
    p.run();
    p.bench.ResultList[1] = 77;
    p.view.texts[Box::Address] = QStringLiteral("9");
    operations::TargetAddr = 9;
    p.run();

    QVERIFY(p.view.errorShown);
    QCOMPARE(p.view.text(Box::Error),
             QStringLiteral("FindLstn error,  ibsta = &H8000 <  ERR  >, iberr =  20 ETAB <Table "
                            "Overflow>, ibcnt =  0"));
    QCOMPARE(p.view.results(), QStringLiteral("FindLstn: Wait while looking for devices"));
    QCOMPARE(p.view.text(Box::Address), QStringLiteral(" 5"));
    QCOMPARE(operations::TargetAddr, int16_t(5));
    QCOMPARE(p.bench.FoundFlg, int16_t(1));
    QCOMPARE(p.bench.ResultList[1], int16_t(77)); // no end mark written
    QVERIFY(p.view.beeps.isEmpty());
}

void TestListenerDiscovery::implausibleCountEndsWithoutTouchingTheAddress_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("40") << 40;
    QTest::newRow("33") << 33;
    QTest::newRow("-1") << -1;
    QTest::newRow("32767") << 32767;
}

void TestListenerDiscovery::implausibleCountEndsWithoutTouchingTheAddress() {
    QFETCH(int, count);
    Discovery p;
    Outcome nonsense;
    nonsense.cnt = count;
    p.driver.script(QStringLiteral("FindLstn"), nonsense);
    p.bench.ResultList.fill(3);
    p.run();

    QVERIFY(p.view.errorShown);
    QCOMPARE(p.view.text(Box::Error),
             QStringLiteral("ibcnt returned value > 63, check system and retry"));
    QCOMPARE(p.view.beeps.size(), 1);
    QCOMPARE(p.view.text(Box::Address), QStringLiteral("4"));
    QCOMPARE(operations::TargetAddr, int16_t(4));
    QCOMPARE(p.bench.FoundFlg, int16_t(0));
    QVERIFY(std::all_of(p.bench.ResultList.begin(), p.bench.ResultList.end(),
                        [](int16_t w) { return w == 3; }));
}

void TestListenerDiscovery::discoveryNeverHidesTheErrorBox() {
    Discovery p;
    p.view.texts[Box::Error] = QStringLiteral("earlier report");
    p.view.errorShown = true;
    p.driver.script(QStringLiteral("FindLstn"), listenersAt({4}));
    p.run();
    QVERIFY(p.view.errorShown);
    QCOMPARE(p.view.text(Box::Error), QStringLiteral("earlier report"));
}

QTEST_GUILESS_MAIN(TestListenerDiscovery)
#include "tst_listenerdiscovery.moc"
