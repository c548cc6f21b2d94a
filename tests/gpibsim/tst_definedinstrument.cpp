// SPDX-License-Identifier: MIT
// Instruments defined in files, driven the way the bus drives them: the replies pyvisa-sim's
// code gives to the same definitions, and the IEEE 488.2 behaviour they keep on the bus.
#include "gpibsim/definitions/definedinstrument.h"
#include "gpibsim/definitions/loader.h"

#include <QMap>
#include <QRegularExpression>
#include <QTest>

#include <array>

using namespace gpibsim;
using namespace gpibsim::definitions;

namespace {

// pyvisa-sim's own examples, and a few more.
const std::string kDefinitions = GPIBSIM_TEST_DEFINITIONS "/every-feature.yaml";

const QMap<QString, std::shared_ptr<const Definition>> &defined() {
    static const QMap<QString, std::shared_ptr<const Definition>> byName = [] {
        QMap<QString, std::shared_ptr<const Definition>> loaded;
        for (const Resource &resource : loadFiles(kDefinitions, {}).instruments)
            loaded.insert(QString::fromStdString(resource.definition->name), resource.definition);
        return loaded;
    }();
    return byName;
}

DefinedInstrument make(const QString &name, std::uint64_t seed = 1) {
    return DefinedInstrument(defined().value(name), "SIM0008", seed);
}

struct Reply {
    QByteArray text;
    bool timedOut;
};

Reply read(Instrument &instrument) {
    std::array<char, 512> buffer{};
    const Instrument::Talked talked = instrument.talk(buffer, {});
    return {QByteArray(buffer.data(), static_cast<qsizetype>(talked.count)), talked.timedOut};
}

constexpr char kTimeout[] = "(timeout)";

} // namespace

class DefinedInstrumentTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void answersAsPyvisaSim_data();
    void answersAsPyvisaSim();
    void messageEndsAtTheTerminatorOrEnd();
    void staysAnIeee4882Device();
    void randomReadings();
};

void DefinedInstrumentTest::initTestCase() {
    const Loaded loaded = loadFiles(kDefinitions, {});
    QVERIFY2(loaded.error.empty(), loaded.error.c_str());
    QCOMPARE(defined().size(), 14);
}

