// SPDX-License-Identifier: MIT
// The adapter's firmware in process: every case of exchanges.txt against a fresh cable and
// firmware, byte for byte, and what the table cannot show: the traffic on the cable, the
// cable's own rules, and bytes that arrive in any grouping.
#include "exchangetable.h"
#include "gpibsim/adapter/firmware.h"
#include "gpibsim/bus/setup.h"

#include <QTemporaryFile>
#include <QTest>

#include <cstdlib>
#include <fcntl.h>
#include <string>

using namespace gpibsim;
using namespace gpibsim::adapter;

Q_DECLARE_METATYPE(exchangetable::Case)

namespace {

FirmwareSettings settingsOf(const exchangetable::Case &testCase) {
    FirmwareSettings settings;
    settings.dialect = testCase.dialect == "ar488" ? Dialect::Ar488 : Dialect::Prologix;
    for (const std::string &option : testCase.options)
        if (option.starts_with("--version-text="))
            settings.versionText = option.substr(15);
        else if (option.starts_with("--time-scale="))
            settings.timeScale = std::stod(option.substr(13));
    return settings;
}

// The bench the case's environment describes, read as the library reads it.
Setup benchOf(const exchangetable::Case &testCase) {
    for (const char *name : {"GPIBSIM_BENCH", "GPIBSIM_DEVICES"})
        unsetenv(name);
    for (const auto &[name, value] : testCase.environment)
        setenv(name.c_str(), value.c_str(), 1);
    Setup setup = setupFromEnvironment();
    for (const auto &[name, value] : testCase.environment)
        unsetenv(name.c_str());
    return setup;
}

// A printable form of bytes for failure messages.
QByteArray shown(const std::string &bytes) {
    QByteArray text;
    for (const unsigned char byte : bytes)
        if (byte == '\r')
            text += "\\r";
        else if (byte == '\n')
            text += "\\n";
        else if (byte < 0x20 || byte >= 0x7F || byte == '\\')
            text += QByteArray("\\x") + QByteArray::number(byte, 16).rightJustified(2, '0');
        else
            text += char(byte);
    return text;
}

// Feeds the host's bytes as the tool does: each call takes up to the end of a line.
void feed(Firmware &firmware, std::string_view bytes) {
    while (!bytes.empty())
        bytes.remove_prefix(firmware.receive(bytes));
}

std::vector<std::string> linesOf(const QByteArray &text) {
    std::vector<std::string> lines;
    for (const QByteArray &line : text.split('\n'))
        if (!line.isEmpty())
            lines.push_back(line.toStdString());
    return lines;
}

} // namespace

class AdapterFirmwareTest : public QObject {
    Q_OBJECT

private slots:
    void exchanges_data();
    void exchanges();
    void busTraffic_data();
    void busTraffic();
    void anyGroupingOfBytes_data();
    void anyGroupingOfBytes();
    void droppedHostForgetsItsLine();
    void restartKeepsOnlySavedSettings();
};

void AdapterFirmwareTest::exchanges_data() {
    QTest::addColumn<exchangetable::Case>("testCase");
    for (const exchangetable::Case &testCase : exchangetable::readFile(ADAPTER_EXCHANGES))
        QTest::newRow(testCase.name.c_str()) << testCase;
}

void AdapterFirmwareTest::exchanges() {
    QFETCH(exchangetable::Case, testCase);
    const Trace trace;
    Cable cable(benchOf(testCase).instruments, trace);
    std::string output;
    Firmware firmware(settingsOf(testCase), cable,
                      [&](std::string_view bytes) { output.append(bytes); });
    for (const exchangetable::Exchange &exchange : testCase.exchanges) {
        feed(firmware, exchange.sent);
        const QByteArray context =
            "after " + shown(exchange.sent) + " (line " + QByteArray::number(testCase.line) + ")";
        QVERIFY2(output == exchange.answer, context + ": got \"" + shown(output) +
                                                "\", expected \"" + shown(exchange.answer) + "\"");
        output.clear();
    }
}

