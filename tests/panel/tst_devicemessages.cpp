// SPDX-License-Identifier: MIT
#include "gpib/statusmirror.h"
#include "outcomes.h"
#include "panel.h"

#include <QTest>

namespace {

const QString kSendIdn = QStringLiteral("Send(0, 4, *IDN?, 5, 1)");
const QString kReceive = QStringLiteral("Receive(0, 4, 80, 2)");

// The buttons as Initialize leaves them.
void enable(Panel &p) {
    for (QPushButton *button :
         {p.form.ui->cmdSend, p.form.ui->cmdRead, p.form.ui->cmdCLS, p.form.ui->cmdRST})
        button->setEnabled(true);
    p.form.ui->ckAuto->setCheckState(Qt::Checked);
}

} // namespace

class TestDeviceMessages : public QObject {
    Q_OBJECT

private slots:
    void autoQuery_data();
    void autoQuery();
    void sendTakesTheLineAsTyped_data();
    void sendTakesTheLineAsTyped();
    void failedSendReadsNothing();
    void read_data();
    void read();
    void readResponseOver80BytesIsCut();
    void secondShorterReadCarriesNothingOver();
    void failedReadLeavesTheResultsBox();
    void autoQueryReadFailureIsReported();
    void commonCommands_data();
    void commonCommands();
    void commonCommandFailure();
    void messagesGoToTheTarget();
    void terminatorBoxesChangeNothing();
};

void TestDeviceMessages::autoQuery_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("autoQuery");
    QTest::addColumn<bool>("reads");
    QTest::newRow("query, on") << "*IDN?" << int(Qt::Checked) << true;
    QTest::newRow("query, off") << "*IDN?" << int(Qt::Unchecked) << false;
    QTest::newRow("query, greyed") << "*IDN?" << int(Qt::PartiallyChecked) << false;
    QTest::newRow("command, on") << "*RST" << int(Qt::Checked) << false;
    QTest::newRow("mark inside, on") << "MEAS?;*OPC" << int(Qt::Checked) << true;
}

void TestDeviceMessages::autoQuery() {
    QFETCH(QString, line);
    QFETCH(int, autoQuery);
    QFETCH(bool, reads);
    Panel p;
    enable(p);
    p.form.ui->ckAuto->setCheckState(Qt::CheckState(autoQuery));
    p.form.ui->txtResults->setText(QStringLiteral("old"));
    p.driver.script(QStringLiteral("Receive"), replyWith("QUORIN,Simulated,0,1.0\n"));
    p.type(p.form.ui->txtCmd, line);
    p.click(p.form.ui->cmdSend);

    QStringList expected{QStringLiteral("Send(0, 4, %1, %2, 1)").arg(line).arg(line.size())};
    if (reads)
        expected << kReceive;
    QCOMPARE(p.driver.calls, expected);
    QCOMPARE(p.results(), reads ? QStringLiteral("QUORIN,Simulated,0,1.0") : QString());
    QCOMPARE(p.form.ui->txtCmd->text(), line); // left for sending again
    QVERIFY(!p.errorShown());
}

void TestDeviceMessages::sendTakesTheLineAsTyped_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("blanks kept") << "  *RST  " << QByteArray("  *RST  ");
    QTest::newRow("latin-1") << QString::fromUtf8("VOLT 1\u00b5") << QByteArray("VOLT 1\xb5");
    QTest::newRow("outside latin-1") << QString::fromUtf8("\u03a9?") << QByteArray("??");
}

void TestDeviceMessages::sendTakesTheLineAsTyped() {
    QFETCH(QString, line);
    QFETCH(QByteArray, bytes);
    Panel p;
    enable(p);
    p.form.ui->ckAuto->setCheckState(Qt::Unchecked);
    p.form.ui->txtCmd->setText(line);
    p.click(p.form.ui->cmdSend);
    QCOMPARE(p.driver.lastSent, bytes);
    QVERIFY(p.driver.calls.first().endsWith(QStringLiteral(", %1, 1)").arg(bytes.size())));
}

void TestDeviceMessages::failedSendReadsNothing() {
    Panel p;
    enable(p);
    p.driver.script(QStringLiteral("Send"), failureWith(2, 0x8130));
    p.type(p.form.ui->txtCmd, QStringLiteral("*IDN?"));
    p.click(p.form.ui->cmdSend);
    QCOMPARE(p.driver.calls, QStringList{kSendIdn});
    QVERIFY(p.errorShown());
    QCOMPARE(p.form.ui->txtError->text(),
             QStringLiteral("Send error,  ibsta = &H8130 <  ERR CMPL CIC ATN  >, iberr =  2 ENOL "
                            "<No Listener>, ibcnt =  0"));
    QCOMPARE(p.form.ui->txtCmd->text(), QStringLiteral("*IDN?"));
    QCOMPARE(p.results(), QString());
    QVERIFY(p.beeps.isEmpty());
}

void TestDeviceMessages::read_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("shown");
    QTest::newRow("line feed") << QByteArray("1.234\n") << "1.234";
    QTest::newRow("CR LF") << QByteArray("1.234\r\n") << "1.234\r";
    QTest::newRow("two lines") << QByteArray("A\nB\n") << "A";
    QTest::newRow("two blanks") << QByteArray("ok  \n") << "ok  ";
    QTest::newRow("no line feed") << QByteArray("+1.0E+00") << "+1.0E+00";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("exactly 80") << QByteArray(80, 'z') << QString(80, QLatin1Char('z'));
    QTest::newRow("latin-1 bytes") << QByteArray("5 \xb5V\n") << QString::fromUtf8("5 \u00b5V");
}

