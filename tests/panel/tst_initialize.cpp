#include "gpib/statusmirror.h"
#include "outcomes.h"
#include "panel.h"

#include <QTest>

namespace {

const QString kFindLstn = QStringLiteral("FindLstn(0, [1..30,-1], 32)");
const QStringList kTakeControl{"ibfind(GPIB0)", "ibpad(0, 0)", "SendIFC(0)", "ibsre(0, 1)"};

QList<QPushButton *> BusButtons(const Ui::Form1 &ui) {
    return {ui.cmdSpoll, ui.cmdDevClr, ui.cmdSet, ui.cmdRST,     ui.cmdCLS,
            ui.cmdSend,  ui.cmdRead,   ui.cmdIFC, ui.cmdFindLstn};
}

bool AllEnabled(const QList<QPushButton *> &buttons) {
    return std::all_of(
        buttons.begin(), buttons.end(), [](auto *b) { return b->isEnabled(); });
}

bool NoneEnabled(const QList<QPushButton *> &buttons) {
    return std::none_of(
        buttons.begin(), buttons.end(), [](auto *b) { return b->isEnabled(); });
}

} // namespace

class TestInitialize : public QObject {
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

    void initializeAdoptsTheFirstListener_data();
    void initializeAdoptsTheFirstListener();
    void initializeStopsAtTheFailingStep_data();
    void initializeStopsAtTheFailingStep();
    void initializeWithoutListenerStillEnablesEverything();
    void initializeTwiceRepeatsEverything();
    void initializeAfterAFailedDiscoveryKeepsTheLastFind();
};

