// SPDX-License-Identifier: MIT
// gpibsim-adapter's command line and options, each shown to act on a process of its own: the
// usage errors and exit statuses, the lines it prints, the link to its pseudo-terminal, the
// stop signals, one client at a time, and a real adapter's limits and faults.
#include "adapterclient.h"
#include "adapterprocess.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

using namespace adaptertest;

namespace {

const QByteArray kVersionAnswer =
    "gpibsim-adapter " GPIBSIM_VERSION " (Prologix-compatible controller)\r\n";
const QByteArray kAr488VersionAnswer =
    "gpibsim-adapter " GPIBSIM_VERSION " (AR488-compatible controller, ver. 0.53.04)\r\n";
const QByteArray kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";
// The multimeter's identity, read as any "++" client reads a reply.
const QByteArray kIdentityQuery = "++addr 4\n++auto 0\n*IDN?\n++read eoi\n";

bool isOneLine(const QByteArray &text) {
    return text.endsWith('\n') && text.count('\n') == 1;
}

// A client of each place the adapter announced answers ++ver.
bool answersVersion(Transport transport, const QByteArray &place) {
    AdapterClient client(transport, place);
    return client.isOpen() && client.send("++ver\n") &&
           client.receive(kVersionAnswer.size()) == kVersionAnswer;
}

QByteArray linkTarget(const QString &path) {
    return QFile::symLinkTarget(path).toUtf8();
}

// What the simulated bus's trace holds once it shows `count` lines holding `text`, or all it
// holds when it does not in time.
QByteArray traceOnceItShows(const QString &path, const QByteArray &text, int count = 1) {
    QByteArray trace;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            QFile file(path);
            trace = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            return trace.count(text) >= count;
        },
        kPatienceMs));
    return trace;
}

// Sends `probe` to an AR488 adapter until it answers (an adapter resetting drops input), then makes
// sure every answer to it has come: what is next to arrive belongs to later lines.
QByteArray firstAnswer(AdapterClient &client, const QByteArray &probe) {
    QByteArray answer;
    const QDeadlineTimer patience(kPatienceMs);
    while (answer.isEmpty() && !patience.hasExpired()) {
        client.send(probe);
        answer = client.receiveThrough("\r\n", 100);
    }
    client.send("++ver\n");
    client.receiveThrough(kAr488VersionAnswer);
    return answer;
}

// A TCP port somebody else listens on.
class TakenPort {
public:
    TakenPort() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        auto *generic = reinterpret_cast<sockaddr *>(&address);
        if (bind(fd_, generic, size) == 0 && listen(fd_, 1) == 0 &&
            getsockname(fd_, generic, &size) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~TakenPort() { ::close(fd_); }
    int port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};

} // namespace

class AdapterTool : public QObject {
    Q_OBJECT

private slots:
    void usageErrors_data();
    void usageErrors();
    void helpAndVersion_data();
    void helpAndVersion();
    void announcements_data();
    void announcements();
    void defaultTcpPort();
    void linkReplacedAndRemoved_data();
    void linkReplacedAndRemoved();
    void linkRefused_data();
    void linkRefused();
    void portInUse();
    void noPseudoTerminal();
    void oneClientAtATime_data();
    void oneClientAtATime();
    void clientDropsMidLine_data();
    void clientDropsMidLine();
    void rawWithoutEcho();
    void resetOnOpen_data();
    void resetOnOpen();
    void inputBuffer_data();
    void inputBuffer();
    void faults_data();
    void faults();

private:
    QTemporaryDir folder_;
};