// Each step sends a message with END and reads the reply after " -> ", if the step has one.
void DefinedInstrumentTest::answersAsPyvisaSim_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QByteArrayList>("steps");
    QTest::newRow("dialogues") << "generator"
                               << QByteArrayList{"?ID -> QUORIN Signal Source #0042\n",
                                                 "!ZERO -> OK\n", "*RST",
                                                 "?ID;!ZERO -> QUORIN Signal Source #0042;OK\n"};
    QTest::newRow("getters and setters")
        << "generator"
        << QByteArrayList{"?FREQ -> 100.00\n", "!FREQ 10.3 -> OK\n", "?FREQ -> 10.30\n",
                          "!FREQ 50 -> OK\n",  "?FREQ -> 50.00\n",   "!OUT 1 -> OK\n",
                          "?OUT -> 1\n"};
    QTest::newRow("refused values")
        << "generator" << QByteArrayList{"!FREQ 0.0 -> FREQ_LIMIT\n",
                                         "!AMP 11.0 -> ERROR\n",
                                         "!AMP -1 -> ERROR\n",
                                         "!OUT 2 -> ERROR\n",
                                         "?AMP -> 1.00\n",
                                         "SYST:ERR? -> -222,\"Data out of range\"\n"};
    QTest::newRow("unknown command")
        << "generator"
        << QByteArrayList{"BOGUS_COMMAND -> ERROR\n", "?idn -> ERROR\n",
                          "SYST:ERR? -> -113,\"Undefined header\"\n"};
    QTest::newRow("an empty read times out, whatever the error text")
        << "generator" << QByteArrayList{QByteArray("-> ") + kTimeout,
                                         "?ID",
                                         "-> QUORIN Signal Source #0042\n",
                                         QByteArray("-> ") + kTimeout,
                                         "*ESR? -> 4\n",
                                         "SYST:ERR? -> -420,\"Query UNTERMINATED\"\n"};
    QTest::newRow("common commands stay")
        << "generator"
        << QByteArrayList{"*IDN? -> QUORIN,Simulated generator,SIM0008,1.0\n", "*OPC? -> 1\n"};
    QTest::newRow("the file's *IDN? wins")
        << "supply"
        << QByteArrayList{"*IDN? -> QUORIN,SUPPLY,0001,2.1\n",
                          "*idn? -> QUORIN,Simulated supply,SIM0008,1.0\n"};
    QTest::newRow("status register") << "supply"
                                     << QByteArrayList{"FAKE_COMMAND -> BAD_COMMAND\n",
                                                       "*ESR? -> 32\n",
                                                       "*ESR? -> 0\n",
                                                       ":SOUR:VOLT 2.00",
                                                       "*ESR? -> 0\n",
                                                       ":SOUR:VOLT 6.5 -> BAD_COMMAND\n",
                                                       "*ESR? -> 32\n",
                                                       ":SOUR:VOLT? -> +2.00000000E+00\n",
                                                       QByteArray("-> ") + kTimeout,
                                                       "*ESR? -> 0\n",
                                                       "SYST:ERR?;SYST:ERR?;SYST:ERR? -> "
                                                       "-113,\"Undefined header\";-222,\"Data "
                                                       "out of range\";-420,\"Query "
                                                       "UNTERMINATED\"\n"};
    QTest::newRow("valid texts") << "supply"
                                 << QByteArrayList{"INST? -> LOW\n", "INST MID", "INST? -> MID\n",
                                                   "INST X25V -> BAD_COMMAND\n"};
    QTest::newRow("value without specs formatted as it is")
        << "supply"
        << QByteArrayList{"OUTP? -> BAD_COMMAND\n", "*ESR? -> 0\n", "OUTP 1", "OUTP? -> 1\n"};
    QTest::newRow("error queue") << "queue"
                                 << QByteArrayList{QByteArray("-> ") + kTimeout,
                                                   "*ESR? -> 4\n",
                                                   ":SYST:ERR? -> 0, No error here\n",
                                                   "FAKE COMMAND",
                                                   ":SOUR:VOLT 0",
                                                   ":SYST:ERR? -> 1, Unknown command\n",
                                                   ":SYST:ERR? -> 1, Unknown command\n",
                                                   ":SYST:ERR? -> 0, No error here\n",
                                                   "SYST:ERR? -> -113,\"Undefined header\"\n"};
    QTest::newRow("*CLS leaves the file's queue")
        << "queue" << QByteArrayList{"FAKE;*CLS;:SYST:ERR? -> 1, Unknown command\n"};
    QTest::newRow("channel picked by a property")
        << "selected" << QByteArrayList{"SEL? -> 1\n",    "FR? -> 1.000\n", "FR 5.5",
                                        "FR? -> 5.500\n", "SEL 2",          "FR? -> 1.000\n",
                                        "SEL 1",          "FR? -> 5.500\n", "FR 20 -> ERROR\n",
                                        "SEL 3",          "FR? -> ERROR\n"};
    QTest::newRow("channel named in the query")
        << "selectable"
        << QByteArrayList{"CH 1:SOUR:VOLT? -> +1.00000000E+00\n",
                          "CH 2:SOUR:VOLT 2.5",
                          "CH 2:SOUR:VOLT? -> +2.50000000E+00\n",
                          "CH 1:SOUR:VOLT? -> +1.00000000E+00\n",
                          "CH 3:NAME? -> channel\n",
                          QByteArray("CH 4:NAME? -> ") + kTimeout,
                          "*CLS",
                          "CH 7:SOUR:VOLT 2.50",
                          "SYST:ERR? -> 0,\"No error\"\n",
                          "ALL 5",
                          "CH 3:W? -> 5\n",
                          "CH 1:W? -> 0\n"};
    QTest::newRow("channels through a YAML alias, ids from the resource")
        << "renamed"
        << QByteArrayList{"CH A:NAME? -> channel\n", QByteArray("CH 1:NAME? -> ") + kTimeout,
                          "CH B:SOUR:VOLT 2.5", "CH B:SOUR:VOLT? -> +2.50000000E+00\n",
                          "CH A:SOUR:VOLT? -> +1.00000000E+00\n"};
    QTest::newRow("terminators, bytes, null_response as written")
        << "terminators"
        << QByteArrayList{"PING -> PONG\r\n",           "LINES? -> A\nB\r\n",
                          "\xaa\x55 -> \x01\x02OK\r\n", "QUIET? -> null_response\r\n",
                          "*IDN? -> MINE\r\n",          "FAKE -> null_response\r\n"};
    QTest::newRow("no terminators")
        << "plain" << QByteArrayList{"A? -> a", QByteArray("A?\n -> ") + kTimeout};
    QTest::newRow("setters without a field, with a named field or several")
        << "python"
        << QByteArrayList{"PAUSED? -> no\n",
                          "PAUSE -> OK\n",
                          "PAUSED? -> {}\n",
                          "channel.reset(3)",
                          "RESET? -> {'val': '3'}\n",
                          "PAIR a b",
                          "PAIR? -> ['a', 'b']\n",
                          "COUNT 7",
                          "COUNT? -> 7\n"};
    QTest::newRow("registers after a command error")
        << "python"
        << QByteArrayList{"FAKE -> BAD\n", "COUNT 2.7 -> BAD\n", "*ESR? -> 32\n", "*ESR? -> 0\n",
                          "ERR? -> 1\n",   "ERR? -> 1\n",        "ERR? -> 0\n"};
    QTest::newRow("queries compared byte for byte")
        << "python"
        << QByteArrayList{"PAUSED?  -> BAD\n", "paused? -> BAD\n", "PAUSED?; -> no;BAD\n",
                          "*ESR? -> 32\n"};
    QTest::newRow("replies pyvisa-sim raises for, without a register or queue entry")
        << "python"
        << QByteArrayList{"NULL? -> null_response\n",
                          "RAW? -> BAD\n",
                          "WORD? -> BAD\n",
                          "OUTSIDE? -> BAD\n",
                          "SILENT? -> BAD\n",
                          "TWICE? -> BAD\n",
                          "\xff? -> BAD\n",
                          "EACH? -> 1.0 V, 1.0 V\n",
                          "*ESR? -> 0\n",
                          "ERR? -> 0\n",
                          "SYST:ERR? -> -200,\"Execution error\"\n"};
    QTest::newRow("channels that cannot select, without selected_channel")
        << "badchannels" << QByteArrayList{"ID? -> broken\n", "F? -> ERR\n", "*ESR? -> 0\n"};
    QTest::newRow("channel queries that cannot show an id")
        << "badqueries" << QByteArrayList{"ID? -> broken\n", "Q{}? -> ERR\n", "FAKE -> ERR\n"};
    QTest::newRow("delimiter") << "delimited" << QByteArrayList{"A;B -> ab\n", "C&&C -> c;c\n"};
    QTest::newRow("eom without r: no reply can be sent")
        << "noreplies"
        << QByteArrayList{QByteArray("PING -> ") + kTimeout, QByteArray("FAKE -> ") + kTimeout,
                          "SYST:ERR?;SYST:ERR? -> -200,\"Execution error\";-420,\"Query "
                          "UNTERMINATED\"\n"};
}

