// SPDX-License-Identifier: MIT
#include "gpib/driverbinding.h"
#include "panel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

namespace {

// Copies of the fake driver the build puts beside this test's executable, which is also the
// folder the test runs in: one under the system driver's own name, one under a name that only
// it holds.
const QString kPlanted = QStringLiteral("gpib-32.dll");
const QString kBesideOnly = QStringLiteral("quorin-planted-gpib.dll");
// The simulated bus and the "++" adapters' library, which the build also puts beside this test's
// executable, and the list of drivers the program tries on Windows, as the build gives them to the
// binding.
const QString kSimulated = QStringLiteral("./gpibsim.dll");
const QString kAdapter = QStringLiteral("./gpibplus.dll");
const QStringList kProgramCandidates =
    QString::fromUtf8(QUORIN_DRIVER_CANDIDATES).split(QLatin1Char(','));

QString systemFolder() {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    return QDir::cleanPath(QString::fromWCharArray(path, int(length)));
}

QString besideProgram(const QString &name) {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') + name);
}

QString loadedFolder() {
    const QString file = gpib::DriverBinding::instance().loadedLibrary();
    return file.isEmpty() ? QString() : QFileInfo(QDir::fromNativeSeparators(file)).absolutePath();
}

// The fake driver's record of the calls it was given, one per line.
QStringList driverRecord() {
    const QString file = gpib::DriverBinding::instance().loadedLibrary();
    const HMODULE module = GetModuleHandleW(reinterpret_cast<const wchar_t *>(file.utf16()));
    const auto record = reinterpret_cast<const char *(__stdcall *)()>(
        reinterpret_cast<void *>(GetProcAddress(module, "FakeGpibRecord")));
    if (!record)
        return {QStringLiteral("no record: %1 is not the fake driver").arg(file)};
    return QString::fromLatin1(record()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

// The program on Windows beside the system's gpib-32.dll (here the fake of tests/windows,
// installed in the Wine prefix's system folder): which copy of the driver the binding loads,
// and Initialize and a query through the driver's stdcall entry points; then, where the system
// has no driver, the "++" adapters' library or the simulated bus, gpibsim.dll.
class TestSystemDriver : public QObject {
    Q_OBJECT
    QTemporaryDir configurationFolder;

private slots:
    void initTestCase();
    void bareNameLoadsFromTheSystemFolderOnly_data();
    void bareNameLoadsFromTheSystemFolderOnly();
    void initializeAndQueryReachTheDriver();
    void fallbacksWhereNoDriverIs_data();
    void fallbacksWhereNoDriverIs();
    void initializeAndQueryOnTheSimulatedBus();
};

void TestSystemDriver::initTestCase() {
    QVERIFY(configurationFolder.isValid());
    for (const char *variable : {"APPDATA", "ProgramData"})
        qputenv(variable, QDir::toNativeSeparators(configurationFolder.path()).toUtf8());
    QVERIFY2(QFile::exists(systemFolder() + QLatin1Char('/') + kPlanted),
             "the fake driver is not installed in the system folder");
    QVERIFY(QFile::exists(besideProgram(kPlanted)));
    QVERIFY(QFile::exists(besideProgram(kBesideOnly)));
    QCOMPARE(QDir::cleanPath(QDir::currentPath()), QCoreApplication::applicationDirPath());
}

void TestSystemDriver::bareNameLoadsFromTheSystemFolderOnly_data() {
    QTest::addColumn<QString>("candidate");
    QTest::addColumn<QString>("folder"); // empty: nothing loaded
    QTest::newRow("system driver, planted copy beside") << kPlanted << systemFolder();
    QTest::newRow("bare name found only beside the program") << kBesideOnly << QString();
    QTest::newRow("relative path to the copy beside")
        << QStringLiteral("./") + kBesideOnly << QCoreApplication::applicationDirPath();
}

void TestSystemDriver::bareNameLoadsFromTheSystemFolderOnly() {
    QFETCH(QString, candidate);
    QFETCH(QString, folder);
    gpib::DriverBinding &binding = gpib::DriverBinding::instance();
    binding.useLibraries({candidate});
    if (folder.isEmpty())
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("cannot load the GPIB driver")));
    else
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    gpib::RefreshStatus();
    QCOMPARE(loadedFolder().toLower(), folder.toLower());
}

void TestSystemDriver::initializeAndQueryReachTheDriver() {
    gpib::DriverBinding::instance().useLibraries({kPlanted});
    Window w;
    const Ui::Form1 &ui = *w.form.ui;
    w.click(ui.cmdInitialize);
    QCOMPARE(loadedFolder().toLower(), systemFolder().toLower());
    QVERIFY2(!w.errorShown(), qPrintable(ui.txtError->text()));
    QCOMPARE(w.results(), QStringLiteral("FindLstn: Found 1 device at address =  4 "));
    QCOMPARE(ui.txtAddr->text(), QStringLiteral("4"));

    w.type(ui.txtCmd, QStringLiteral("*IDN?"));
    w.click(ui.cmdSend);
    QVERIFY2(!w.errorShown(), qPrintable(ui.txtError->text()));
    QCOMPARE(w.results(), QStringLiteral("QUORIN,Fake GPIB-32,0,1.0"));
    w.click(ui.cmdSpoll);
    QCOMPARE(w.results(), QStringLiteral("Serial poll response for device 4 =  16"));

    const QStringList expected{
        "ibfindA(GPIB0)",
        "ibpad(0, 0)",
        "SendIFC(0)",
        "ibsre(0, 1)",
        "FindLstn(0, 1, 30 (30 addresses), 32)",
        "Send(0, 4, \"*IDN?\", 5, 1)",
        "Receive(0, 4, 80, 2)",
        "ReadStatusByte(0, 4)",
    };
    QCOMPARE(driverRecord(), expected);
}

// Without a driver in the system folder, the "++" adapters' library beside the program stands in
// when it names a port, and the simulated bus when none is named; the program says which. The
// configuration files are looked for in an empty folder, so only GPIBPLUS_PORT names a port.
void TestSystemDriver::fallbacksWhereNoDriverIs_data() {
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<QString>("port"); // empty: none named
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message"); // empty: none
    QStringList withoutDriver = kProgramCandidates;
    withoutDriver.replace(0, QStringLiteral("quorin-no-such-driver.dll"));
    const QString here = QCoreApplication::applicationDirPath();
    QTest::newRow("the system's driver first, whatever port is named")
        << kProgramCandidates << QStringLiteral("COM7") << systemFolder() << QString();
    QTest::newRow("no driver, a COM port named")
        << withoutDriver << QStringLiteral("COM7") << here
        << QStringLiteral("GPIB through the \"++\" adapter at COM7 (%1)")
               .arg(besideProgram(kAdapter));
    QTest::newRow("no driver, a TCP adapter named")
        << withoutDriver << QStringLiteral("192.0.2.7:1234") << here
        << QStringLiteral("GPIB through the \"++\" adapter at 192.0.2.7:1234 (%1)")
               .arg(besideProgram(kAdapter));
    QTest::newRow("no driver, no port named")
        << withoutDriver << QString() << here
        << QStringLiteral("no GPIB driver installed; the bus is simulated (%1)")
               .arg(besideProgram(kSimulated));
}

void TestSystemDriver::fallbacksWhereNoDriverIs() {
    QFETCH(QStringList, candidates);
    QFETCH(QString, port);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    if (port.isEmpty())
        qunsetenv("GPIBPLUS_PORT");
    else
        qputenv("GPIBPLUS_PORT", port.toUtf8());
    gpib::DriverBinding::instance().useLibraries(candidates);
    if (message.isEmpty())
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    else
        QTest::ignoreMessage(QtWarningMsg, qPrintable(message));
    gpib::RefreshStatus();
    QCOMPARE(loadedFolder().toLower(), folder.toLower());
    qunsetenv("GPIBPLUS_PORT");
}

// The window's session on gpibsim.dll, through gpib-32.dll's names and calling convention.
void TestSystemDriver::initializeAndQueryOnTheSimulatedBus() {
    gpib::DriverBinding::instance().useLibraries({kSimulated});
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("the bus is simulated")));
    Window w;
    const Ui::Form1 &ui = *w.form.ui;
    w.click(ui.cmdInitialize);
    QVERIFY2(!w.errorShown(), qPrintable(ui.txtError->text()));
    QCOMPARE(w.results(), QStringLiteral("FindLstn: Found 2 devices at addresses =  4  501 \r\n"
                                         "Multiple devices found! Enter correct device address "
                                         "and press SET button."));
    w.type(ui.txtCmd, QStringLiteral("*IDN?"));
    w.click(ui.cmdSend);
    QVERIFY2(!w.errorShown(), qPrintable(ui.txtError->text()));
    QCOMPARE(w.results(), QStringLiteral("QUORIN,Simulated Multimeter,SIM0004,1.0"));
    w.click(ui.cmdSpoll);
    QCOMPARE(w.results(), QStringLiteral("Serial poll response for device 4 =  0"));
}

QTEST_MAIN(TestSystemDriver)
#include "tst_systemdriver.moc"