void AdapterTool::usageErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("message");
    const auto row = [](const char *name, QStringList arguments, QByteArray message) {
        QTest::newRow(name) << arguments << message;
    };
    row("unknown option", {"--verbose"}, "unknown option '--verbose'");
    row("an argument", {"prologix"}, "unexpected argument 'prologix'");
    row("no dialect", {"--dialect"}, "option '--dialect' needs a value");
    row("unknown dialect", {"--dialect", "gpib-usb"},
        "--dialect takes prologix|ar488, not 'gpib-usb'");
    row("empty link", {"--pty="}, "--pty= needs a path for the link");
    row("port too high", {"--tcp=65536"}, "--tcp takes [ADDRESS:]PORT, a port from 0 to 65535");
    row("port not a number", {"--tcp=localhost:http"}, "--tcp takes [ADDRESS:]PORT");
    row("no address", {"--tcp=:1234"}, "--tcp takes [ADDRESS:]PORT");
    row("no time scale", {"--time-scale"}, "option '--time-scale' needs a value");
    row("time scale 0", {"--time-scale=0"}, "--time-scale takes a number above 0");
    row("time scale not a number", {"--time-scale=fast"}, "--time-scale takes a number");
    row("negative reset", {"--reset-on-open=-5"}, "--reset-on-open takes a whole number from 1");
    row("input buffer 0", {"--input-buffer=0"}, "--input-buffer takes a whole number from 1");
    row("unknown fault", {"--fault=slow"}, "--fault takes silent|garbage|drop|dribble, not 'slow'");
    row("help with a value", {"--help=all"}, "unknown option '--help=all'");
}

void AdapterTool::usageErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, message);
    const Finished run = runToEnd(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.startsWith("gpibsim-adapter: " + message), run.err.constData());
    QVERIFY2(isOneLine(run.err), run.err.constData());
    QCOMPARE(run.out, QByteArray());
}

void AdapterTool::helpAndVersion_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("help") << "--help" << QByteArray("usage: gpibsim-adapter [--dialect");
    QTest::newRow("version") << "--version" << QByteArray("gpibsim-adapter " GPIBSIM_VERSION "\n");
}

void AdapterTool::helpAndVersion() {
    QFETCH(QString, option);
    QFETCH(QByteArray, start);
    const Finished run = runToEnd({option});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.startsWith(start), run.out.constData());
    QCOMPARE(run.err, QByteArray());
}

void AdapterTool::announcements_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QList<Transport>>("transports");
    QTest::newRow("neither: a pty") << QStringList{} << QList{Transport::Pty};
    QTest::newRow("pty") << QStringList{"--pty"} << QList{Transport::Pty};
    QTest::newRow("free port") << QStringList{"--tcp=0"} << QList{Transport::Tcp};
    QTest::newRow("address and free port")
        << QStringList{"--tcp=127.0.0.1:0"} << QList{Transport::Tcp};
    QTest::newRow("both") << QStringList{"--tcp=0", "--pty"}
                          << QList{Transport::Pty, Transport::Tcp};
}

void AdapterTool::announcements() {
    QFETCH(QStringList, arguments);
    QFETCH(QList<Transport>, transports);
    AdapterProcess adapter(arguments);
    for (const Transport transport : transports) {
        const QByteArray place = adapter.nextPlace(announcement(transport));
        if (transport == Transport::Pty) {
            QVERIFY2(place.startsWith("/dev/pts/"), place.constData());
        } else {
            QVERIFY2(place.startsWith("127.0.0.1:"), place.constData());
            QVERIFY(place.mid(10).toInt() > 0);
        }
        QVERIFY(answersVersion(transport, place));
    }
    QCOMPARE(adapter.stop(), 0);
    QCOMPARE(adapter.standardError(), QByteArray());
}

void AdapterTool::defaultTcpPort() {
    AdapterProcess adapter({"--tcp"});
    const QByteArray place = adapter.nextPlace("tcp");
    if (place.isEmpty() && adapter.exitStatus() == 1)
        QSKIP("port 1234 is taken on this machine");
    QCOMPARE(place, QByteArray("127.0.0.1:1234"));
    QVERIFY(answersVersion(Transport::Tcp, place));
}

