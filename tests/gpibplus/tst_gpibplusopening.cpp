// SPDX-License-Identifier: MIT
// How the library finds and opens the adapter, seen by a program of its own (plusclient): the
// port named by GPIBPLUS_PORT or a configuration file, and each way the opening fails: ERR
// with EDVR, the errno (on Windows the system's or Winsock's error code) in the count, and one
// line on standard error naming the port and what went wrong. A forked child finds the port its
// parent holds busy. On Windows, the user's and the machine's files name the port, and loading
// the library starts nothing.
#include "linkfixture.h"

#include "gpibplus/port/serialport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// What a case sets up: the adapter, a port held by this process, the client's variables, and on
// Windows the folders that stand for the user's %APPDATA% and the machine's %ProgramData%.
struct Bench {
    std::unique_ptr<plustest::Adapter> adapter;
    std::unique_ptr<gpibplus::port::Port> held;
    std::unique_ptr<QTemporaryFile> configuration;
    QTemporaryDir folders;
    QByteArray place;
    QStringList environment; // NAME=VALUE; a NAME alone is removed
};
using Prepare = std::function<void(Bench &)>;

void serve(Bench &bench, adaptertest::Transport transport, const QStringList &options = {}) {
    bench.adapter = std::make_unique<plustest::Adapter>(
        QStringList{"--dialect", "ar488", adaptertest::servingOption(transport),
                    QStringLiteral("--time-scale=%1").arg(plustest::kTimeScale)} +
        options);
    bench.place = bench.adapter->nextPlace(adaptertest::announcement(transport));
}

// A configuration file with `text`, %1 standing for the adapter's place.
void configure(Bench &bench, const QByteArray &text) {
    bench.configuration = std::make_unique<QTemporaryFile>();
    if (!bench.configuration->open())
        return;
    bench.configuration->write(QByteArray(text).replace("%1", bench.place));
    bench.configuration->flush();
    bench.environment << "GPIBPLUS_CONF=" + bench.configuration->fileName();
}

// The configuration file in the folder that stands for %APPDATA% ("user") or %ProgramData%
// ("machine"), as the system names it.
QString folderFile(const Bench &bench, const QString &which) {
    return QDir::toNativeSeparators(
        bench.folders.filePath(which + "/Quorin Velmar Demo/gpibplus.conf"));
}

// The file the client reads when nothing else names the port.
QString defaultFile(const Bench &bench) {
#ifdef Q_OS_WIN
    return folderFile(bench, "machine");
#else
    Q_UNUSED(bench);
    return QStringLiteral("/nonexistent/gpibplus.conf");
#endif
}

#ifdef Q_OS_WIN
// The user's or the machine's file with `text`, %1 standing for the adapter's place.
void configureFolder(Bench &bench, const QString &which, const QByteArray &text) {
    const QString file = QDir::fromNativeSeparators(folderFile(bench, which));
    QFile written(file);
    if (QDir().mkpath(QFileInfo(file).path()) && written.open(QIODevice::WriteOnly))
        written.write(QByteArray(text).replace("%1", bench.place));
}
#endif

// `text` with %1 standing for the adapter's place, %2 for the configuration file, %u for the
// user's, %d for the file read when nothing names the port and %v for the library's version
// text.
QString filled(QString text, const Bench &bench) {
    const QString file = bench.configuration ? bench.configuration->fileName() : QString();
    return text.replace("%1", QString::fromLatin1(bench.place))
        .replace("%2", file)
        .replace("%u", folderFile(bench, "user"))
        .replace("%d", defaultFile(bench))
        .replace("%v", "gpibplus " GPIBPLUS_VERSION);
}

struct Ran {
    bool ended = false;
    QByteArray out;
    QByteArray err;
};

// The client ends within a generous bound, whatever the adapter does.
Ran runClient(const Bench &bench, const QStringList &arguments) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"GPIBPLUS_PORT", "GPIBPLUS_CONF", "GPIBPLUS_TRACE"})
        variables.remove(name);
#ifdef Q_OS_WIN
    variables.insert("APPDATA", QDir::toNativeSeparators(bench.folders.filePath("user")));
    variables.insert("ProgramData", QDir::toNativeSeparators(bench.folders.filePath("machine")));
#else
    variables.insert("GPIBPLUS_CONF", defaultFile(bench));
