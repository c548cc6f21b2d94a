// SPDX-License-Identifier: MIT
// Where the adapter is named, opening its port, and the texts the link reads and writes.
#include "linkfixture.h"

#include "driverfront/text/escaped.h"
#include "gpibplus/link/dialect.h"
#include "gpibplus/link/replies.h"
#include "gpibplus/link/trace.h"
#include "gpibplus/port/configuration.h"
#include "gpibplus/port/serialport.h"
#include "gpibplus/port/tcpaddress.h"
#include "gpibplus/port/tcpport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cerrno>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <winsock2.h>
#endif

using namespace gpibplus;

namespace {

// The system's error numbers the tests expect, errno's on POSIX.
#ifdef Q_OS_WIN
constexpr int kInvalidArgument = WSAEINVAL;
constexpr int kRefused = WSAECONNREFUSED;
constexpr int kBusy = ERROR_ACCESS_DENIED;
#else
constexpr int kInvalidArgument = EINVAL;
constexpr int kRefused = ECONNREFUSED;
constexpr int kBusy = EBUSY;
#endif

} // namespace

class TestPort : public QObject {
    Q_OBJECT

private slots:
    void configurationFile_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<int>("baud");
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<QByteArray>("problem");
        QTest::newRow("empty") << QByteArray() << QByteArray() << 115200 << QByteArray("8N1")
                               << QByteArray();
        QTest::newRow("port") << QByteArray("# the bench\nport = /dev/ttyUSB0\n")
                              << QByteArray("/dev/ttyUSB0") << 115200 << QByteArray("8N1")
                              << QByteArray();
        QTest::newRow("port and baud")
            << QByteArray("  port=192.168.1.20:1234  # network\r\nbaud = 9600 7E2\n")
            << QByteArray("192.168.1.20:1234") << 9600 << QByteArray("7E2") << QByteArray();
        QTest::newRow("bad baud") << QByteArray("port = /dev/ttyACM0\nbaud = 1234\n")
                                  << QByteArray() << 115200 << QByteArray("8N1")
                                  << QByteArray("conf:2: baud takes");
        QTest::newRow("bad frame") << QByteArray("baud = 9600 9X1\n") << QByteArray() << 115200
                                   << QByteArray("8N1") << QByteArray("conf:1: baud takes");
        QTest::newRow("unknown key")
            << QByteArray("\nspeed = 9600\n") << QByteArray() << 115200 << QByteArray("8N1")
            << QByteArray("conf:2: unknown key 'speed'");
        QTest::newRow("no value") << QByteArray("port\n") << QByteArray() << 115200
                                  << QByteArray("8N1")
                                  << QByteArray("conf:1: expected 'key = value'");
    }

    void configurationFile() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, port);
        QFETCH(int, baud);
        QFETCH(QByteArray, frame);
        QFETCH(QByteArray, problem);
        const port::Configuration read = port::configurationOf(text.toStdString(), "conf");
        QCOMPARE(QByteArray::fromStdString(read.port), port);
        QCOMPARE(read.serial.baud, baud);
        QCOMPARE(QByteArray::number(read.serial.dataBits) + read.serial.parity +
                     QByteArray::number(read.serial.stopBits),
                 frame);
        QVERIFY2(QByteArray::fromStdString(read.problem).startsWith(problem), read.problem.c_str());
        QCOMPARE(read.problem.empty(), problem.isEmpty());
    }

    // The variable wins over the file; the file is found through GPIBPLUS_CONF; nothing named
    // is no port.
    void whereTheAdapterIsNamed() {
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write("port = /dev/ttyACM0\n");
        file.close();
        qputenv("GPIBPLUS_CONF", file.fileName().toLocal8Bit());
        qputenv("GPIBPLUS_PORT", "192.168.1.20:1234");
        QCOMPARE(port::configuration().port, "192.168.1.20:1234");
        qunsetenv("GPIBPLUS_PORT");
        QCOMPARE(port::configuration().port, "/dev/ttyACM0");
        QCOMPARE(QString::fromStdString(port::configuration().source), file.fileName());
        qputenv("GPIBPLUS_CONF", "/nonexistent/gpibplus.conf");
        const port::Configuration none = port::configuration();
        QVERIFY(none.port.empty());
        QVERIFY(none.problem.empty());
        qunsetenv("GPIBPLUS_CONF");
    }

    void portNames_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("serial");
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<QByteArray>("tcpPort");
#ifdef Q_OS_WIN
        QTest::newRow("COM3") << QByteArray("COM3") << true << QByteArray() << QByteArray();
        QTest::newRow("lower case") << QByteArray("com12") << true << QByteArray() << QByteArray();
        QTest::newRow("device") << QByteArray("\\\\.\\COM10") << true << QByteArray()
                                << QByteArray();
        QTest::newRow("no number")
            << QByteArray("COM") << false << QByteArray("COM") << QByteArray("1234");
        QTest::newRow("host named com")
            << QByteArray("commbox:8488") << false << QByteArray("commbox") << QByteArray("8488");
        QTest::newRow("path") << QByteArray("/dev/ttyUSB0") << false << QByteArray("/dev/ttyUSB0")
                              << QByteArray("1234");