void AdapterTool::linkReplacedAndRemoved_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void AdapterTool::linkReplacedAndRemoved() {
    QFETCH(int, signal);
    const QString link = folder_.filePath("ttyGPIB");
    QVERIFY(QFile::link("/dev/null", link));
    AdapterProcess adapter({"--pty=" + link, "--tcp=0"});
    const QByteArray place = adapter.nextPlace("pty");
    QCOMPARE(linkTarget(link), place);
    QVERIFY(answersVersion(Transport::Pty, link.toUtf8()));
    QCOMPARE(adapter.stop(signal), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void AdapterTool::linkRefused_data() {
    QTest::addColumn<bool>("folder");
    QTest::newRow("file") << false;
    QTest::newRow("folder") << true;
}

void AdapterTool::linkRefused() {
    QFETCH(bool, folder);
    const QString link = folder_.filePath(folder ? "folder" : "file");
    if (folder) {
        QVERIFY(QDir().mkpath(link));
    } else {
        QFile file(link);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kept");
    }
    const Finished run = runToEnd({"--pty=" + link});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.startsWith("gpibsim-adapter: " + link.toUtf8() + ": is not a symbolic link"),
             run.err.constData());
    QVERIFY(isOneLine(run.err));
    QCOMPARE(run.out, QByteArray());
    if (folder) {
        QVERIFY(QFileInfo(link).isDir());
    } else {
        QFile file(link);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("kept"));
    }
}

// The port is refused after the pty is made: its link goes too.
void AdapterTool::portInUse() {
    const TakenPort taken;
    QVERIFY(taken.port() > 0);
    const QString link = folder_.filePath("ttyRefused");
    const QByteArray where = "127.0.0.1:" + QByteArray::number(taken.port());
    const Finished run = runToEnd({"--pty=" + link, "--tcp=" + where});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, "gpibsim-adapter: cannot listen on " + where + ": Address already in use\n");
    QVERIFY(!QFileInfo(link).isSymLink());
}

// Room for three new file descriptors: the stop signals' and two that the sanitizers take for a
// moment, but not the three a pseudo-terminal takes (master, slave and watch). The descriptors
// a process inherits (CTest leaves it one) keep their places.
void AdapterTool::noPseudoTerminal() {
    const Finished run = runToEnd({"--pty"}, [] {
        rlim_t limit = 0;
        for (int room = 0; room < 3; ++limit) {
            const int flags = fcntl(static_cast<int>(limit), F_GETFD);
            room += flags < 0 || (flags & FD_CLOEXEC) != 0;
        }
        const rlimit few{limit, limit};
        setrlimit(RLIMIT_NOFILE, &few);
    });
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.startsWith("gpibsim-adapter: no pseudo-terminal: "), run.err.constData());
    QVERIFY(isOneLine(run.err));
    QCOMPARE(run.out, QByteArray());
}

// The second client's line waits until the first leaves, and is then carried out by the one
// adapter, with the address the first set.
void AdapterTool::oneClientAtATime_data() {
    QTest::addColumn<Transport>("first");
    QTest::addColumn<Transport>("second");
    QTest::newRow("TCP, then TCP") << Transport::Tcp << Transport::Tcp;
    QTest::newRow("pty, then TCP") << Transport::Pty << Transport::Tcp;
    QTest::newRow("TCP, then pty") << Transport::Tcp << Transport::Pty;
}

void AdapterTool::oneClientAtATime() {
    QFETCH(Transport, first);
    QFETCH(Transport, second);
    AdapterProcess adapter({"--pty", "--tcp=0"});
    const QByteArray pty = adapter.nextPlace("pty");
    const QByteArray tcp = adapter.nextPlace("tcp");
    const auto placeOf = [&](Transport transport) {
        return transport == Transport::Pty ? pty : tcp;
    };
    AdapterClient holder(first, placeOf(first));
    QVERIFY(holder.send("++ver\n"));
    QCOMPARE(holder.receive(kVersionAnswer.size()), kVersionAnswer);
    AdapterClient waiting(second, placeOf(second));
    QVERIFY(waiting.isOpen());
    QVERIFY(waiting.send("++addr\n"));
    QVERIFY(holder.send("++addr 9\n++addr\n"));
    QCOMPARE(holder.receive(3), QByteArray("9\r\n"));
    QVERIFY(!waiting.hasWaiting());
    holder.close();
    QCOMPARE(waiting.receive(3), QByteArray("9\r\n"));
}

// A TCP client that goes halfway through a line leaves nothing of it behind: neither the
// adapter's state nor the bus changes.
void AdapterTool::clientDropsMidLine_data() {
    QTest::addColumn<QByteArray>("unfinished");
    QTest::newRow("command") << QByteArray("++addr 9");
    QTest::newRow("data") << QByteArray("*IDN?");
    QTest::newRow("escaped line end") << QByteArray("*IDN?\x1b\n");
}

