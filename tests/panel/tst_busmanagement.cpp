// SPDX-License-Identifier: MIT
#include "gpib/statusmirror.h"
#include "outcomes.h"
#include "panel.h"

#include <QTest>

class TestBusManagement : public QObject {
    Q_OBJECT

private slots:
    void success_data();
    void success();
    void failure_data();
    void failure();
};

void TestBusManagement::success_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("statusByte");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("line");
    QTest::newRow("IFC") << "cmdIFC" << 4 << 0 << "SendIFC(0)"
                         << "Interface Clear sent";
    QTest::newRow("device clear") << "cmdDevClr" << 4 << 0 << "DevClear(0, 4)"
                                  << "Selected Device Clear sent to device 4";
    QTest::newRow("serial poll 64") << "cmdSpoll" << 4 << 64 << "ReadStatusByte(0, 4)"
                                    << "Serial poll response for device 4 =  64";
    QTest::newRow("serial poll 0") << "cmdSpoll" << 4 << 0 << "ReadStatusByte(0, 4)"
                                   << "Serial poll response for device 4 =  0";
    QTest::newRow("serial poll, secondary") << "cmdSpoll" << 501 << 80 << "ReadStatusByte(0, 24837)"
                                            << "Serial poll response for device 501 =  80";
}

void TestBusManagement::success() {
    QFETCH(QString, button);
    QFETCH(int, device);
    QFETCH(int, statusByte);
    QFETCH(QString, call);
    QFETCH(QString, line);
    Panel p;
    if (device == 501) {
        operations::TargetAddr = 24837;
        p.form.bench.Device = 501;
    }
    Outcome answer;
    answer.statusByte = static_cast<short>(statusByte);
    p.driver.script(QStringLiteral("ReadStatusByte"), answer);
    p.form.ui->txtCmd->setText(QStringLiteral("typed"));
    auto *b = p.form.findChild<QPushButton *>(button);
    b->setEnabled(true);
    p.click(b);
    QCOMPARE(p.driver.calls, QStringList{call});
    QCOMPARE(p.results(), line);
    QCOMPARE(p.form.ui->txtCmd->text(), QString());
    QVERIFY(!p.errorShown());
    QVERIFY(p.beeps.isEmpty());
}

void TestBusManagement::failure_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("report");
    QTest::newRow("IFC") << "cmdIFC"
                         << "SendIFC"
                         << "SendIFC Error,  ibsta = &H8000 <  ERR  >, iberr =  5 ESAC <Not Sys "
                            "Ctrlr>, ibcnt =  0";
    QTest::newRow("device clear") << "cmdDevClr"
                                  << "DevClear"
                                  << "DevCLr Error,  ibsta = &H8000 <  ERR  >, iberr =  5 ESAC "
                                     "<Not Sys Ctrlr>, ibcnt =  0";
    QTest::newRow("serial poll") << "cmdSpoll"
                                 << "ReadStatusByte"
                                 << "SPoll Error,  ibsta = &H8000 <  ERR  >, iberr =  5 ESAC <Not "
                                    "Sys Ctrlr>, ibcnt =  0";
}

void TestBusManagement::failure() {
    QFETCH(QString, button);
    QFETCH(QString, entry);
    QFETCH(QString, report);
    Panel p;
    Outcome failed = failureWith(5);
    failed.statusByte = 99;
    p.driver.script(entry, failed);
    p.form.ui->txtCmd->setText(QStringLiteral("typed"));
    p.form.ui->txtResults->setText(QStringLiteral("earlier line"));
    auto *b = p.form.findChild<QPushButton *>(button);
    b->setEnabled(true);
    p.click(b);
    QVERIFY(p.errorShown());
    QCOMPARE(p.form.ui->txtError->text(), report);
    QCOMPARE(p.results(), QStringLiteral("earlier line"));
    QCOMPARE(p.form.ui->txtCmd->text(), QString());
}

QTEST_MAIN(TestBusManagement)
#include "tst_busmanagement.moc"