void DefinedInstrumentTest::answersAsPyvisaSim() {
    QFETCH(QString, device);
    QFETCH(QByteArrayList, steps);
    DefinedInstrument instrument = make(device);
    for (const QByteArray &step : steps) {
        const qsizetype arrow = step.indexOf("-> ");
        const QByteArray message = arrow < 0 ? step : step.left(std::max<qsizetype>(arrow - 1, 0));
        if (!message.isEmpty())
            instrument.listen(message.toStdString(), true);
        if (arrow < 0)
            continue;
        const QByteArray expected = step.mid(arrow + 3);
        const Reply reply = read(instrument);
        QVERIFY2(reply.timedOut == (expected == kTimeout), step.constData());
        if (!reply.timedOut)
            QCOMPARE(reply.text, expected);
    }
}

void DefinedInstrumentTest::messageEndsAtTheTerminatorOrEnd() {
    DefinedInstrument instrument = make("terminators");
    instrument.listen("PING\n", false);
    QVERIFY(read(instrument).timedOut);
    // The message is "PING\n", which is not the file's "PING".
    instrument.listen("\r\n", false);
    QCOMPARE(read(instrument).text, QByteArray("null_response\r\n"));
    instrument.listen("PING", true);
    QCOMPARE(read(instrument).text, QByteArray("PONG\r\n"));
    instrument.listen("*CLS\r\n" + std::string(Instrument::kInputCapacity + 10, 'x') + "\r\nPING\r",
                      false);
    instrument.listen("\n", false);
    QCOMPARE(read(instrument).text, QByteArray("PONG\r\n"));
    instrument.listen("SYST:ERR?\r\n", false);
    QCOMPARE(read(instrument).text, QByteArray("-363,\"Input buffer overrun\"\r\n"));
}

