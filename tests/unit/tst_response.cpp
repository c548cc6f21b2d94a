// SPDX-License-Identifier: MIT
#include "operations/response.h"

#include <QTest>

class TestResponse : public QObject {
    Q_OBJECT

private slots:
    void firstLine_data();
    void firstLine();
};

void TestResponse::firstLine_data() {
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("shown");
    const auto padded = [](const QString &s) {
        return s + QString(80 - std::min<qsizetype>(80, s.size()), QLatin1Char(' '));
    };
    QTest::newRow("line feed") << padded("1.234\n") << "1.234";
    QTest::newRow("carriage return stays") << padded("1.234\r\n") << "1.234\r";
    QTest::newRow("first of two lines") << padded("A\nB\n") << "A";
    QTest::newRow("blanks before the line feed stay") << padded("ok  \n") << "ok  ";
    QTest::newRow("no line feed") << padded("+1.0E+00") << "+1.0E+00";
    QTest::newRow("blanks inside stay") << padded("a b") << "a b";
    QTest::newRow("leading blanks stay") << padded("  x") << "  x";
    QTest::newRow("nothing received") << padded("") << "";
    QTest::newRow("line feed first") << padded("\nrest") << "";
    QTest::newRow("80 bytes, no line feed")
        << QString(79, QLatin1Char('x')) + QLatin1Char('y') << QString(79, QLatin1Char('x')) + 'y';
    QTest::newRow("tab is no blank") << padded("v\t") << "v\t";
    QTest::newRow("latin-1") << padded(QString::fromUtf8("\u00b5V\n"))
                             << QString::fromUtf8("\u00b5V");
}

void TestResponse::firstLine() {
    QFETCH(QString, received);
    QFETCH(QString, shown);
    QCOMPARE(operations::firstLine(received), shown);
}

QTEST_APPLESS_MAIN(TestResponse)
#include "tst_response.moc"
