// SPDX-License-Identifier: MIT
#include "gpib/statusmirror.h"
#include "status/statusreport.h"

#include <QTest>

class TestStatusReport : public QObject {
    Q_OBJECT

private slots:
    void report_data();
    void report();
    void everyBitHasItsName_data();
    void everyBitHasItsName();
    void everyListedCodeHasItsName_data();
    void everyListedCodeHasItsName();
    void reportErrorUsesTheMirrorAndKeepsTheLatest();
};

void TestStatusReport::report_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("sta");
    QTest::addColumn<int>("err");
    QTest::addColumn<int>("cntl");
    QTest::addColumn<QString>("expected");

    QTest::newRow("send error") << "Send error" << 0x8130 << 2 << 0
                                << "Send error,  ibsta = &H8130 <  ERR CMPL CIC ATN  >, iberr =  2 "
                                   "ENOL <No Listener>, ibcnt =  0";
    QTest::newRow("ibfind error")
        << "ibfind error" << 0x8000 << 0 << 0
        << "ibfind error,  ibsta = &H8000 <  ERR  >, iberr =  0 EDVR <Op System Error>, ibcnt =  0";
    QTest::newRow("no bit set") << "X" << 0 << 0 << 0
                                << "X,  ibsta = &H0 <   >, iberr =  0 EDVR <Op System Error>, "
                                   "ibcnt =  0";
    QTest::newRow("all bits")
        << "L" << 0xFFFF << 6 << 12
        << "L,  ibsta = &HFFFF <  ERR TIMO END SRQI RQS SPOLL EVENT CMPL LOK REM CIC ATN TACS "
           "LACS DTAS DCAS  >, iberr =  6 EABO <Operation aborted>, ibcnt =  12";
    QTest::newRow("no leading zeros") << "L" << 0x0100 << 0 << 5
                                      << "L,  ibsta = &H100 <  CMPL  >, iberr =  0 EDVR <Op System "
                                         "Error>, ibcnt =  5";
    QTest::newRow("negative count") << "L" << 0xC100 << 6 << -1
                                    << "L,  ibsta = &HC100 <  ERR TIMO CMPL  >, iberr =  6 EABO "
                                       "<Operation aborted>, ibcnt = -1";
    QTest::newRow("two-digit code")
        << "FindLstn error" << 0x8000 << 20 << 0
        << "FindLstn error,  ibsta = &H8000 <  ERR  >, iberr =  20 ETAB "
           "<Table Overflow>, ibcnt =  0";
    QTest::newRow("32-bit count") << "L" << 0x2100 << 0 << 100000
                                  << "L,  ibsta = &H2100 <  END CMPL  >, iberr =  0 EDVR <Op "
                                     "System Error>, ibcnt =  100000";
    QTest::newRow("empty label") << "" << 0x8000 << 1 << 0
                                 << ",  ibsta = &H8000 <  ERR  >, iberr =  1 ECIC <Not CIC>, "
                                    "ibcnt =  0";
    // Codes without a name leave the name's place empty.
    QTest::newRow("unlisted 8") << "L" << 0x8000 << 8 << 0
                                << "L,  ibsta = &H8000 <  ERR  >, iberr =  8, ibcnt =  0";
    QTest::newRow("unlisted 13") << "L" << 0x8100 << 13 << 3
                                 << "L,  ibsta = &H8100 <  ERR CMPL  >, iberr =  13, ibcnt =  3";
    QTest::newRow("unlisted 21") << "L" << 0x8000 << 21 << 0
                                 << "L,  ibsta = &H8000 <  ERR  >, iberr =  21, ibcnt =  0";
    QTest::newRow("negative code")
        << "L" << 0x8000 << -1 << 0 << "L,  ibsta = &H8000 <  ERR  >, iberr = -1, ibcnt =  0";
}

void TestStatusReport::report() {
    QFETCH(QString, label);
    QFETCH(int, sta);
    QFETCH(int, err);
    QFETCH(int, cntl);
    QFETCH(QString, expected);
    QCOMPARE(status::statusReport(label, static_cast<std::int16_t>(sta),
                                  static_cast<std::int16_t>(err), cntl),
             expected);
}