void AdapterTool::clientDropsMidLine() {
    QFETCH(QByteArray, unfinished);
    const QString trace = folder_.filePath("dropped.log");
    QFile::remove(trace);
    AdapterProcess adapter({"--tcp=0"}, {"GPIBSIM_TRACE=" + trace});
    const QByteArray place = adapter.nextPlace("tcp");
    {
        AdapterClient leaving(Transport::Tcp, place);
        QVERIFY(leaving.send("++addr 4\n" + unfinished));
    }
    AdapterClient next(Transport::Tcp, place);
    QVERIFY(next.send("++addr\n"));
    QCOMPARE(next.receive(3), QByteArray("4\r\n"));
    QVERIFY(next.send(kIdentityQuery));
    QCOMPARE(next.receive(kIdentity.size()), kIdentity);
    // The identity query is the only data that crossed the bus.
    const QByteArray bus = traceOnceItShows(trace, "4 -> 0:");
    QCOMPARE(bus.count("0 -> 4:"), 1);
    QVERIFY2(bus.contains("0 -> 4: \"*IDN?\\r\\n\""), bus.constData());
}

// A client that turns echo and line editing on still gets the adapter's replies as they are,
// and nothing of them goes back into the adapter.
void AdapterTool::rawWithoutEcho() {
    const QString trace = folder_.filePath("echo.log");
    QFile::remove(trace);
    AdapterProcess adapter({"--pty"}, {"GPIBSIM_TRACE=" + trace});
    AdapterClient client(Transport::Pty, adapter.nextPlace("pty"));
    // Set once the adapter has seen the client come, as a client sets it after opening a port.
    QVERIFY(client.send("++addr 4\n++addr\n"));
    QCOMPARE(client.receive(3), QByteArray("4\r\n"));
    termios cooked;
    QCOMPARE(tcgetattr(client.fd(), &cooked), 0);
    cooked.c_lflag |= ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN;
    cooked.c_iflag |= ICRNL | IXON;
    cooked.c_oflag |= OPOST | ONLCR;
    QCOMPARE(tcsetattr(client.fd(), TCSANOW, &cooked), 0);
    QVERIFY(client.send("++addr\n"));
    QCOMPARE(client.receive(3), QByteArray("4\r\n"));
    QVERIFY(client.send(kIdentityQuery));
    QCOMPARE(client.receive(kIdentity.size()), kIdentity);
    termios now;
    QCOMPARE(tcgetattr(client.fd(), &now), 0);
    QCOMPARE(now.c_lflag & (ECHO | ICANON), tcflag_t(0));
    // Echoed, "4\r\n" would have gone to the multimeter as data before the query.
    const QByteArray bus = traceOnceItShows(trace, "4 -> 0:");
    QCOMPARE(bus.count("0 -> 4:"), 1);
}

// A client that comes resets the adapter, as an Uno is reset when its port is opened: what the
// client sends at once is lost, and the address the client before it set is forgotten (AR488
// saves no setting by itself). Without the option both stay.
void AdapterTool::resetOnOpen_data() {
    QTest::addColumn<Transport>("transport");
    QTest::addColumn<bool>("reset");
    QTest::newRow("pty") << Transport::Pty << true;
    QTest::newRow("TCP") << Transport::Tcp << true;
    QTest::newRow("pty, no reset") << Transport::Pty << false;
    QTest::newRow("TCP, no reset") << Transport::Tcp << false;
}

void AdapterTool::resetOnOpen() {
    QFETCH(Transport, transport);
    QFETCH(bool, reset);
    QStringList arguments{servingOption(transport), "--dialect=ar488"};
    if (reset)
        arguments << "--reset-on-open=2000";
    AdapterProcess adapter(arguments);
    const QByteArray place = adapter.nextPlace(announcement(transport));
    {
        AdapterClient first(transport, place);
        QVERIFY(first.send("++addr 7\n"));
        QCOMPARE(firstAnswer(first, "++addr\n"), QByteArray(reset ? "1\r\n" : "7\r\n"));
        QVERIFY(first.send("++addr 9\n++addr\n"));
        QCOMPARE(first.receive(3), QByteArray("9\r\n"));
    }
    AdapterClient second(transport, place);
    QCOMPARE(firstAnswer(second, "++addr\n"), QByteArray(reset ? "1\r\n" : "9\r\n"));
}

