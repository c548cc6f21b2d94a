// SPDX-License-Identifier: MIT
#include "operations/numericvalue.h"

#include <QTest>

#include <cmath>
#include <limits>

using operations::numericValue;
using operations::roundedInt16;

class TestNumericValue : public QObject {
    Q_OBJECT

private slots:
    void value_data();
    void value();
    void hugeValues();
    void rounding_data();
    void rounding();
};

void TestNumericValue::value_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("no number") << "abc" << 0.0;
    QTest::newRow("plain") << "4" << 4.0;
    QTest::newRow("garbage after") << "4abc" << 4.0;
    QTest::newRow("inner blank") << "5 01" << 501.0;
    QTest::newRow("leading blank") << " 501" << 501.0;
    QTest::newRow("trailing blank") << "100 " << 100.0;
    QTest::newRow("leading zero") << "0105" << 105.0;
    QTest::newRow("tabs and line feeds") << "\t3\n0 " << 30.0;
    QTest::newRow("blanks in the fraction") << "1 2 . 5" << 12.5;
    QTest::newRow("carriage return stops") << "5\r1" << 5.0;
    QTest::newRow("comma stops") << "1,5" << 1.0;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("half") << "4.5" << 4.5;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("point alone") << "." << 0.0;
    QTest::newRow("point then letter") << "7.x" << 7.0;
    QTest::newRow("minus") << "-1" << -1.0;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("two signs") << "--5" << 0.0;
    QTest::newRow("sign after digits stops") << "1-2" << 1.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent upper case with sign") << "1E+2" << 100.0;
    QTest::newRow("negative exponent") << "2.5e-1" << 0.25;
    QTest::newRow("exponent with blanks") << "1 e 2" << 100.0;
    QTest::newRow("exponent without digits") << "1e" << 1.0;
    QTest::newRow("exponent sign without digits") << "1e+" << 1.0;
    QTest::newRow("D is no exponent") << "1d2" << 1.0;
    QTest::newRow("hex") << "&H1F" << 31.0;
    QTest::newRow("hex lower case") << "&h1f" << 31.0;
    QTest::newRow("hex stops") << "&HFG" << 15.0;
    QTest::newRow("hex without digits") << "&HG" << 0.0;
    QTest::newRow("hex four digits") << "&HFFFF" << 65535.0;
    QTest::newRow("negative hex") << "-&H10" << -16.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("octal stops at 8") << "&O78" << 7.0;
    QTest::newRow("ampersand alone") << "&" << 0.0;
    QTest::newRow("ampersand other letter") << "&X1" << 0.0;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("\u0663") << 0.0;
    QTest::newRow("non-ASCII after digit") << QString::fromUtf8("4\u00e9") << 4.0;
    QTest::newRow("underflow") << "1e-400" << 0.0;
    QTest::newRow("many digits") << "99999999999999999999" << 1e20;
}

void TestNumericValue::value() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(numericValue(text), expected);
}

void TestNumericValue::hugeValues() {
    QVERIFY(numericValue(QStringLiteral("1e400")) > 1e300);
    QVERIFY(numericValue(QStringLiteral("-1e400")) < -1e300);
    QVERIFY(numericValue(QString(5000, QLatin1Char('9'))) > 1e300);
    QVERIFY(numericValue(QStringLiteral("&H") + QString(400, QLatin1Char('F'))) > 1e300);
}

void TestNumericValue::rounding_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected"); // 99999 stands for "does not fit"
    QTest::newRow("4.5 to even") << 4.5 << 4;
    QTest::newRow("5.5 to even") << 5.5 << 6;
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("-4.5") << -4.5 << -4;
    QTest::newRow("-5.5") << -5.5 << -6;
    QTest::newRow("4.51") << 4.51 << 5;
    QTest::newRow("largest") << 32767.4 << 32767;
    QTest::newRow("rounds past the largest") << 32767.5 << 99999;
    QTest::newRow("smallest by rounding") << -32768.5 << -32768;
    QTest::newRow("below the smallest") << -32768.6 << 99999;
    QTest::newRow("40000") << 40000.0 << 99999;
    QTest::newRow("1e9") << 1e9 << 99999;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 99999;
    QTest::newRow("nan") << std::nan("") << 99999;
}

void TestNumericValue::rounding() {
    QFETCH(double, value);
    QFETCH(int, expected);
    const auto rounded = roundedInt16(value);
    if (expected == 99999)
        QVERIFY(!rounded);
    else
        QCOMPARE(rounded, std::optional<std::int16_t>(static_cast<std::int16_t>(expected)));
}

QTEST_APPLESS_MAIN(TestNumericValue)
#include "tst_numericvalue.moc"
