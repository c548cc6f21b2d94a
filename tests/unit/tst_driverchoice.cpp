// SPDX-License-Identifier: MIT
#include "gpib/driverbinding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Whether a linux-gpib board answers, as the row says.
bool boardAnswers = false;
bool askBoard() {
    return boardAnswers;
}

// The libraries a row's folder can hold, each a link to a built library.
enum class Library { None, LinuxGpib, Adapter, SimulatedBus };

QString builtFile(Library library) {
    switch (library) {
    case Library::LinuxGpib:
        return QStringLiteral(FAKE_LINUXGPIB_PATH);
    case Library::Adapter:
        return QStringLiteral(FAKE_ADAPTER_PATH);
    case Library::SimulatedBus:
        return QStringLiteral(GPIBSIM_PATH);
    case Library::None:
        break;
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Library)

// Which library the program's own list of candidates ends with, on a machine whose libraries
// sit in one folder: each candidate keeps its file name and its condition, and finds there
// what the row installed under that name.
class DriverChoiceTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void chosenLibrary_data();
    void chosenLibrary();
};

void DriverChoiceTest::init() {
    gpib::DriverBinding::instance().useBoardCheck(askBoard);
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
}

void DriverChoiceTest::cleanup() {
    qunsetenv("GPIBPLUS_PORT");
}

void DriverChoiceTest::chosenLibrary_data() {
    QTest::addColumn<Library>("asLinuxGpib"); // what libgpib.so.0 is, if there is one
    QTest::addColumn<bool>("board");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("chosen"); // the file name the binding loaded
    QTest::addColumn<QString>("line");   // what it says on stderr, "%1" for where the library is

    const QString port = QStringLiteral("/dev/ttyUSB0");
    const QString adapter =
        QStringLiteral("GPIB through the \"++\" adapter at ") + port + QStringLiteral(" (%1)");
    const QString simulated = QStringLiteral("no GPIB driver installed; the bus is simulated (%1)");
    const QString linuxGpib = QStringLiteral("libgpib.so.0");
    const QString adapterLibrary = QStringLiteral("libgpibplus.so");
    const QString simulatedBus = QStringLiteral("libgpibsim.so");

    QTest::newRow("board answers: linux-gpib, the adapter named or not")
        << Library::LinuxGpib << true << port << linuxGpib << QString();
    QTest::newRow("linux-gpib without a board, adapter named: the adapter")
        << Library::LinuxGpib << false << port << adapterLibrary << adapter;
    QTest::newRow("linux-gpib without a board, no adapter: linux-gpib, as before")
        << Library::LinuxGpib << false << QString() << linuxGpib << QString();
    QTest::newRow("no linux-gpib, adapter named: the adapter")
        << Library::None << false << port << adapterLibrary << adapter;
    QTest::newRow("a board's node without linux-gpib, adapter named: the adapter")
        << Library::None << true << port << adapterLibrary << adapter;
    QTest::newRow("nothing installed or named: the simulated bus")
        << Library::None << false << QString() << simulatedBus << simulated;
    QTest::newRow("gpibsim-run, adapter named: the simulated bus it put first")
        << Library::SimulatedBus << false << port << linuxGpib << simulated;
    QTest::newRow("gpibplus-run: the adapter it put first")
        << Library::Adapter << false << port << linuxGpib << adapter;
}

void DriverChoiceTest::chosenLibrary() {
    QFETCH(Library, asLinuxGpib);
    QFETCH(bool, board);
    QFETCH(QString, port);
    QFETCH(QString, chosen);
    QFETCH(QString, line);

    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const auto install = [&](Library library, const QString &name) {
        if (library != Library::None)
            QVERIFY(QFile::link(builtFile(library), folder.filePath(name)));
    };
    install(asLinuxGpib, QStringLiteral("libgpib.so.0"));
    install(Library::Adapter, QStringLiteral("libgpibplus.so"));
    install(Library::SimulatedBus, QStringLiteral("libgpibsim.so"));

    QStringList candidates;
    for (const QString &candidate : QStringLiteral(QUORIN_DRIVER_CANDIDATES).split(u','))
        candidates << folder.filePath(QFileInfo(candidate).fileName());
    boardAnswers = board;
    if (!port.isEmpty())
        qputenv("GPIBPLUS_PORT", port.toUtf8());

    gpib::DriverBinding &binding = gpib::DriverBinding::instance();
    binding.useLibraries(candidates);
    const QString place = folder.filePath(chosen);
    if (!line.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(line.arg(place)));
    QVERIFY(binding.entry(&gpib::EntryPoints::ibfind, "ibfind"));
    QCOMPARE(binding.loadedLibrary(), place);
    binding.useLibraries({});
}

QTEST_MAIN(DriverChoiceTest)
#include "tst_driverchoice.moc"