#endif
    for (const QString &variable : bench.environment)
        if (variable.contains('='))
            variables.insert(variable.section('=', 0, 0), variable.section('=', 1));
    QProcess client;
    client.setProcessEnvironment(variables);
    client.start(QStringLiteral(PLUSCLIENT_PATH), arguments);
    Ran ran;
    ran.ended = client.waitForFinished(30000);
    if (!ran.ended)
        client.kill();
    // Windows' C runtime writes text with CR LF line ends.
    ran.out = client.readAllStandardOutput().replace("\r\n", "\n");
    ran.err = client.readAllStandardError().replace("\r\n", "\n");
    return ran;
}

const QStringList kInterfaceClear = {"ifc"};

// A connection refused: its code, and how the line ends.
#ifdef Q_OS_WIN
const QString kRefused = QStringLiteral("10061"); // WSAECONNREFUSED
const QString kRefusedText =
    QStringLiteral("..."); // the system's words: Wine's and Windows' differ
#else
const QString kRefused = QStringLiteral("111"); // ECONNREFUSED
const QString kRefusedText = QStringLiteral("Connection refused\n");
#endif

} // namespace

Q_DECLARE_METATYPE(Prepare)

class TestGpibplusOpening : public QObject {
    Q_OBJECT

private slots:
    void opening_data() {
        using adaptertest::Transport;
        QTest::addColumn<Prepare>("prepare");
        QTest::addColumn<QStringList>("arguments");
        // What the client prints, and its standard error, as `filled` fills them.
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // ending "...": what the line starts with
        QTest::newRow("GPIBPLUS_PORT, a serial port") << Prepare([](Bench &b) {
            serve(b, Transport::Pty);
            b.environment << "GPIBPLUS_PORT=" + b.place;
        }) << kInterfaceClear << "port %1\n%v\ncall 0 0 0\n"
                                                      << "";
        QTest::newRow("GPIBPLUS_PORT, TCP") << Prepare([](Bench &b) {
            serve(b, Transport::Tcp);
            b.environment << "GPIBPLUS_PORT=" + b.place;
        }) << kInterfaceClear << "port %1\n%v\ncall 0 0 0\n"
                                            << "";
        QTest::newRow("the configuration file") << Prepare([](Bench &b) {
            serve(b, Transport::Pty);
            configure(b, "# the bench's adapter\nport = %1\nbaud = 115200\n");
        }) << kInterfaceClear << "port %1\n%v\ncall 0 0 0\n"
                                                << "";
        QTest::newRow("GPIBPLUS_PORT before the file") << Prepare([](Bench &b) {
            serve(b, Transport::Pty);
            configure(b, "port = /nonexistent/ttyUSB9\n");
            b.environment << "GPIBPLUS_PORT=" + b.place;
        }) << kInterfaceClear << "port %1\n%v\ncall 0 0 0\n"
                                                       << "";
        QTest::newRow("no port named")
            << Prepare([](Bench &) {}) << kInterfaceClear << "port none\n%v\ncall 1 0 0\n"
            << "gpibplus: no \"++\" adapter is named: set GPIBPLUS_PORT, or 'port =' in %d\n";
        // Said by the marker, which a program asks before it uses the library, and by the call.
        QTest::newRow("a configuration file at fault")
            << Prepare([](Bench &b) { configure(b, "\nspeed = 9600\n"); }) << kInterfaceClear
            << "port none\n%v\ncall 1 0 0\n"
            << "gpibplus: %2:2: unknown key 'speed'\ngpibplus: %2:2: unknown key 'speed'\n";
        QTest::newRow("nobody at the TCP port")
            << Prepare([](Bench &b) { b.environment << "GPIBPLUS_PORT=127.0.0.1:1"; })
            << kInterfaceClear << "port 127.0.0.1:1\n%v\ncall 1 0 " + kRefused + "\n"
            << "gpibplus: 127.0.0.1:1: cannot connect: " + kRefusedText;
        QTest::newRow("not an adapter") << Prepare([](Bench &b) {
            serve(b, Transport::Pty, {"--fault=garbage"});
            b.environment << "GPIBPLUS_PORT=" + b.place;
        }) << kInterfaceClear << "port %1\n%v\ncall 1 0 0\n"
                                        << "gpibplus: %1: what answers is not a \"++\" adapter...";
        QTest::newRow("silent")
            << Prepare([](Bench &b) {
                   serve(b, Transport::Tcp, {"--fault=silent"});
                   b.environment << "GPIBPLUS_PORT=" + b.place;
               })
            << kInterfaceClear << "port %1\n%v\ncall 1 0 0\n"
            << "gpibplus: %1: no answer to ++ver within 4 s: is a \"++\" adapter there, and "
               "powered?\n";
#ifdef Q_OS_WIN
        QTest::newRow("a COM port that does not exist")
            << Prepare([](Bench &b) { b.environment << "GPIBPLUS_PORT=COM99"; }) << kInterfaceClear
            << "port COM99\n%v\ncall 1 0 2\n"
            << "gpibplus: COM99: cannot open it: ...";
        QTest::newRow("the user's file") << Prepare([](Bench &b) {
            serve(b, Transport::Pty);
            configureFolder(b, "user", "port = %1\n");
        }) << kInterfaceClear << "port %1\n%v\ncall 0 0 0\n"
                                         << "";
        QTest::newRow("the machine's file") << Prepare([](Bench &b) {
            serve(b, Transport::Tcp);
            configureFolder(b, "machine", "port = %1\n");
        }) << kInterfaceClear << "port %1\n%v\ncall 0 0 0\n"
                                            << "";
        QTest::newRow("the user's file at fault, over the machine's")
            << Prepare([](Bench &b) {
                   configureFolder(b, "user", "port = COM3\nspeed = 9600\n");
                   configureFolder(b, "machine", "port = COM4\n");
               })
            << kInterfaceClear << "port none\n%v\ncall 1 0 0\n"
            << "gpibplus: %u:2: unknown key 'speed'\ngpibplus: %u:2: unknown key 'speed'\n";
        // Neither loading the library nor the calls that need no bus open the port or start
        // Winsock; the first call that needs a TCP adapter does.
        QTest::newRow("loading opens nothing") << Prepare([](Bench &b) {
            serve(b, Transport::Tcp);
            b.environment << "GPIBPLUS_PORT=" + b.place;
        }) << QStringList{"sockets", "ifc"}
                                               << "port %1\n%v\nsockets unstarted\n"
                                                  "call 0 0 0\nsockets started\n"
                                               << "";
#else
        QTest::newRow("missing")
            << Prepare([](Bench &b) { b.environment << "GPIBPLUS_PORT=/nonexistent/ttyUSB9"; })
            << kInterfaceClear << "port /nonexistent/ttyUSB9\n%v\ncall 1 0 2\n"
            << "gpibplus: /nonexistent/ttyUSB9: cannot open it: No such file or directory\n";
        QTest::newRow("busy")
            << Prepare([](Bench &b) {
                   serve(b, Transport::Pty);
                   b.held = gpibplus::port::openSerialPort(b.place.toStdString(), {}).port;
                   b.environment << "GPIBPLUS_PORT=" + b.place;
               })
            << kInterfaceClear << "port %1\n%v\ncall 1 0 16\n"
            << "gpibplus: %1: it is in use by another program: Device or resource busy\n";
        QTest::newRow("a forked child")
            << Prepare([](Bench &b) {
                   serve(b, Transport::Pty);
                   b.environment << "GPIBPLUS_PORT=" + b.place;
               })
            << QStringList{"ifc", "fork"} << "port %1\n%v\ncall 0 0 0\nchild 1 0 16\n"
            << "gpibplus: %1: it is in use by another program: Device or resource busy\n";
#endif
    }

    void opening() {
        QFETCH(Prepare, prepare);
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        QFETCH(QString, err);
        Bench bench;
        prepare(bench);
        const Ran ran = runClient(bench, arguments);
        QVERIFY(ran.ended);
        QCOMPARE(QString::fromLatin1(ran.out), filled(out, bench));
        const QString expectedErr = filled(err, bench);
        if (expectedErr.endsWith("...")) {
            QVERIFY2(ran.err.startsWith(expectedErr.chopped(3).toLatin1()), ran.err.constData());
            QCOMPARE(ran.err.count('\n'), 1);
        } else {
            QCOMPARE(QString::fromLatin1(ran.err), expectedErr);
        }
    }
};

QTEST_GUILESS_MAIN(TestGpibplusOpening)
#include "tst_gpibplusopening.moc"
