// SPDX-License-Identifier: MIT
#include "gpib/statusmirror.h"
#include "outcomes.h"
#include "panel.h"

#include <QTest>

namespace {

const QString kSame =
    QStringLiteral("New Device address same as Controller's address,  please reenter");
const QString kRange =
    QStringLiteral("Device Address outside of 0 to 30 or 100 to 3030 range, please reenter");
const QString kLength = QStringLiteral("Length of address is out of range, reenter");
const QString kBefore = QStringLiteral("earlier result");

// A bench after Initialize with a device open as descriptor 17.
void openBench(Panel &p) {
    p.form.bench.vtmo = 12;
    p.form.bench.ud = 17;
    p.form.bench.FoundFlg = 1;
    p.form.ui->txtResults->setText(kBefore);
    p.form.ui->txtCmd->setText(QStringLiteral("*IDN?"));
}

QStringList opened(int pad, int sad) {
    return {"ibonl(17, 0)", QStringLiteral("ibdev(0, %1, %2, 12, 1, 10)").arg(pad).arg(sad),
            QStringLiteral("ibln(16, %1, %2)").arg(pad).arg(sad)};
}

} // namespace

class TestAddressSelection : public QObject {
    Q_OBJECT

private slots:
    void set_data();
    void set();
    void noListener();
    void setBeforeInitializeUsesTimeoutZeroAndOpensNothingOld();
    void lengthMessageStaysUntilTheNextSet();
    void secondSetTakesTheFirstDeviceOffline();
    void randomTextsNeverOverflow();
};

void TestAddressSelection::set_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("results");
    QTest::addColumn<QString>("error"); // empty: the error box is hidden
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("foundFlg");

    const auto accepted = [](const char *name, const char *text, int pad, int sad, int device) {
        QTest::newRow(name) << text << opened(pad, sad)
                            << QStringLiteral("Device Address => ") + QLatin1Char(' ') +
                                   QString::number(device)
                            << "" << pad + 256 * sad << device << 1;
    };
    const auto rejected = [](const char *name, const char *text, const QString &message,
                             int foundFlg) {
        QTest::newRow(name) << text << QStringList() << message << "" << 4 << 4 << foundFlg;
    };

    rejected("empty", "", kSame, 1);
    rejected("no number", "abc", kSame, 1);
    rejected("controller", "0", kSame, 1);
    rejected("rounds to controller", "0.5", kSame, 1);
    accepted("30", "30", 30, 0, 30);
    rejected("31", "31", kRange, 0);
    rejected("99", "99", kRange, 0);
    accepted("100", "100", 1, 96, 100);
    accepted("3030", "3030", 30, 126, 3030);
    rejected("3031", "3031", kRange, 0);
    rejected("-1", "-1", kRange, 0);
    accepted("4abc", "4abc", 4, 0, 4);
    accepted("5 01", "5 01", 5, 97, 501);
    accepted("blank 501", " 501", 5, 97, 501);
    accepted("1001", "1001", 10, 97, 1001);
    accepted("100 blank", "100 ", 10, 96, 100);
    accepted("0105", "0105", 1, 101, 105);
    accepted("531", "531", 5, 127, 531);
    accepted("4.5", "4.5", 4, 0, 4);
    accepted("5.5", "5.5", 6, 0, 6);
    accepted("hex", "&H1E", 30, 0, 30);
    // Values that a 16-bit address cannot hold are out of range, not a crash.
    rejected("40000", "40000", kRange, 0);
    rejected("1e9", "1e9", kRange, 0);
    rejected("-99999", "-99999", kRange, 0);
    // A secondary part of 32 or more would overflow the address word.
    rejected("599", "599", kRange, 0);
    rejected("2999", "2999", kRange, 0);
    rejected("hex secondary part", "&H64", kRange, 0);

    QTest::newRow("blank 1001") << " 1001" << QStringList{"ibonl(17, 0)"} << kBefore << kLength << 4
                                << 4 << 0;
    QTest::newRow("1.0e3") << "1.0e3" << QStringList{"ibonl(17, 0)"} << kBefore << kLength << 4 << 4
                           << 0;
}

void TestAddressSelection::set() {
    QFETCH(QString, text);
    QFETCH(QStringList, calls);
    QFETCH(QString, results);
    QFETCH(QString, error);
    QFETCH(int, target);
    QFETCH(int, device);
    QFETCH(int, foundFlg);
    Panel p;
    openBench(p);
    p.type(p.form.ui->txtAddr, text);
    QVERIFY(p.form.ui->cmdSet->isEnabled());
    p.click(p.form.ui->cmdSet);

    QCOMPARE(p.driver.calls, calls);
    QCOMPARE(p.results(), results);
    QCOMPARE(p.errorShown(), !error.isEmpty());
    if (!error.isEmpty())
        QCOMPARE(p.form.ui->txtError->text(), error);
    QCOMPARE(operations::TargetAddr, int16_t(target));
    QCOMPARE(p.form.bench.Device, int16_t(device));
    QCOMPARE(p.form.bench.FoundFlg, int16_t(foundFlg));
    QCOMPARE(p.form.ui->txtCmd->text(), QString());
    // Rejections beep before their message, acceptances with a listener not at all.
    const bool rejectedInResults = results == kSame || results == kRange;
    QCOMPARE(p.beeps, rejectedInResults ? QStringList{kBefore} : QStringList());
    // The descriptor of a device taken offline by a rejected length stays.
    if (error == kLength)
        QCOMPARE(p.form.bench.ud, int16_t(17));
    if (calls.size() == 3) {
        QCOMPARE(p.form.bench.ud, int16_t(16));
        QCOMPARE(int(p.form.bench.pad) + 256 * p.form.bench.sad, target);
    }
}