#else
        QTest::newRow("path") << QByteArray("/dev/ttyUSB0") << true << QByteArray() << QByteArray();
        QTest::newRow("COM3") << QByteArray("COM3") << false << QByteArray("COM3")
                              << QByteArray("1234");
#endif
        QTest::newRow("address and port") << QByteArray("192.168.1.20:8488") << false
                                          << QByteArray("192.168.1.20") << QByteArray("8488");
        QTest::newRow("host alone")
            << QByteArray("gpib-bench") << false << QByteArray("gpib-bench") << QByteArray("1234");
        QTest::newRow("v6 and port")
            << QByteArray("[::1]:1234") << false << QByteArray("::1") << QByteArray("1234");
        QTest::newRow("v6 alone") << QByteArray("[fe80::1]") << false << QByteArray("fe80::1")
                                  << QByteArray("1234");
        QTest::newRow("port 0") << QByteArray("bench:0") << false << QByteArray() << QByteArray();
        QTest::newRow("port too high")
            << QByteArray("bench:65536") << false << QByteArray() << QByteArray();
        QTest::newRow("no host") << QByteArray(":1234") << false << QByteArray() << QByteArray();
        QTest::newRow("v6 unclosed")
            << QByteArray("[::1:1234") << false << QByteArray() << QByteArray();
    }

    // A name is a serial port or a TCP address, host and port, or nothing usable (empty host).
    void portNames() {
        QFETCH(QByteArray, name);
        QFETCH(bool, serial);
        QFETCH(QByteArray, host);
        QFETCH(QByteArray, tcpPort);
        QCOMPARE(port::namesSerialPort(name.toStdString()), serial);
        if (serial)
            return;
        const std::optional<port::TcpAddress> address = port::tcpAddressOf(name.toStdString());
        QCOMPARE(QByteArray::fromStdString(address ? address->host : std::string()), host);
        QCOMPARE(QByteArray::fromStdString(address ? address->port : std::string()), tcpPort);
    }

#ifdef Q_OS_WIN
    void userAndMachineFiles_data() {
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("machine");
        QTest::addColumn<QByteArray>("port");
        QTest::addColumn<QString>("source");
        QTest::newRow("neither") << QByteArray() << QByteArray() << QByteArray() << "machine";
        QTest::newRow("machine") << QByteArray() << QByteArray("port = COM3\n")
                                 << QByteArray("COM3") << "machine";
        QTest::newRow("user") << QByteArray("port = COM5\n") << QByteArray() << QByteArray("COM5")
                              << "user";
        QTest::newRow("user over machine")
            << QByteArray("port = bench:8488\n") << QByteArray("port = COM3\nbaud = 9600\n")
            << QByteArray("bench:8488") << "user";
        QTest::newRow("user's without a port")
            << QByteArray("# none here\n") << QByteArray("port = COM3\n") << QByteArray() << "user";
    }

    // The user's file, where there is one, stands in for the machine's whole.
    void userAndMachineFiles() {
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, machine);
        QFETCH(QByteArray, port);
        QFETCH(QString, source);
        qunsetenv("GPIBPLUS_PORT");
        qunsetenv("GPIBPLUS_CONF");
        QTemporaryDir folders;
        QVERIFY(folders.isValid());
        // A folder of each, and the file where the row has one.
        const auto place = [&](const QString &which, const QByteArray &text) {
            const QString folder = folders.filePath(which + "/Quorin Velmar Demo");
            QFile file(folder + "/gpibplus.conf");
            return QDir().mkpath(folder) && (text.isNull() || (file.open(QIODevice::WriteOnly) &&
                                                               file.write(text) == text.size()));
        };
        QVERIFY(place("user", user));
        QVERIFY(place("machine", machine));
        qputenv("APPDATA", QDir::toNativeSeparators(folders.filePath("user")).toLocal8Bit());
        qputenv("ProgramData", QDir::toNativeSeparators(folders.filePath("machine")).toLocal8Bit());
        const port::Configuration read = port::configuration();
        QCOMPARE(QByteArray::fromStdString(read.port), port);
        QCOMPARE(QDir::fromNativeSeparators(QString::fromStdString(read.source)),
                 folders.filePath(source + "/Quorin Velmar Demo/gpibplus.conf"));
        QVERIFY2(read.problem.empty(), read.problem.c_str());
    }
