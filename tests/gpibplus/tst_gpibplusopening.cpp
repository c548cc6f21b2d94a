// SPDX-License-Identifier: MIT
// How libgpibplus.so finds and opens the adapter, seen by a program of its own (plusclient): the
// port named by GPIBPLUS_PORT or the configuration file, and each way the opening fails: ERR
// with EDVR, the errno in the count, and one line on standard error naming the port and what
// went wrong. A forked child finds the port its parent holds busy.
#include "linkfixture.h"

#include "gpibplus/port/serialport.h"

#include <QProcess>
#include <QTemporaryFile>
#include <QTest>

#include <functional>
#include <memory>

using adaptertest::AdapterProcess;

namespace {

// What a case sets up: the adapter, a port held by this process, the client's variables.
struct Bench {
    std::unique_ptr<AdapterProcess> adapter;
    std::unique_ptr<gpibplus::port::Port> held;
    std::unique_ptr<QTemporaryFile> configuration;
    QByteArray place;
    QStringList environment; // NAME=VALUE; a NAME alone is removed
};
using Prepare = std::function<void(Bench &)>;

void serve(Bench &bench, adaptertest::Transport transport, const QStringList &options = {}) {
    bench.adapter = std::make_unique<AdapterProcess>(
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

// `text` with %1 standing for the adapter's place, %2 for the configuration file and %v for
// the library's version text.
QString filled(QString text, const Bench &bench) {
    const QString file = bench.configuration ? bench.configuration->fileName() : QString();
    return text.replace("%1", QString::fromLatin1(bench.place))
        .replace("%2", file)
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
    variables.insert("GPIBPLUS_CONF", "/nonexistent/gpibplus.conf");
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
    ran.out = client.readAllStandardOutput();
    ran.err = client.readAllStandardError();
    return ran;
}

const QStringList kInterfaceClear = {"ifc"};

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
            << "gpibplus: no \"++\" adapter is named: set GPIBPLUS_PORT, or 'port =' in "
               "/nonexistent/gpibplus.conf\n";
        QTest::newRow("a configuration file at fault")
            << Prepare([](Bench &b) { configure(b, "\nspeed = 9600\n"); }) << kInterfaceClear
            << "port none\n%v\ncall 1 0 0\n"
            << "gpibplus: %2:2: unknown key 'speed'\n";
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
        QTest::newRow("nobody at the TCP port")
            << Prepare([](Bench &b) { b.environment << "GPIBPLUS_PORT=127.0.0.1:1"; })
            << kInterfaceClear << "port 127.0.0.1:1\n%v\ncall 1 0 111\n"
            << "gpibplus: 127.0.0.1:1: cannot connect: Connection refused\n";
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
        QTest::newRow("a forked child")
            << Prepare([](Bench &b) {
                   serve(b, Transport::Pty);
                   b.environment << "GPIBPLUS_PORT=" + b.place;
               })
            << QStringList{"ifc", "fork"} << "port %1\n%v\ncall 0 0 0\nchild 1 0 16\n"
            << "gpibplus: %1: it is in use by another program: Device or resource busy\n";
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