// The adapter on the cable as an analyser shows it, GPIBSIM_TRACE's lines without "bus: ".
void AdapterFirmwareTest::busTraffic_data() {
    QTest::addColumn<QString>("dialect");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("traffic");
    QTest::newRow("AR488 write: UNL UNT, listener, data, UNL UNT")
        << "ar488" << QByteArray("++addr 4\r*IDN?\r")
        << QByteArray("ATN UNL\nATN UNT\nATN MLA 4\n0 -> 4: \"*IDN?\\r\\n\"\nATN UNL\nATN UNT\n");
    QTest::newRow("AR488 read to EOI from a secondary address")
        << "ar488" << QByteArray("++addr 5 97\r*idn?\r++read eoi\r")
        << QByteArray("ATN UNL\nATN UNT\nATN MLA 5\nATN MSA 97\n0 -> 5.97: \"*idn?\\r\\n\"\n"
                      "ATN UNL\nATN UNT\nATN UNL\nATN UNT\nATN MTA 5\nATN MSA 97\n"
                      "5.97 -> 0: \"QUORIN,Simulated Instrument,SIM0005,1.0\\n\" END\n"
                      "ATN UNL\nATN UNT\n");
    QTest::newRow("AR488 serial poll: its own listen address, one SPE")
        << "ar488" << QByteArray("++spoll 4\r")
        << QByteArray("ATN UNL\nATN MLA 0\nATN SPE\nATN MTA 4\nstatus byte of 4: 0x00\n"
                      "ATN SPD\nATN UNT\nATN UNL\n");
    QTest::newRow("AR488 ++mode 1: REN released and asserted again, IFC")
        << "ar488" << QByteArray("++mode 1\r") << QByteArray("REN off\nREN on\nIFC\n");
    const QByteArray a128(128, 'A');
    QTest::newRow("AR488 data over 128 bytes: pieces with the terminator, one addressing")
        << "ar488" << QByteArray("++addr 4\r") + a128 + "AA\r"
        << QByteArray("ATN UNL\nATN UNT\nATN MLA 4\n0 -> 4: \"") + a128 +
               "\\r\\n\"\n0 -> 4: \"AA\\r\\n\"\nATN UNL\nATN UNT\n";
    QByteArray probes = "ATN UNL\nATN UNT\nATN MLA 5\n";
    for (int sad = 96; sad <= 126; ++sad)
        probes += "ATN MSA " + QByteArray::number(sad) + "\n";
    probes += "ATN UNL\nATN MLA 5\n";
    for (int sad = 96; sad <= 126; ++sad)
        probes += "ATN MSA " + QByteArray::number(sad) + "\nATN UNT\n";
    QTest::newRow("AR488 ++fndl: every secondary at once, then each with UNT after it")
        << "ar488" << QByteArray("++fndl 5\r") << probes;
    const QByteArray b256(256, 'B');
    QTest::newRow("Prologix data over 256 bytes: pieces, the terminator and EOI after the last")
        << "prologix" << QByteArray("++addr 4\n") + b256 + "BB\n"
        << QByteArray("ATN MTA 0\nATN UNL\nATN MLA 4\n0 -> 4: \"") + b256 +
               "\"\n0 -> 4: \"BB\\r\\n\" END\n";
    QTest::newRow("Prologix write and read with its own addresses")
        << "prologix" << QByteArray("++addr 4\r*IDN?\n++read eoi\n")
        << QByteArray("ATN MTA 0\nATN UNL\nATN MLA 4\n0 -> 4: \"*IDN?\\r\\n\" END\n"
                      "ATN UNL\nATN MLA 0\nATN MTA 4\n"
                      "4 -> 0: \"QUORIN,Simulated Multimeter,SIM0004,1.0\\n\" END\n");
}

void AdapterFirmwareTest::busTraffic() {
    QFETCH(QString, dialect);
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, traffic);
    QTemporaryFile file;
    QVERIFY(file.open());
    const int fd = ::open(file.fileName().toLocal8Bit().constData(), O_WRONLY | O_APPEND);
    QVERIFY(fd >= 0);
    const Trace trace(fd, true);
    Cable cable(defaultSetup().instruments, trace);
    Firmware firmware(
        {.dialect = dialect == "ar488" ? Dialect::Ar488 : Dialect::Prologix, .timeScale = 1e6},
        cable, [](std::string_view) {});
    const qint64 start = QFileInfo(file.fileName()).size();
    feed(firmware, sent.toStdString());
    file.seek(start);
    std::vector<std::string> seen = linesOf(file.readAll().replace("bus: ", ""));
    QCOMPARE(seen, linesOf(traffic));
}

// However the host's bytes are grouped, the same lines come out.
void AdapterFirmwareTest::anyGroupingOfBytes_data() {
    QTest::addColumn<QString>("dialect");
    QTest::newRow("prologix") << "prologix";
    QTest::newRow("ar488") << "ar488";
}

void AdapterFirmwareTest::anyGroupingOfBytes() {
    QFETCH(QString, dialect);
    const std::string sent = "++addr 4\r\n*IDN?\r\n++read eoi\r\n++eos 3\n++eos\n++ver\n";
    std::string whole;
    std::string byByte;
    for (std::string *output : {&whole, &byByte}) {
        const Trace trace;
        Cable cable(defaultSetup().instruments, trace);
        Firmware firmware(
            {.dialect = dialect == "ar488" ? Dialect::Ar488 : Dialect::Prologix, .timeScale = 1e6},
            cable, [&](std::string_view bytes) { output->append(bytes); });
        if (output == &whole)
            feed(firmware, sent);
        for (std::size_t i = 0; output == &byByte && i < sent.size(); ++i)
            QCOMPARE(firmware.receive(sent.substr(i, 1)), std::size_t(1));
    }
    QVERIFY(whole.find("QUORIN,Simulated Multimeter") != std::string::npos);
    QCOMPARE(shown(byByte), shown(whole));
}

void AdapterFirmwareTest::droppedHostForgetsItsLine() {
    for (const Dialect dialect : {Dialect::Prologix, Dialect::Ar488}) {
        const Trace trace;
        Cable cable(defaultSetup().instruments, trace);
        std::string output;
        Firmware firmware({.dialect = dialect}, cable,
                          [&](std::string_view bytes) { output.append(bytes); });
        QCOMPARE(firmware.receive("++ad"), std::size_t(4));
        firmware.hostGone();
        feed(firmware, "++eos\n");
        QCOMPARE(output, std::string("0\r\n"));
    }
}

// A reset restores what ++savecfg kept and drops the rest.
void AdapterFirmwareTest::restartKeepsOnlySavedSettings() {
    const Trace trace;
    Cable cable(defaultSetup().instruments, trace);
    std::string output;
    Firmware firmware({.dialect = Dialect::Ar488, .timeScale = 1e6}, cable,
                      [&](std::string_view bytes) { output.append(bytes); });
    feed(firmware, "++eos 2\n++flags 1\n++savecfg\n++eos 1\n");
    firmware.restart();
    feed(firmware, "++eos\n");
    QCOMPARE(shown(output), shown("AR488~RDY2\r\n"));
}

QTEST_GUILESS_MAIN(AdapterFirmwareTest)
#include "tst_adapterfirmware.moc"