void TestStatusReport::everyBitHasItsName_data() {
    QTest::addColumn<int>("bit");
    QTest::addColumn<QString>("name");
    const char *names[] = {"DCAS", "DTAS",  "LACS",  "TACS", "ATN",  "CIC", "REM",  "LOK",
                           "CMPL", "EVENT", "SPOLL", "RQS",  "SRQI", "END", "TIMO", "ERR"};
    for (int bit = 0; bit < 16; ++bit)
        QTest::newRow(names[bit]) << bit << names[bit];
}

void TestStatusReport::everyBitHasItsName() {
    QFETCH(int, bit);
    QFETCH(QString, name);
    const auto sta = static_cast<std::int16_t>(1u << bit);
    const QString report = status::statusReport(QString(), sta, 0, 0);
    QVERIFY2(report.contains(QLatin1String(" <  ") + name + QLatin1String("  >")),
             qPrintable(report));
    QVERIFY(report.contains(QLatin1String("&H") + QString::number(1u << bit, 16).toUpper() +
                            QLatin1Char(' ')));
}

void TestStatusReport::everyListedCodeHasItsName_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("name");
    QTest::newRow("0") << 0 << " EDVR <Op System Error>";
    QTest::newRow("1") << 1 << " ECIC <Not CIC>";
    QTest::newRow("2") << 2 << " ENOL <No Listener>";
    QTest::newRow("3") << 3 << " EADR <Address error>";
    QTest::newRow("4") << 4 << " EARG <Invalid argument>";
    QTest::newRow("5") << 5 << " ESAC <Not Sys Ctrlr>";
    QTest::newRow("6") << 6 << " EABO <Operation aborted>";
    QTest::newRow("7") << 7 << " ENEB <No GPIB board>";
    QTest::newRow("10") << 10 << " EOIP <Async I/O in prg>";
    QTest::newRow("11") << 11 << " ECAP <No capability>";
    QTest::newRow("12") << 12 << " EFSO <File sys. error>";
    QTest::newRow("14") << 14 << " EBUS <Command error>";
    QTest::newRow("15") << 15 << " ESTB <Status byte lost>";
    QTest::newRow("16") << 16 << " ESRQ <SRQ stuck on>";
    QTest::newRow("20") << 20 << " ETAB <Table Overflow>";
}

void TestStatusReport::everyListedCodeHasItsName() {
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(status::statusReport(QStringLiteral("L"), 0, static_cast<std::int16_t>(code), 0),
             QStringLiteral("L,  ibsta = &H0 <   >, iberr = ") + QLatin1Char(' ') +
                 QString::number(code) + name + QStringLiteral(", ibcnt =  0"));
}

void TestStatusReport::reportErrorUsesTheMirrorAndKeepsTheLatest() {
    gpib::ibsta = static_cast<std::int16_t>(0x8000);
    gpib::iberr = 2;
    gpib::ibcnt = 7;      // the 16-bit count is not shown ...
    gpib::ibcntl = 70000; // ... the 32-bit one is, under the name ibcnt
    QString first = QStringLiteral("Send error");
    status::ReportError(first);
    QCOMPARE(first, QStringLiteral("Send error,  ibsta = &H8000 <  ERR  >, iberr =  2 ENOL <No "
                                   "Listener>, ibcnt =  70000"));
    QCOMPARE(status::ErrMsg, first);

    gpib::iberr = 6;
    gpib::ibcntl = 0;
    QString second = QStringLiteral("Receive Error");
    status::ReportError(second);
    QCOMPARE(status::ErrMsg, QStringLiteral("Receive Error,  ibsta = &H8000 <  ERR  >, iberr =  "
                                            "6 EABO <Operation aborted>, ibcnt =  0"));
}

QTEST_APPLESS_MAIN(TestStatusReport)
#include "tst_statusreport.moc"