void TestInitialize::discoveryLists_data() {
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

void TestInitialize::discoveryLists() {
    QFETCH(std::vector<gpib::Addr4882>, words);
    QFETCH(QString, results);
    QFETCH(QString, address);
    QFETCH(int, founddev);
    QFETCH(int, foundaddr);
    Panel p;
    p.form.ui.cmdFindLstn->setEnabled(true);
    p.form.ui.txtCmd->setText(QStringLiteral("*IDN?"));
    p.driver.script(QStringLiteral("FindLstn"), Listeners(words));
    p.click(p.form.ui.cmdFindLstn);

    QCOMPARE(p.driver.calls, QStringList{kFindLstn});
    QCOMPARE(p.results(), results);
    QCOMPARE(p.form.ui.txtAddr->text(), address);
    QCOMPARE(p.form.ui.txtCmd->text(), QString());
    const BenchState &b = p.form.bench;
    QCOMPARE(b.founddev, int16_t(founddev));
    QCOMPARE(b.foundaddr, int16_t(foundaddr));
    QCOMPARE(GPIB32::TargetAddr, int16_t(foundaddr));
    QCOMPARE(b.FoundFlg, int16_t(1));
    QCOMPARE(b.ResultList[words.size()], int16_t(-1));
    QVERIFY(p.beeps.isEmpty());
    QVERIFY(p.form.ui.cmdSet->isEnabled()); // the address box changed
}

void TestInitialize::discoveryShowsTheWaitMessageDuringTheSearch() {
    Panel p;
    QString during;
    p.driver.onCall = [&p, &during](const QString &) {
        during = p.results();
    };
    p.form.ui.cmdFindLstn->setEnabled(true);
    p.click(p.form.ui.cmdFindLstn);
    QCOMPARE(during, QStringLiteral("FindLstn: Wait while looking for devices"));
}

void TestInitialize::noListenerAfterAnEarlierOne() {
    Panel p;
    p.form.ui.cmdFindLstn->setEnabled(true);
    p.driver.script(QStringLiteral("FindLstn"), Listeners({5 | 97 << 8}));
    p.driver.script(QStringLiteral("FindLstn"), Listeners({}));
    p.click(p.form.ui.cmdFindLstn);
    p.form.bench.ResultList[0] = 1234;
    p.click(p.form.ui.cmdFindLstn);

    QCOMPARE(p.results(), QStringLiteral("FindLstn: No devices found"));
    QCOMPARE(p.beeps, QStringList{"FindLstn: Wait while looking for devices"}); // before the text
    QCOMPARE(p.form.ui.txtAddr->text(), QStringLiteral(" 0"));
    const BenchState &b = p.form.bench;
    QCOMPARE(b.FoundFlg, int16_t(0));
    QCOMPARE(b.founddev, int16_t(0));
    QCOMPARE(b.foundaddr, int16_t(24837));
    QCOMPARE(GPIB32::TargetAddr, int16_t(24837));
    QCOMPARE(b.ResultList[0], int16_t(-1));
    // The split of the earlier secondary address stays in the bench fields.
    QCOMPARE(b.pad, int16_t(5));
    QCOMPARE(b.sad, int16_t(97));
    QCOMPARE(b.ppss, int16_t(501));
}

void TestInitialize::busErrorStillLists_data() {
    QTest::addColumn<std::vector<gpib::Addr4882>>("words");
    QTest::addColumn<QString>("results");
    QTest::addColumn<int>("beeps");
    QTest::newRow("none") << std::vector<gpib::Addr4882>{} << "FindLstn: No devices found" << 1;
    QTest::newRow("two") << std::vector<gpib::Addr4882>{4, 5 | 97 << 8}
                         << "FindLstn: Found 2 devices at addresses =  4  501 \r\nMultiple devices "
                            "found! Enter correct device address and press SET button."
                         << 0;
}

void TestInitialize::busErrorStillLists() {
    QFETCH(std::vector<gpib::Addr4882>, words);
    QFETCH(QString, results);
    QFETCH(int, beeps);
    Panel p;
    p.form.ui.txtError->hide();
    p.form.ui.cmdFindLstn->setEnabled(true);
    Outcome busError = Listeners(words);
    busError.sta = 0x8000;
    busError.err = 14;
    p.driver.script(QStringLiteral("FindLstn"), busError);
    p.click(p.form.ui.cmdFindLstn);
    QCOMPARE(p.results(), results);
    QCOMPARE(p.beeps.size(), beeps);
    QVERIFY(!p.errorShown());
}

void TestInitialize::discoveryFailureKeepsTheLastFind() {
    Panel p;
    p.form.ui.cmdFindLstn->setEnabled(true);
    p.driver.script(QStringLiteral("FindLstn"), Listeners({5}));
    p.driver.script(QStringLiteral("FindLstn"), Failure(20));
    p.click(p.form.ui.cmdFindLstn);
    p.form.bench.ResultList[1] = 77;
    p.form.ui.txtAddr->setText(QStringLiteral("9"));
    GPIB32::TargetAddr = 9;
    p.click(p.form.ui.cmdFindLstn);

    QVERIFY(p.errorShown());
    QCOMPARE(p.form.ui.txtError->text(),
             QStringLiteral("FindLstn error,  ibsta = &H8000 <  ERR  >, iberr =  20 ETAB <Table "
                            "Overflow>, ibcnt =  0"));
    QCOMPARE(p.results(), QStringLiteral("FindLstn: Wait while looking for devices"));
    QCOMPARE(p.form.ui.txtAddr->text(), QStringLiteral(" 5"));
    QCOMPARE(GPIB32::TargetAddr, int16_t(5));
    QCOMPARE(p.form.bench.FoundFlg, int16_t(1));
    QCOMPARE(p.form.bench.ResultList[1], int16_t(77)); // no end mark written
    QVERIFY(p.beeps.isEmpty());
}

void TestInitialize::implausibleCountEndsWithoutTouchingTheAddress_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("40") << 40;
    QTest::newRow("33") << 33;
    QTest::newRow("-1") << -1;
    QTest::newRow("32767") << 32767;
}