// Fourteen queries of 7 bytes sent behind ++mode 1 in one go: with a buffer of 56 bytes, the
// eight that fit are answered and the rest are lost.
void AdapterTool::inputBuffer_data() {
    QTest::addColumn<Transport>("transport");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<int>("answers");
    QTest::newRow("pty, 56 bytes") << Transport::Pty << "--input-buffer=56" << 8;
    QTest::newRow("TCP, 56 bytes") << Transport::Tcp << "--input-buffer=56" << 8;
    QTest::newRow("pty, unlimited") << Transport::Pty << "" << 14;
    QTest::newRow("TCP, unlimited") << Transport::Tcp << "" << 14;
}

void AdapterTool::inputBuffer() {
    QFETCH(Transport, transport);
    QFETCH(QString, limit);
    QFETCH(int, answers);
    QStringList arguments{servingOption(transport), "--dialect=ar488", "--time-scale=10"};
    if (!limit.isEmpty())
        arguments << limit;
    AdapterProcess adapter(arguments);
    AdapterClient client(transport, adapter.nextPlace(announcement(transport)));
    QVERIFY(client.send("++mode 1\n" + QByteArray("++addr\n").repeated(14)));
    QCOMPARE(client.receive(3 * answers), QByteArray("1\r\n").repeated(answers));
    // Nothing more: the next answer is to the next query.
    QVERIFY(client.send("++addr 12\n++addr\n"));
    QCOMPARE(client.receive(4), QByteArray("12\r\n"));
}

void AdapterTool::faults_data() {
    QTest::addColumn<Transport>("transport");
    QTest::addColumn<QString>("fault");
    for (const char *fault : {"", "silent", "garbage", "drop", "dribble"}) {
        QTest::addRow("%s over the pty", *fault ? fault : "none") << Transport::Pty << fault;
        QTest::addRow("%s over TCP", *fault ? fault : "none") << Transport::Tcp << fault;
    }
}

void AdapterTool::faults() {
    QFETCH(Transport, transport);
    QFETCH(QString, fault);
    const QString trace = folder_.filePath("faults.log");
    QFile::remove(trace);
    QStringList arguments{servingOption(transport)};
    if (!fault.isEmpty())
        arguments << "--fault=" + fault;
    AdapterProcess adapter(arguments, {"GPIBSIM_TRACE=" + trace});
    const QByteArray place = adapter.nextPlace(announcement(transport));
    AdapterClient client(transport, place);
    QVERIFY(client.send(kIdentityQuery));
    if (fault.isEmpty() || fault == "dribble") {
        QCOMPARE(client.receive(kIdentity.size()), kIdentity);
        if (fault == "dribble")
            QVERIFY2(client.reads() > 1, "the reply came in one piece");
    } else if (fault == "garbage") {
        const QByteArray noise = client.receive(kIdentity.size());
        QCOMPARE(noise.size(), kIdentity.size());
        QVERIFY(noise != kIdentity);
    } else if (fault == "silent") {
        // Once a later line reached the bus, the reply to the query would have come.
        QVERIFY(client.send("*IDN?\n"));
        traceOnceItShows(trace, "0 -> 4: \"*IDN?", 2);
        QVERIFY(!client.hasWaiting());
    } else {
        bool ended = false;
        const QByteArray part = client.receiveToEnd(&ended);
        QVERIFY(ended);
        QVERIFY2(!part.isEmpty() && part.size() < kIdentity.size() && kIdentity.startsWith(part),
                 qPrintable(escaped(part)));
        // Plugged in again: a new pty; a new connection.
        const QByteArray again =
            transport == Transport::Pty ? adapter.nextPlace("pty") : QByteArray(place);
        QVERIFY(!again.isEmpty() && (transport == Transport::Tcp || again != place));
        AdapterClient next(transport, again);
        QVERIFY(next.send("++addr\n"));
        QVERIFY(!next.receive(1).isEmpty());
    }
}

QTEST_GUILESS_MAIN(AdapterTool)
#include "tst_adaptertool.moc"