void DefinedInstrumentTest::staysAnIeee4882Device() {
    DefinedInstrument instrument = make("generator");
    instrument.listen("?FREQ", true);
    QCOMPARE(instrument.serialPoll(), Instrument::kMessageAvailable);
    instrument.clear();
    QCOMPARE(instrument.serialPoll(), 0);
    QVERIFY(read(instrument).timedOut);

    instrument.listen("?FREQ", true);
    instrument.listen("?AMP", true);
    QCOMPARE(read(instrument).text, QByteArray("1.00\n"));
    instrument.listen("SYST:ERR?;SYST:ERR?;*ESR?", true);
    QCOMPARE(read(instrument).text,
             QByteArray("-420,\"Query UNTERMINATED\";-410,\"Query INTERRUPTED\";4\n"));

    instrument.listen("*SRE 16", true);
    instrument.listen("?ID", true);
    QVERIFY(instrument.requestsService());
    QCOMPARE(instrument.serialPoll(), Instrument::kMessageAvailable | Instrument::kRequestService);
}

void DefinedInstrumentTest::randomReadings() {
    DefinedInstrument instrument = make("random", 42);
    const QRegularExpression reading("^(\\d+\\.\\d\\d)(, (\\d+\\.\\d\\d)){4}\n$");
    instrument.listen(":SCAN?", true);
    const QByteArray scan = read(instrument).text;
    QVERIFY2(reading.match(QString::fromLatin1(scan)).hasMatch(), scan.constData());
    for (const QByteArray &value : scan.trimmed().split(',')) {
        QVERIFY(value.trimmed().toDouble() >= 0);
        QVERIFY(value.trimmed().toDouble() <= 10.5);
    }
    instrument.listen(":VOLT?", true);
    QVERIFY(QRegularExpression("^V=[+-]\\d\\.\\d, V=[+-]\\d\\.\\d\n$")
                .match(QString::fromLatin1(read(instrument).text))
                .hasMatch());

    DefinedInstrument same = make("random", 42);
    same.listen(":SCAN?", true);
    QCOMPARE(read(same).text, scan);
    DefinedInstrument other = make("random", 43);
    other.listen(":SCAN?", true);
    QVERIFY(read(other).text != scan);
}

QTEST_GUILESS_MAIN(DefinedInstrumentTest)
#include "tst_definedinstrument.moc"
