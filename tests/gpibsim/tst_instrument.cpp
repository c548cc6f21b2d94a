// SPDX-License-Identifier: MIT
// The IEEE 488.2 core and the multimeter, driven directly the way the bus drives them.
#include "gpibsim/api/gpibsim.h"
#include "gpibsim/instruments/errorqueue.h"
#include "gpibsim/instruments/multimeter.h"

#include <QRegularExpression>
#include <QTest>

#include <array>

using namespace gpibsim;

namespace {

QByteArray read(Instrument &instrument) {
    std::array<char, 512> buffer{};
    const Instrument::Talked talked = instrument.talk(buffer, {});
    return QByteArray(buffer.data(), static_cast<qsizetype>(talked.count));
}

// One message sent with END, and all the instrument says to it.
QByteArray answerTo(Instrument &instrument, std::string_view message) {
    instrument.listen(message, true);
    return read(instrument);
}

} // namespace

class InstrumentTest : public QObject {
    Q_OBJECT

private slots:
    void replies_data();
    void replies();
    void multimeterReadsVoltage();
    void genericInstrumentHasNoMeasurements();
    void messageEndsAtLineFeedOrEndAndClearDropsIt();
    void errorQueueOverflowKeepsTheOldest();
    void overlongMessageIsDropped();
    void scriptedAnswerReplacesEveryReply();
};

void InstrumentTest::replies_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("reply");
    const QByteArray identity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";
    QTest::newRow("identify") << QByteArray("*IDN?") << identity;
    QTest::newRow("lower case, CR LF") << QByteArray("*idn?\r\n") << identity;
    QTest::newRow("operation complete") << QByteArray("*OPC?") << QByteArray("1\n");
    QTest::newRow("self-test") << QByteArray("*TST?") << QByteArray("0\n");
    QTest::newRow("empty units") << QByteArray(";;*RST;*WAI;*OPC?;") << QByteArray("1\n");
    QTest::newRow("event enable") << QByteArray("*ESE 36;*ESE?") << QByteArray("36\n");
    QTest::newRow("service enable leaves out RQS")
        << QByteArray("*SRE 255;*SRE?") << QByteArray("191\n");
    QTest::newRow("ESR? reads and clears") << QByteArray("*OPC;*ESR?;*ESR?") << QByteArray("1;0\n");
    QTest::newRow("no error") << QByteArray("SYST:ERR?") << QByteArray("0,\"No error\"\n");
    QTest::newRow("long form, leading colon")
        << QByteArray(":system:ERRor?") << QByteArray("0,\"No error\"\n");
    const QByteArray undefined = "-113,\"Undefined header\"\n";
    QTest::newRow("undefined header") << QByteArray("NOSUCH;SYST:ERR?") << undefined;
    QTest::newRow("partial long form") << QByteArray("SYSTE:ERR?;SYST:ERR?") << undefined;
    QTest::newRow("query mark missing") << QByteArray("SYST:ERR;SYST:ERR?") << undefined;
    QTest::newRow("node missing") << QByteArray("SYST?;SYST:ERR?") << undefined;
    QTest::newRow("node extra") << QByteArray("SYST:ERR:NEXT?;SYST:ERR?") << undefined;
    QTest::newRow("command error in ESR") << QByteArray("NOSUCH;*ESR?") << QByteArray("32\n");
    QTest::newRow("interrupted query in ESR") << QByteArray("*OPC?\n*ESR?") << QByteArray("4\n");
    QTest::newRow("interrupted query")
        << QByteArray("*OPC?\nSYST:ERR?") << QByteArray("-410,\"Query INTERRUPTED\"\n");
    QTest::newRow("missing parameter")
        << QByteArray("*ESE;SYST:ERR?") << QByteArray("-109,\"Missing parameter\"\n");
    QTest::newRow("parameter not a number")
        << QByteArray("*SRE x;SYST:ERR?") << QByteArray("-104,\"Data type error\"\n");
    QTest::newRow("parameter out of range")
        << QByteArray("*ESE 256;SYST:ERR?") << QByteArray("-222,\"Data out of range\"\n");
    QTest::newRow("parameter not allowed")
        << QByteArray("*IDN? 1;SYST:ERR?") << QByteArray("-108,\"Parameter not allowed\"\n");
    QTest::newRow("STB? shows ESB and the summary")
        << QByteArray("*ESE 32;*SRE 32;NOSUCH;*STB?") << QByteArray("96\n");
    QTest::newRow("CLS clears errors and ESR")
        << QByteArray("NOSUCH;*CLS;SYST:ERR?;*ESR?") << QByteArray("0,\"No error\";0\n");
}