void TestAddressSelection::noListener() {
    Panel p;
    openBench(p);
    Outcome absent;
    absent.listener = 0;
    p.driver.script(QStringLiteral("ibln"), absent);
    p.type(p.form.ui->txtAddr, QStringLiteral("4"));
    p.click(p.form.ui->cmdSet);
    const QString notPresent =
        QStringLiteral("Device not present at address  4.  Check device address and retry");
    QCOMPARE(p.results(), notPresent);
    QCOMPARE(p.beeps, QStringList{notPresent}); // after the text
    QCOMPARE(p.form.bench.FoundFlg, int16_t(0));
    // The device is the target all the same.
    QCOMPARE(operations::TargetAddr, int16_t(4));
    QCOMPARE(p.form.bench.ud, int16_t(16));
}

void TestAddressSelection::setBeforeInitializeUsesTimeoutZeroAndOpensNothingOld() {
    Panel p;
    p.type(p.form.ui->txtAddr, QStringLiteral("5"));
    p.click(p.form.ui->cmdSet);
    QCOMPARE(p.driver.calls, QStringList({"ibdev(0, 5, 0, 0, 1, 10)", "ibln(16, 5, 0)"}));
    QCOMPARE(p.results(), QStringLiteral("Device Address =>  5"));
}

void TestAddressSelection::lengthMessageStaysUntilTheNextSet() {
    Panel p;
    openBench(p);
    p.type(p.form.ui->txtAddr, QStringLiteral(" 1001"));
    p.click(p.form.ui->cmdSet);
    QVERIFY(p.errorShown());
    p.type(p.form.ui->txtAddr, QStringLiteral("0"));
    p.click(p.form.ui->cmdSet);
    QVERIFY(!p.errorShown());
    QCOMPARE(p.results(), kSame);
}

void TestAddressSelection::secondSetTakesTheFirstDeviceOffline() {
    Panel p;
    Outcome second;
    second.result = 18;
    p.driver.script(QStringLiteral("ibdev"), Outcome{});
    p.driver.script(QStringLiteral("ibdev"), second);
    p.type(p.form.ui->txtAddr, QStringLiteral("5"));
    p.click(p.form.ui->cmdSet);
    p.type(p.form.ui->txtAddr, QStringLiteral("501"));
    p.click(p.form.ui->cmdSet);
    QCOMPARE(p.driver.calls,
             QStringList({"ibdev(0, 5, 0, 0, 1, 10)", "ibln(16, 5, 0)", "ibonl(16, 0)",
                          "ibdev(0, 5, 97, 0, 1, 10)", "ibln(18, 5, 97)"}));
    QCOMPARE(p.form.bench.ud, int16_t(18));
    QCOMPARE(operations::TargetAddr, int16_t(24837));
}

// Whatever is typed, Set ends normally, and an accepted address is always the word
// pad + 256 * sad without overflow.
void TestAddressSelection::randomTextsNeverOverflow() {
    Panel p;
    const QString alphabet =
        QStringLiteral("0123456789 .eE+-&HhOoFx\t\n,?") + QChar(0) + QChar(0xE9) + QChar(0x3A9);
    std::srand(12345);
    for (int i = 0; i < 20000; ++i) {
        QString text;
        const int length = std::rand() % (i % 10 == 0 ? 40 : 6);
        for (int j = 0; j < length; ++j)
            text += alphabet.at(std::rand() % alphabet.size());
        p.driver.calls.clear();
        p.form.ui->txtAddr->setText(text);
        p.form.ui->txtCmd->setText(QStringLiteral("x"));
        operations::TargetAddr = 4;
        p.form.ui->cmdSet->click();
        QCOMPARE(p.form.ui->txtCmd->text(), QString());
        if (p.driver.callsOf(QStringLiteral("ibdev")) == 0)
            continue;
        const operations::BenchState &b = p.form.bench;
        QVERIFY2(b.sad == 0 || (b.sad >= 96 && b.sad <= 127), qPrintable(text));
        QCOMPARE(int(operations::TargetAddr), b.pad + 256 * b.sad);
    }
}

QTEST_MAIN(TestAddressSelection)
#include "tst_addressselection.moc"
