// SPDX-License-Identifier: MIT
#include "gpib/driverbinding.h"
#include "gpib/statusmirror.h"
#include "panel.h"

#include "gpib/wrappers.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

namespace {

// A copy of the simulated bus beside this test's executable, under a name no system path holds.
const QString kStray = QStringLiteral("libquorin-stray.so");

} // namespace

// The whole program on the simulated bus: the simulated bus is loaded from disk through
// the real binding, so loading, resolution by name and the calling convention all take part.
class SimulatedSessionTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void workedRequest();
    void setSecondaryAddressAfterInitialize();
    void readWithNothingPendingTimesOut();
    void driverCandidates_data();
    void driverCandidates();
};

void SimulatedSessionTest::initTestCase() {
    const QString stray = QCoreApplication::applicationDirPath() + QLatin1Char('/') + kStray;
    QFile::remove(stray);
    QVERIFY(QFile::link(QStringLiteral(GPIBSIM_PATH), stray));
}

void SimulatedSessionTest::init() {
    gpib::DriverBinding::instance().useLibraries({QStringLiteral(GPIBSIM_PATH)});
}

void SimulatedSessionTest::workedRequest() {
    Window w;
    const Ui::Form1 &ui = *w.form.ui;
    w.click(ui.cmdInitialize);
    QCOMPARE(gpib::DriverBinding::instance().loadedLibrary(), QStringLiteral(GPIBSIM_PATH));
    QCOMPARE(w.results(), QStringLiteral("FindLstn: Found 2 devices at addresses =  4  501 \r\n"
                                         "Multiple devices found! Enter correct device address "
                                         "and press SET button."));
    QCOMPARE(ui.txtAddr->text(), QStringLiteral("4"));
    QCOMPARE(operations::TargetAddr, int16_t(4));
    QVERIFY(!w.errorShown());

    w.type(ui.txtCmd, QStringLiteral("*IDN?"));
    w.click(ui.cmdSend);
    QVERIFY2(!w.errorShown(), qPrintable(ui.txtError->text()));
    const QStringList identity = w.results().split(QLatin1Char(','));
    QCOMPARE(identity.size(), 4);
    QVERIFY2(w.results().contains(QLatin1String("Simulated")), qPrintable(w.results()));

    w.click(ui.cmdSpoll);
    QCOMPARE(w.results(), QStringLiteral("Serial poll response for device 4 =  0"));
    w.click(ui.cmdRST);
    QCOMPARE(w.results(), QStringLiteral("*RST sent to device 4"));
    w.click(ui.cmdCLS);
    QCOMPARE(w.results(), QStringLiteral("*CLS sent to device 4"));
    w.click(ui.cmdDevClr);
    QCOMPARE(w.results(), QStringLiteral("Selected Device Clear sent to device 4"));
    w.click(ui.cmdIFC);
    QCOMPARE(w.results(), QStringLiteral("Interface Clear sent"));

    // A query without Auto Query leaves its reply waiting: the poll shows MAV (16).
    ui.ckAuto->setCheckState(Qt::Unchecked);
    w.type(ui.txtCmd, QStringLiteral("MEAS:VOLT:DC?"));
    w.click(ui.cmdSend);
    w.click(ui.cmdSpoll);
    QCOMPARE(w.results(), QStringLiteral("Serial poll response for device 4 =  16"));
    w.click(ui.cmdRead);
    QVERIFY2(w.results().toDouble() != 0.0, qPrintable(w.results()));
    QVERIFY(!w.errorShown());
}

void SimulatedSessionTest::setSecondaryAddressAfterInitialize() {
    Window w;
    const Ui::Form1 &ui = *w.form.ui;
    w.click(ui.cmdInitialize);
    w.type(ui.txtAddr, QStringLiteral(" 501"));
    w.click(ui.cmdSet);
    QCOMPARE(w.results(), QStringLiteral("Device Address =>  501"));
    QCOMPARE(operations::TargetAddr, int16_t(24837));
    QCOMPARE(w.form.bench.FoundFlg, int16_t(1));
    w.type(ui.txtCmd, QStringLiteral("*IDN?"));
    w.click(ui.cmdSend);
    QVERIFY2(w.results().contains(QLatin1String("Simulated")), qPrintable(w.results()));

    // Nobody listens at 9.
    w.type(ui.txtAddr, QStringLiteral("9"));
    w.click(ui.cmdSet);
    QCOMPARE(w.results(),
             QStringLiteral("Device not present at address  9.  Check device address and retry"));
    QCOMPARE(w.beeps.size(), 1);
    w.click(ui.cmdCLS);
    QVERIFY(w.errorShown());
    QVERIFY2(ui.txtError->text().startsWith(QStringLiteral("Send error,  ibsta = &H8")),
             qPrintable(ui.txtError->text()));
    QVERIFY(ui.txtError->text().contains(QLatin1String("ENOL <No Listener>")));
}

void SimulatedSessionTest::readWithNothingPendingTimesOut() {
    Window w;
    w.click(w.form.ui->cmdInitialize);
    w.form.ui->txtResults->setText(QStringLiteral("kept"));
    w.click(w.form.ui->cmdRead);
    QVERIFY(w.errorShown());
    const QString report = w.form.ui->txtError->text();
    QVERIFY2(report.startsWith(QStringLiteral("Receive Error,  ibsta = &H")), qPrintable(report));
    QVERIFY2(report.contains(QLatin1String("ERR TIMO")), qPrintable(report));
    QVERIFY2(report.contains(QLatin1String("iberr =  6 EABO <Operation aborted>")),
             qPrintable(report));
    QCOMPARE(w.results(), QStringLiteral("kept"));
}

void SimulatedSessionTest::driverCandidates_data() {
    const QString simulated = QStringLiteral("no GPIB driver installed; the bus is simulated (%1)");
    const QString besideExe = QCoreApplication::applicationDirPath() + QLatin1Char('/') + kStray;
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<QString>("warning");
    // A bare name is looked for only through the system's search, never beside the executable.
    QTest::newRow("bare name, then absolute path")
        << QStringList{kStray, QStringLiteral(GPIBSIM_PATH)} << QStringLiteral(GPIBSIM_PATH)
        << simulated.arg(QStringLiteral(GPIBSIM_PATH));
    QTest::newRow("relative path from the executable's folder")
        << QStringList{QStringLiteral("./") + kStray} << besideExe << simulated.arg(besideExe);
    QTest::newRow("nothing loads")
        << QStringList{kStray, QStringLiteral("/nonexistent/libgpib.so.0")} << QString()
        << QStringLiteral("cannot load the GPIB driver library (tried %1, "
                          "/nonexistent/libgpib.so.0)")
               .arg(kStray);
}

void SimulatedSessionTest::driverCandidates() {
    QFETCH(QStringList, candidates);
    QFETCH(QString, loaded);
    QFETCH(QString, warning);
    gpib::DriverBinding::instance().useLibraries(candidates);
    QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    gpib::ibfind(QStringLiteral("GPIB0"));
    QCOMPARE(gpib::DriverBinding::instance().loadedLibrary(), loaded);
    QCOMPARE(gpib::failed(), loaded.isEmpty());
}

QTEST_MAIN(SimulatedSessionTest)
#include "tst_simulatedsession.moc"