#endif

    void portsThatCannotBeHad_data() {
        QTest::addColumn<QByteArray>("place");
        QTest::addColumn<int>("errnum"); // -1: any
        QTest::addColumn<QByteArray>("problem");
#ifdef Q_OS_WIN
        QTest::newRow("missing") << QByteArray("COM99") << int(ERROR_FILE_NOT_FOUND)
                                 << QByteArray("cannot open it: ");
        // Its error depends on the system: Wine's and Windows' differ.
        QTest::newRow("not a serial port")
            << QByteArray("\\\\.\\NUL") << -1 << QByteArray("cannot set its line to 115200 8N1: ");
#else
        QTest::newRow("missing") << QByteArray("/dev/nonexistent-gpibplus") << ENOENT
                                 << QByteArray("cannot open it: ");
        QTest::newRow("not a terminal")
            << QByteArray("/dev/null") << ENOTTY << QByteArray("cannot hold it exclusively: ");
#endif
        QTest::newRow("bad tcp port")
            << QByteArray("localhost:99999") << kInvalidArgument << QByteArray("not a TCP address");
    }

    void portsThatCannotBeHad() {
        QFETCH(QByteArray, place);
        QFETCH(int, errnum);
        QFETCH(QByteArray, problem);
        const port::Opened opened = port::openPort({place.toStdString(), {}, "test", {}},
                                                   port::Clock::now() + std::chrono::seconds(5));
        QVERIFY(!opened.port);
        if (errnum >= 0)
            QCOMPARE(opened.errnum, errnum);
        else
            QVERIFY(opened.errnum != 0);
        QVERIFY2(QByteArray::fromStdString(opened.problem).startsWith(place + ": " + problem),
                 opened.problem.c_str());
    }

    // A second open of a held serial port fails at once as busy; once it is let go, the next
    // open has it.
    void serialPortHeldExclusively() {
#ifdef Q_OS_WIN
        if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
            QSKIP("Wine lets any number of handles have a pseudo-terminal's COM port");
#endif
        plustest::LinkFixture fixture(link::Dialect::Prologix, adaptertest::Transport::Pty);
        const std::string path = fixture.place().toStdString();
        port::Opened first = port::openSerialPort(path, {});
        QVERIFY2(first.port, first.problem.c_str());
        const port::Opened second = port::openSerialPort(path, {});
        QVERIFY(!second.port);
        QCOMPARE(second.errnum, kBusy);
        first.port.reset();
        QVERIFY(port::openSerialPort(path, {}).port);
    }

    void tcpRefused() {
        plustest::LinkFixture fixture(link::Dialect::Prologix, adaptertest::Transport::Tcp);
        const std::string place = fixture.place().toStdString();
        QVERIFY(port::connectTcp(place, port::Clock::now() + std::chrono::seconds(5)).port);
        const port::Opened refused =
            port::connectTcp("127.0.0.1:1", port::Clock::now() + std::chrono::seconds(5));
        QVERIFY(!refused.port);
        QCOMPARE(refused.errnum, kRefused);
    }

    // Writing to a connection whose other end has gone reports it closed, and leaves the
    // program running: no SIGPIPE.
    void tcpPeerGone() {
        plustest::LinkFixture fixture(link::Dialect::Prologix, adaptertest::Transport::Tcp,
                                      {"--fault=drop"});
        port::Opened opened = port::connectTcp(fixture.place().toStdString(),
                                               port::Clock::now() + std::chrono::seconds(5));
        QVERIFY2(opened.port, opened.problem.c_str());
        // The adapter drops the connection halfway through its answer.
        port::Transfer written;
        for (int i = 0; i < 20 && written.status == port::Transfer::Status::Done; ++i) {
            written = opened.port->write("++ver\n", port::Clock::now() + std::chrono::seconds(1));
            QTest::qWait(10);
        }
        QCOMPARE(written.status, port::Transfer::Status::Closed);
    }

    // GPIBPLUS_TRACE names a file that each entry is appended to, time-stamped and escaped.
    void traceToAFile() {
        QTemporaryFile file;
        QVERIFY(file.open());
        qputenv("GPIBPLUS_TRACE", file.fileName().toLocal8Bit());
        {
            const link::Trace trace = link::Trace::fromEnvironment();
            trace.sent("++addr 5\n");
            trace.received("5\r\n\x1b");
        }
        qunsetenv("GPIBPLUS_TRACE");
        const QList<QByteArray> entries = file.readAll().split('\n');
        QCOMPARE(entries.size(), 3);
        const QRegularExpression sent(R"(^ *\d+\.\d{6} > \+\+addr 5\\n$)");
        const QRegularExpression received(R"(^ *\d+\.\d{6} < 5\\r\\n\\x1B$)");
        QVERIFY2(sent.match(QString::fromLatin1(entries[0])).hasMatch(), entries[0].constData());
        QVERIFY2(received.match(QString::fromLatin1(entries[1])).hasMatch(),
                 entries[1].constData());
    }

    void escapes_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("traced");
        QTest::newRow("plain") << QByteArray("*IDN?") << QByteArray("*IDN?") << QByteArray("*IDN?");
        QTest::newRow("specials") << QByteArray("a\r\n\x1b+b")
                                  << QByteArray("a\x1b\r\x1b\n\x1b\x1b\x1b+b")
                                  << QByteArray("a\\r\\n\\x1B+b");
        QTest::newRow("binary") << QByteArray("\x00\xff\\\t", 4) << QByteArray("\x00\xff\\\t", 4)
                                << QByteArray("\\x00\\xFF\\\\\\x09");
    }

    void escapes() {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, traced);
        QCOMPARE(QByteArray::fromStdString(link::escaped(data.toStdString())), line);
        QCOMPARE(QByteArray::fromStdString(driverfront::escaped(data.toStdString())), traced);
    }

    void replies_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("statusByte");
        QTest::addColumn<QByteArray>("address");
        QTest::addColumn<QByteArray>("listeners");
        QTest::newRow("number") << QByteArray("16") << QByteArray("16") << QByteArray("16 0")
                                << QByteArray("16:0 ");
        QTest::newRow("secondary")
            << QByteArray("9,98") << QByteArray() << QByteArray("9 98") << QByteArray();
        QTest::newRow("prologix secondary")
            << QByteArray("9 98") << QByteArray() << QByteArray("9 98") << QByteArray();
        QTest::newRow("listeners") << QByteArray("5,9:98,12") << QByteArray() << QByteArray()
                                   << QByteArray("5:0 9:98 12:0 ");
        QTest::newRow("none") << QByteArray("") << QByteArray() << QByteArray() << QByteArray("");
        QTest::newRow("out of range")
            << QByteArray("256") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("bad secondary")
            << QByteArray("9:95") << QByteArray() << QByteArray() << QByteArray();
        QTest::newRow("noise") << QByteArray("1x") << QByteArray() << QByteArray() << QByteArray();
    }

    // The answers the link reads: a status byte, an address shown, a listener list; empty
    // columns where the text is not one.
    void replies() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, statusByte);
        QFETCH(QByteArray, address);
        QFETCH(QByteArray, listeners);
        const std::string text = line.toStdString();
        const std::optional<int> status = link::statusByteOf(text);
        QCOMPARE(status ? QByteArray::number(*status) : QByteArray(), statusByte);
        const std::optional<link::Address> shown = link::shownAddressOf(text);
        QCOMPARE(shown ? QByteArray::number(shown->pad) + ' ' + QByteArray::number(shown->sad)
                       : QByteArray(),
                 address);
        const auto found = link::listenersOf(text);
        QByteArray list;
        for (const link::Address each : found.value_or(std::vector<link::Address>()))
            list += QByteArray::number(each.pad) + ':' + QByteArray::number(each.sad) + ' ';
        QCOMPARE(list, listeners);
        QCOMPARE(found.has_value(), !listeners.isNull());
    }
};

QTEST_GUILESS_MAIN(TestPort)
#include "tst_port.moc"