void TestInitialize::implausibleCountEndsWithoutTouchingTheAddress() {
    QFETCH(int, count);
    Panel p;
    p.form.ui.cmdFindLstn->setEnabled(true);
    Outcome nonsense;
    nonsense.cnt = count;
    p.driver.script(QStringLiteral("FindLstn"), nonsense);
    p.form.bench.ResultList.fill(3);
    p.click(p.form.ui.cmdFindLstn);

    QVERIFY(p.errorShown());
    QCOMPARE(p.form.ui.txtError->text(),
             QStringLiteral("ibcnt returned value > 63, check system and retry"));
    QCOMPARE(p.beeps.size(), 1);
    QCOMPARE(p.form.ui.txtAddr->text(), QStringLiteral("4"));
    QCOMPARE(GPIB32::TargetAddr, int16_t(4));
    QCOMPARE(p.form.bench.FoundFlg, int16_t(0));
    QVERIFY(std::all_of(p.form.bench.ResultList.begin(), p.form.bench.ResultList.end(),
                        [](int16_t w) { return w == 3; }));
}

void TestInitialize::discoveryNeverHidesTheErrorBox() {
    Panel p;
    p.form.ui.cmdFindLstn->setEnabled(true);
    p.form.ui.txtError->setText(QStringLiteral("earlier report"));
    p.form.ui.txtError->show();
    p.driver.script(QStringLiteral("FindLstn"), Listeners({4}));
    p.click(p.form.ui.cmdFindLstn);
    QVERIFY(p.errorShown());
    QCOMPARE(p.form.ui.txtError->text(), QStringLiteral("earlier report"));
}

void TestInitialize::initializeAdoptsTheFirstListener_data() {
    QTest::addColumn<std::vector<gpib::Addr4882>>("words");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("target");
    QTest::newRow("primary 5") << std::vector<gpib::Addr4882>{5} << "5" << 5 << 5;
    QTest::newRow("primary 5 secondary 97")
        << std::vector<gpib::Addr4882>{5 | 97 << 8, 4} << "501" << 501 << 24837;
}

void TestInitialize::initializeAdoptsTheFirstListener() {
    QFETCH(std::vector<gpib::Addr4882>, words);
    QFETCH(QString, address);
    QFETCH(int, device);
    QFETCH(int, target);
    Panel p;
    p.driver.script(QStringLiteral("FindLstn"), Listeners(words));
    p.click(p.form.ui.cmdInitialize);

    QCOMPARE(p.driver.calls, kTakeControl + QStringList{kFindLstn});
    const BenchState &b = p.form.bench;
    QCOMPARE(b.bud, int16_t(0));
    QCOMPARE(b.vtmo, int16_t(12));
    QCOMPARE(b.Device, int16_t(device));
    QCOMPARE(p.form.ui.txtAddr->text(), address);
    QCOMPARE(GPIB32::TargetAddr, int16_t(target));
    QVERIFY(!p.errorShown());
    QVERIFY(AllEnabled(BusButtons(p.form.ui)));
    QVERIFY(p.form.ui.ckAuto->isEnabled());
    QCOMPARE(p.form.ui.ckAuto->checkState(), Qt::Checked);
}

void TestInitialize::initializeStopsAtTheFailingStep_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("calls");
    QTest::addColumn<QString>("report");
    QTest::newRow("ibfind")
        << "ibfind" << 1
        << "ibfind error,  ibsta = &H8000 <  ERR  >, iberr =  0 EDVR <Op System "
           "Error>, ibcnt =  0";
    QTest::newRow("ibpad") << "ibpad" << 2
                           << "ibpad error,  ibsta = &H8000 <  ERR  >, iberr =  0 EDVR <Op System "
                              "Error>, ibcnt =  0";
    QTest::newRow("SendIFC") << "SendIFC" << 3
                             << "SendIFC error,  ibsta = &H8000 <  ERR  >, iberr =  0 EDVR <Op "
                                "System Error>, ibcnt =  0";
    QTest::newRow("ibsre") << "ibsre" << 4
                           << "ibsre Error,  ibsta = &H8000 <  ERR  >, iberr =  0 EDVR <Op System "
                              "Error>, ibcnt =  0";
}

