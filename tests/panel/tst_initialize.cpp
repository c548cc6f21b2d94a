// SPDX-License-Identifier: MIT
#include "gpib/statusmirror.h"
#include "outcomes.h"
#include "panel.h"

#include <QTest>

namespace {

const QString kFindLstn = QStringLiteral("FindLstn(0, [1..30,-1], 32)");
const QStringList kTakeControl{"ibfind(GPIB0)", "ibpad(0, 0)", "SendIFC(0)", "ibsre(0, 1)"};

QList<QPushButton *> busButtons(const Ui::Form1 &ui) {
    return {ui.cmdSpoll, ui.cmdDevClr, ui.cmdSet, ui.cmdRST,     ui.cmdCLS,
            ui.cmdSend,  ui.cmdRead,   ui.cmdIFC, ui.cmdFindLstn};
}

bool allEnabled(const QList<QPushButton *> &buttons) {
    return std::all_of(
        buttons.begin(), buttons.end(), [](auto *b) { return b->isEnabled(); });
}

bool noneEnabled(const QList<QPushButton *> &buttons) {
    return std::none_of(
        buttons.begin(), buttons.end(), [](auto *b) { return b->isEnabled(); });
}

} // namespace

class TestInitialize : public QObject {
    Q_OBJECT

private slots:
    void initializeAdoptsTheFirstListener_data();
    void initializeAdoptsTheFirstListener();
    void initializeStopsAtTheFailingStep_data();
    void initializeStopsAtTheFailingStep();
    void initializeWithoutListenerStillEnablesEverything();
    void initializeTwiceRepeatsEverything();
    void initializeAfterAFailedDiscoveryKeepsTheLastFind();
};

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
    p.driver.script(QStringLiteral("FindLstn"), listenersAt(words));
    p.click(p.form.ui->cmdInitialize);

    QCOMPARE(p.driver.calls, kTakeControl + QStringList{kFindLstn});
    const operations::BenchState &b = p.form.bench;
    QCOMPARE(b.bud, int16_t(0));
    QCOMPARE(b.vtmo, int16_t(12));
    QCOMPARE(b.Device, int16_t(device));
    QCOMPARE(p.form.ui->txtAddr->text(), address);
    QCOMPARE(operations::TargetAddr, int16_t(target));
    QVERIFY(!p.errorShown());
    QVERIFY(allEnabled(busButtons(*p.form.ui)));
    QVERIFY(p.form.ui->ckAuto->isEnabled());
    QCOMPARE(p.form.ui->ckAuto->checkState(), Qt::Checked);
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
    p.form.ui->txtError->setText(QStringLiteral("earlier report"));
    Outcome failure = failureWith(0);
    if (entry == QLatin1String("ibfind"))
        failure.result = -1;
    p.driver.script(entry, failure);
    p.form.bench.Ctlraddr = 7;
    p.click(p.form.ui->cmdInitialize);

    QCOMPARE(p.driver.calls, kTakeControl.first(calls));
    QVERIFY(p.errorShown());
    QCOMPARE(p.form.ui->txtError->text(), report);
    const operations::BenchState &b = p.form.bench;
    QCOMPARE(b.bud, int16_t(entry == QLatin1String("ibfind") ? -1 : 0));
    QCOMPARE(b.Ctlraddr, int16_t(entry == QLatin1String("ibfind") ? 7 : 0));
    QCOMPARE(b.vtmo, int16_t(0));
    QVERIFY(noneEnabled(busButtons(*p.form.ui)));
    QCOMPARE(p.form.ui->ckAuto->checkState(), Qt::Unchecked);
    QCOMPARE(p.form.ui->txtAddr->text(), QStringLiteral("4"));
}

void TestInitialize::initializeWithoutListenerStillEnablesEverything() {
    Panel p;
    p.driver.script(QStringLiteral("FindLstn"), listenersAt({}));
    p.click(p.form.ui->cmdInitialize);
    QCOMPARE(p.form.bench.Device, int16_t(4));
    QCOMPARE(p.form.ui->txtAddr->text(), QStringLiteral(" 0"));
    QCOMPARE(p.results(), QStringLiteral("FindLstn: No devices found"));
    QCOMPARE(p.beeps.size(), 1);
    QVERIFY(allEnabled(busButtons(*p.form.ui)));
    QCOMPARE(p.form.ui->ckAuto->checkState(), Qt::Checked);
}

void TestInitialize::initializeTwiceRepeatsEverything() {
    Panel p;
    p.driver.script(QStringLiteral("FindLstn"), listenersAt({4}));
    Outcome secondBoard;
    secondBoard.result = 3;
    p.driver.script(QStringLiteral("ibfind"), Outcome{});
    p.driver.script(QStringLiteral("ibfind"), secondBoard);
    p.driver.script(QStringLiteral("FindLstn"), listenersAt({4}));
    p.click(p.form.ui->cmdInitialize);
    p.click(p.form.ui->ckAuto);
    QCOMPARE(p.form.ui->ckAuto->checkState(), Qt::Unchecked);
    p.click(p.form.ui->cmdInitialize);

    const QStringList secondRun{"ibfind(GPIB0)", "ibpad(3, 0)", "SendIFC(0)", "ibsre(3, 1)",
                                kFindLstn};
    QCOMPARE(p.driver.calls, kTakeControl + QStringList{kFindLstn} + secondRun);
    QCOMPARE(p.form.bench.bud, int16_t(3));
    QCOMPARE(p.form.ui->ckAuto->checkState(), Qt::Checked);
}

void TestInitialize::initializeAfterAFailedDiscoveryKeepsTheLastFind() {
    Panel p;
    p.driver.script(QStringLiteral("FindLstn"), listenersAt({5 | 97 << 8}));
    p.driver.script(QStringLiteral("FindLstn"), failureWith(2));
    p.click(p.form.ui->cmdInitialize);
    p.form.bench.Device = 7;
    p.click(p.form.ui->cmdInitialize);
    QVERIFY(p.errorShown());
    QVERIFY(p.form.ui->txtError->text().startsWith(QStringLiteral("FindLstn error,")));
    QCOMPARE(p.form.bench.Device, int16_t(501));
    QCOMPARE(p.form.ui->txtAddr->text(), QStringLiteral("501"));
}

QTEST_MAIN(TestInitialize)
#include "tst_initialize.moc"