void TestDeviceMessages::read() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, shown);
    Panel p;
    enable(p);
    p.form.ui->txtCmd->setText(QStringLiteral("kept"));
    p.driver.script(QStringLiteral("Receive"), replyWith(reply));
    p.click(p.form.ui->cmdRead);
    QCOMPARE(p.driver.calls, QStringList{kReceive});
    QCOMPARE(p.results(), shown);
    QCOMPARE(p.form.ui->txtCmd->text(), QStringLiteral("kept"));
    QVERIFY(!p.errorShown());
    QCOMPARE(p.form.bench.ReadBuf, QString(80, QLatin1Char(' ')));
}

void TestDeviceMessages::readResponseOver80BytesIsCut() {
    Panel p;
    enable(p);
    QByteArray longReply(100, 'a');
    longReply[90] = '\n';
    p.driver.script(QStringLiteral("Receive"), replyWith(longReply));
    p.click(p.form.ui->cmdRead);
    QCOMPARE(p.results(), QString(80, QLatin1Char('a')));
}

void TestDeviceMessages::secondShorterReadCarriesNothingOver() {
    Panel p;
    enable(p);
    p.driver.script(QStringLiteral("Receive"), replyWith("LONGER RESPONSE"));
    p.driver.script(QStringLiteral("Receive"), replyWith("OK"));
    p.click(p.form.ui->cmdRead);
    p.click(p.form.ui->cmdRead);
    QCOMPARE(p.results(), QStringLiteral("OK"));
}

void TestDeviceMessages::failedReadLeavesTheResultsBox() {
    Panel p;
    enable(p);
    p.form.ui->txtResults->setText(QStringLiteral("earlier"));
    p.driver.script(QStringLiteral("Receive"), failureWith(6, 0xC100));
    p.click(p.form.ui->cmdRead);
    QCOMPARE(p.results(), QStringLiteral("earlier"));
    QVERIFY(p.errorShown());
    QCOMPARE(p.form.ui->txtError->text(),
             QStringLiteral("Receive Error,  ibsta = &HC100 <  ERR TIMO CMPL  >, iberr =  6 EABO "
                            "<Operation aborted>, ibcnt =  0"));
}

void TestDeviceMessages::autoQueryReadFailureIsReported() {
    Panel p;
    enable(p);
    p.form.ui->txtError->setText(QStringLiteral("old report"));
    p.driver.script(QStringLiteral("Receive"), failureWith(6, 0xC100));
    p.type(p.form.ui->txtCmd, QStringLiteral("*IDN?"));
    p.click(p.form.ui->cmdSend);
    QCOMPARE(p.driver.calls, QStringList({kSendIdn, kReceive}));
    QVERIFY(p.errorShown());
    QVERIFY(p.form.ui->txtError->text().startsWith(QStringLiteral("Receive Error,")));
    QCOMPARE(p.results(), QString());
}

void TestDeviceMessages::commonCommands_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("line");
    QTest::newRow("*CLS") << "cmdCLS"
                          << "Send(0, 4, *CLS, 4, 1)"
                          << "*CLS sent to device 4";
    QTest::newRow("*RST") << "cmdRST"
                          << "Send(0, 4, *RST, 4, 1)"
                          << "*RST sent to device 4";
}

void TestDeviceMessages::commonCommands() {
    QFETCH(QString, button);
    QFETCH(QString, call);
    QFETCH(QString, line);
    Panel p;
    enable(p);
    p.form.ui->txtCmd->setText(QStringLiteral("typed"));
    p.click(p.form.findChild<QPushButton *>(button));
    QCOMPARE(p.driver.calls, QStringList{call});
    QCOMPARE(p.results(), line);
    QCOMPARE(p.form.ui->txtCmd->text(), QString());
    QVERIFY(!p.errorShown());
}

void TestDeviceMessages::commonCommandFailure() {
    Panel p;
    enable(p);
    p.form.ui->txtCmd->setText(QStringLiteral("typed"));
    p.form.ui->txtResults->setText(QStringLiteral("earlier"));
    p.driver.script(QStringLiteral("Send"), failureWith(1));
    p.click(p.form.ui->cmdRST);
    QCOMPARE(p.results(), QString());
    QCOMPARE(p.form.ui->txtCmd->text(), QString());
    QVERIFY(p.errorShown());
    QVERIFY(p.form.ui->txtError->text().startsWith(QStringLiteral("Send error,  ibsta = &H8000")));
}

void TestDeviceMessages::messagesGoToTheTarget() {
    Panel p;
    enable(p);
    p.form.ui->cmdSet->setEnabled(true);
    p.type(p.form.ui->txtAddr, QStringLiteral("501"));
    p.click(p.form.ui->cmdSet);
    p.driver.calls.clear();
    p.click(p.form.ui->cmdCLS);
    p.click(p.form.ui->cmdRead);
    QCOMPARE(p.driver.calls,
             QStringList({"Send(0, 24837, *CLS, 4, 1)", "Receive(0, 24837, 80, 2)"}));
    p.click(p.form.ui->cmdRST);
    QCOMPARE(p.results(), QStringLiteral("*RST sent to device 501"));
}

void TestDeviceMessages::terminatorBoxesChangeNothing() {
    Panel p;
    enable(p);
    p.click(p.form.ui->ckCR);
    p.click(p.form.ui->ckLF);
    QCOMPARE(p.form.ui->ckCR->checkState(), Qt::Checked);
    QCOMPARE(p.form.ui->ckLF->checkState(), Qt::Unchecked);
    p.type(p.form.ui->txtCmd, QStringLiteral("*RST"));
    p.click(p.form.ui->cmdSend);
    QCOMPARE(p.driver.lastSent, QByteArray("*RST"));
    QCOMPARE(p.driver.calls, QStringList{"Send(0, 4, *RST, 4, 1)"});
}

QTEST_MAIN(TestDeviceMessages)
#include "tst_devicemessages.moc"