void InstrumentTest::replies() {
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, reply);
    Multimeter multimeter("SIM0004");
    QCOMPARE(answerTo(multimeter, message.toStdString()), reply);
}

void InstrumentTest::multimeterReadsVoltage() {
    Multimeter multimeter("SIM0004");
    const QRegularExpression reading(R"(^[+-]\d\.\d{5}E[+-]\d\d\n$)");
    QByteArray previous;
    for (const char *query : {"MEAS:VOLT:DC?", "READ?", "MEASure:VOLTage:DC? 10,0.001"}) {
        const QByteArray answer = answerTo(multimeter, query);
        QVERIFY2(reading.match(QString::fromLatin1(answer)).hasMatch(), answer.constData());
        QVERIFY(qAbs(answer.toDouble() - 1.2345) < 0.01);
        QVERIFY(answer != previous);
        previous = answer;
    }
}

void InstrumentTest::genericInstrumentHasNoMeasurements() {
    Instrument generic("Simulated Instrument", "SIM0005");
    QCOMPARE(answerTo(generic, "READ?;SYST:ERR?"), QByteArray("-113,\"Undefined header\"\n"));
    QCOMPARE(answerTo(generic, "*IDN?"), QByteArray("QUORIN,Simulated Instrument,SIM0005,1.0\n"));
}

void InstrumentTest::messageEndsAtLineFeedOrEndAndClearDropsIt() {
    Multimeter multimeter("SIM0004");
    multimeter.listen("*OP", false);
    multimeter.listen("C?", false);
    QCOMPARE(multimeter.serialPoll(), 0);
    multimeter.listen("\n", false);
    QCOMPARE(multimeter.serialPoll(), Instrument::kMessageAvailable);
    multimeter.listen("NOSU", false);
    multimeter.clear();
    multimeter.listen("*TST?", true);
    QCOMPARE(read(multimeter), QByteArray("0\n"));
}

void InstrumentTest::errorQueueOverflowKeepsTheOldest() {
    ErrorQueue queue;
    queue.push(kDataTypeError);
    for (std::size_t i = 1; i < ErrorQueue::kCapacity + 3; ++i)
        queue.push(kUndefinedHeader);
    QCOMPARE(queue.pop().code, kDataTypeError.code);
    for (std::size_t i = 2; i < ErrorQueue::kCapacity; ++i)
        QCOMPARE(queue.pop().code, kUndefinedHeader.code);
    QCOMPARE(queue.pop().code, kQueueOverflow.code);
    QCOMPARE(queue.pop().code, kNoError.code);
}

void InstrumentTest::overlongMessageIsDropped() {
    Multimeter multimeter("SIM0004");
    multimeter.listen(std::string(Instrument::kInputCapacity + 10, 'A'), true);
    QCOMPARE(answerTo(multimeter, "SYST:ERR?"), QByteArray("-363,\"Input buffer overrun\"\n"));
    QCOMPARE(answerTo(multimeter, "*OPC?"), QByteArray("1\n"));
}

void InstrumentTest::scriptedAnswerReplacesEveryReply() {
    Multimeter multimeter("SIM0004");
    multimeter.answerEveryReadWith("A,B");
    QCOMPARE(answerTo(multimeter, "*IDN?"), QByteArray("A,B"));
    QCOMPARE(read(multimeter), QByteArray("A,B"));
    std::array<char, 8> buffer{};
    const Instrument::Talked talked = multimeter.talk(buffer, {',' | REOS});
    QCOMPARE(talked.count, std::size_t(2));
    QVERIFY(talked.end);
    QCOMPARE(read(multimeter), QByteArray("B"));
}

QTEST_GUILESS_MAIN(InstrumentTest)
#include "tst_instrument.moc"