void TestInitialize::initializeStopsAtTheFailingStep() {
    QFETCH(QString, entry);
    QFETCH(int, calls);
    QFETCH(QString, report);
    Panel p;
    p.form.ui.txtError->setText(QStringLiteral("earlier report"));
    Outcome failure = Failure(0);
    if (entry == QLatin1String("ibfind"))
        failure.result = -1;
    p.driver.script(entry, failure);
    p.form.bench.Ctlraddr = 7;
    p.click(p.form.ui.cmdInitialize);

    QCOMPARE(p.driver.calls, kTakeControl.first(calls));
    QVERIFY(p.errorShown());
    QCOMPARE(p.form.ui.txtError->text(), report);
    const BenchState &b = p.form.bench;
    QCOMPARE(b.bud, int16_t(entry == QLatin1String("ibfind") ? -1 : 0));
    QCOMPARE(b.Ctlraddr, int16_t(entry == QLatin1String("ibfind") ? 7 : 0));
    QCOMPARE(b.vtmo, int16_t(0));
    QVERIFY(NoneEnabled(BusButtons(p.form.ui)));
    QCOMPARE(p.form.ui.ckAuto->checkState(), Qt::Unchecked);
    QCOMPARE(p.form.ui.txtAddr->text(), QStringLiteral("4"));
}

void TestInitialize::initializeWithoutListenerStillEnablesEverything() {
    Panel p;
    p.driver.script(QStringLiteral("FindLstn"), Listeners({}));
    p.click(p.form.ui.cmdInitialize);
    QCOMPARE(p.form.bench.Device, int16_t(4));
    QCOMPARE(p.form.ui.txtAddr->text(), QStringLiteral(" 0"));
    QCOMPARE(p.results(), QStringLiteral("FindLstn: No devices found"));
    QCOMPARE(p.beeps.size(), 1);
    QVERIFY(AllEnabled(BusButtons(p.form.ui)));
    QCOMPARE(p.form.ui.ckAuto->checkState(), Qt::Checked);
}

void TestInitialize::initializeTwiceRepeatsEverything() {
    Panel p;
    p.driver.script(QStringLiteral("FindLstn"), Listeners({4}));
    Outcome secondBoard;
    secondBoard.result = 3;
    p.driver.script(QStringLiteral("ibfind"), Outcome{});
    p.driver.script(QStringLiteral("ibfind"), secondBoard);
    p.driver.script(QStringLiteral("FindLstn"), Listeners({4}));
    p.click(p.form.ui.cmdInitialize);
    p.click(p.form.ui.ckAuto);
    QCOMPARE(p.form.ui.ckAuto->checkState(), Qt::Unchecked);
    p.click(p.form.ui.cmdInitialize);

    const QStringList secondRun{"ibfind(GPIB0)", "ibpad(3, 0)", "SendIFC(0)", "ibsre(3, 1)",
                                kFindLstn};
    QCOMPARE(p.driver.calls, kTakeControl + QStringList{kFindLstn} + secondRun);
    QCOMPARE(p.form.bench.bud, int16_t(3));
    QCOMPARE(p.form.ui.ckAuto->checkState(), Qt::Checked);
}

void TestInitialize::initializeAfterAFailedDiscoveryKeepsTheLastFind() {
    Panel p;
    p.driver.script(QStringLiteral("FindLstn"), Listeners({5 | 97 << 8}));
    p.driver.script(QStringLiteral("FindLstn"), Failure(2));
    p.click(p.form.ui.cmdInitialize);
    p.form.bench.Device = 7;
    p.click(p.form.ui.cmdInitialize);
    QVERIFY(p.errorShown());
    QVERIFY(p.form.ui.txtError->text().startsWith(QStringLiteral("FindLstn error,")));
    QCOMPARE(p.form.bench.Device, int16_t(501));
    QCOMPARE(p.form.ui.txtAddr->text(), QStringLiteral("501"));
}

QTEST_MAIN(TestInitialize)
#include "tst_initialize.moc"
