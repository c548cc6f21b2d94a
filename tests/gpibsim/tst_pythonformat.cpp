// SPDX-License-Identifier: MIT
// Python's format mini-language and its inverse as definition files use them: getters format
// with it, setters read their value back with it. Expected texts are what Python 3.11 gives;
// beyond the hand-picked rows, Debian's Python answers thousands of generated ones at test time.
#include "gpibsim/pyformat/formatstring.h"
#include "gpibsim/pyformat/pythonformat.h"
#include "gpibsim/pyformat/setterpattern.h"
#include "gpibsim/pyformat/value.h"

#include <fmt/format.h>

#include <QProcess>
#include <QTest>

#include <cmath>
#include <limits>
#include <random>

using namespace gpibsim::pyformat;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct Formatted {
    Value value;
    const char *spec;
    const char *python;
};

const Formatted kFormatted[] = {
    {1.0, "", "1.0"},
    {0.1, "", "0.1"},
    {1e16, "", "1e+16"},
    {1e-5, "", "1e-05"},
    {123456789.0, "", "123456789.0"},
    {-0.0, "", "-0.0"},
    {5e-324, "", "5e-324"},
    {1.0, ".3", "1.0"},
    {123.0, ".3", "1.23e+02"},
    {12.0, ".3", "12.0"},
    {0.0001234, ".2", "0.00012"},
    {3.14159, ".0", "3e+00"},
    {1.5, "#.3", "1.50"},
    {1e16, "#", "1.e+16"},
    {2.675, ".2f", "2.67"},
    {-1.5, "+.8E", "-1.50000000E+00"},
    {1.0, "+.8E", "+1.00000000E+00"},
    {1234567.0, "g", "1.23457e+06"},
    {1.0, "#g", "1.00000"},
    {0.125, ".1%", "12.5%"},
    {3.0, "n", "3"},
    {1234567.5, ",", "1,234,567.5"},
    {1234.5678, "_.2f", "1_234.57"},
    {1234.5, "012,.1f", "00,001,234.5"},
    {-1234.0, "010,.0f", "-0,001,234"},
    {-0.001, "z.1f", "0.0"},
    {-0.001, ".1f", "-0.0"},
    {-12.5, "=+10.1f", "-     12.5"},
    {kInf, "010,", "0000000inf"},
    {-kInf, "F", "-INF"},
    {std::numeric_limits<double>::quiet_NaN(), "+", "+nan"},
    {1.5, "*^9.2f", "**1.50***"},
    {1e100, ".3e", "1.000e+100"},
    {std::int64_t{42}, "", "42"},
    {std::int64_t{-42}, "+d", "-42"},
    {std::int64_t{42}, " d", " 42"},
    {std::int64_t{255}, "#X", "0XFF"},
    {std::int64_t{8}, "#o", "0o10"},
    {std::int64_t{123456789}, "_b", "111_0101_1011_1100_1101_0001_0101"},
    {std::int64_t{1234}, "09,", "0,001,234"},
    {std::int64_t{-5}, "#06x", "-0x005"},
    {std::int64_t{233}, "c", "\xc3\xa9"},
    {std::int64_t{65}, "=5c", "    A"},
    {std::int64_t{5}, "<05", "50000"},
    {std::int64_t{7}, ".2f", "7.00"},
    {std::int64_t{3}, "%", "300.000000%"},
    {std::numeric_limits<std::int64_t>::min(), "x", "-8000000000000000"},
    {std::string("abc"), "^7", "  abc  "},
    {std::string("abc"), "05", "abc00"},
    {std::string("h\xc3\xa9llo"), ".2", "h\xc3\xa9"},
    {std::string("ab"), "\xe2\x86\x92^6",
     "\xe2\x86\x92\xe2\x86\x92"
     "ab\xe2\x86\x92\xe2\x86\x92"},
};

// A format Python refuses, and a word of our reason.
struct Refused {
    const char *spec;
    ValueType type;
    const char *reason;
};

const Refused kRefused[] = {
    {".", ValueType::Float, "precision missing"},
    {",,", ValueType::Int, "given twice"},
    {",_", ValueType::Int, "both"},
    {",x", ValueType::Int, "',' not allowed"},
    {"_n", ValueType::Int, "'_' not allowed"},
    {",s", ValueType::Text, "',' not allowed"},
    {"dd", ValueType::Int, "invalid"},
    {"1001", ValueType::Int, "width"},
    {".1001f", ValueType::Float, "precision above"},
    {"d", ValueType::Float, "unknown format code 'd'"},
    {"s", ValueType::Int, "unknown format code 's'"},
    {"j", ValueType::Float, "unknown format code 'j'"},
    {".2", ValueType::Int, "precision"},
    {"z", ValueType::Int, "'z'"},
    {"+c", ValueType::Int, "sign"},
    {"+", ValueType::Text, "sign"},
    {"#", ValueType::Text, "'#'"},
    {"=5", ValueType::Text, "'='"},
    {",", ValueType::Text, "','"},
};

// Python reads each line "kind<TAB>value<TAB>spec in hex" and answers format(value, spec) in
// hex, or ERR where it raises. Floats travel in C's hexadecimal notation, so they arrive exact.
constexpr char kOracle[] = R"(import sys
for line in sys.stdin:
    kind, value, spec = line.rstrip("\n").split("\t")
    spec = bytes.fromhex(spec).decode()
    value = {"int": int, "float": float.fromhex, "str": lambda v: bytes.fromhex(v).decode()}[kind](value)
    try:
        print(format(value, spec).encode().hex())
    except (ValueError, TypeError, OverflowError):
        print("ERR")
)";

constexpr int kGeneratedPairs = 12000;

// Format specifiers and values drawn from a fixed seed: every part of a specifier, each one
// present about half the time, so that valid and invalid combinations both come up.
class Generator {
public:
    // Mostly parts and a code that Python takes for a value of `type`, sometimes any.
    std::string spec(ValueType type) {
        const bool text = type == ValueType::Text;
        const bool integer = type == ValueType::Int;
        const auto part = [&](bool fits) {
            return chance(fits ? 3 : 12);
        };
        std::string code =
            pick({"", "b", "c", "d", "e", "E", "f", "F", "g", "G", "n", "o", "s", "x", "X", "%"});
        if (!chance(4))
            code = text      ? pick({"", "s"})
                   : integer ? pick({"", "b", "c", "d", "n", "o", "x", "X", "e", "f", "g", "%"})
                             : pick({"", "e", "E", "f", "F", "g", "G", "n", "%"});
        const bool floatCode = !text && code.find_first_of("eEfFgG%") != std::string::npos;
        std::string spec;
        if (chance(2)) {
            if (chance(2))
                spec += pick({"*", "0", "x", " ", "\xc3\xa9", "<", "="});
            spec += text && !chance(8) ? pick({"<", ">", "^"}) : pick({"<", ">", "^", "="});
        }
        if (part(!text))
            spec += pick({"+", "-", " "});
        if (part(!text && !integer))
            spec += 'z';
        if (part(!text && code != "c"))
            spec += '#';
        if (chance(4))
            spec += '0';
        if (chance(2))
            spec += std::to_string(below(25));
        if (part(!text && code != "c" && code != "n"))
            spec += pick({",", "_"});
        if (part(text || floatCode || code.empty()))
            spec += "." + std::to_string(below(18));
        return spec + code;
    }

    Value value() {
        switch (below(3)) {
        case 0: {
            const std::int64_t magnitude =
                static_cast<std::int64_t>(random_() >> below(64) & 0x7FFF'FFFF'FFFF'FFFF);
            return chance(3) ? -magnitude : magnitude;
        }
        case 1:
            return floatValue();
        default:
            return std::string(pick(
                {"", "a", "abc", "Hello, world", "h\xc3\xa9llo", "\xe2\x86\x92", "-12", "3.5"}));
        }
    }

private:
    double floatValue() {
        constexpr double kSpecial[] = {0.0,  -0.0, 0.5,   1.5, 2.5,        2.675, 65.0,  1e16,
                                       1e-5, 1e-4, 9.995, 0.1, 123456.789, 1e300, 5e-324};
        switch (below(4)) {
        case 0:
            return kSpecial[below(std::size(kSpecial))] * (chance(2) ? -1 : 1);
        case 1:
            return std::ldexp(static_cast<double>(random_() >> 11),
                              static_cast<int>(below(200)) - 150);
        case 2:
            return static_cast<double>(static_cast<std::int64_t>(below(2000000)) - 1000000) /
                   std::pow(10.0, below(8));
        default:
            return pickOf({std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::quiet_NaN()});
        }
    }

    std::uint64_t below(std::uint64_t bound) { return random_() % bound; }
    bool chance(std::uint64_t oneIn) { return below(oneIn) == 0; }
    const char *pick(std::initializer_list<const char *> options) {
        return options.begin()[below(options.size())];
    }
    double pickOf(std::initializer_list<double> options) {
        return options.begin()[below(options.size())];
    }

    std::mt19937_64 random_{20240611};
};

// "kind<TAB>value", as the oracle reads it.
QByteArray described(const Value &value) {
    if (const auto *integer = std::get_if<std::int64_t>(&value))
        return "int\t" + QByteArray::number(static_cast<qlonglong>(*integer));
    if (const auto *number = std::get_if<double>(&value)) {
        if (std::isnan(*number))
            return "float\tnan";
        if (std::isinf(*number))
            return *number > 0 ? "float\tinf" : "float\t-inf";
        return "float\t" + QByteArray::fromStdString(fmt::format("{:a}", *number));
    }
    return "str\t" + QByteArray::fromStdString(std::get<std::string>(value)).toHex();
}

std::string refusal(const Refused &row) {
    const ParsedSpec parsed = parseFormatSpec(row.spec);
    return parsed.error.empty() ? formatError(parsed.spec, row.type) : parsed.error;
}

} // namespace

class PythonFormatTest : public QObject {
    Q_OBJECT

private slots:
    void formatsAsPython_data();
    void formatsAsPython();
    void refusesWhatPythonRefuses_data();
    void refusesWhatPythonRefuses();
    void matchesPythonOnGeneratedSpecs();
    void formatStrings_data();
    void formatStrings();
    void reprOfValues();
    void convertsAsPython_data();
    void convertsAsPython();
    void settersReadAsStringparser_data();
    void settersReadAsStringparser();
    void settersGiveUpWhereTheBusCannotHold();
};

void PythonFormatTest::formatsAsPython_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < std::size(kFormatted); ++i)
        QTest::addRow("%s of a %s", kFormatted[i].spec, typeName(typeOf(kFormatted[i].value)))
            << static_cast<int>(i);
}

void PythonFormatTest::formatsAsPython() {
    QFETCH(int, row);
    const Formatted &expected = kFormatted[row];
    const ParsedSpec parsed = parseFormatSpec(expected.spec);
    QVERIFY2(parsed.error.empty(), parsed.error.c_str());
    const std::optional<std::string> text = formatValue(expected.value, parsed.spec);
    QVERIFY(text);
    QCOMPARE(QByteArray::fromStdString(*text), QByteArray(expected.python));
}

void PythonFormatTest::refusesWhatPythonRefuses_data() {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < std::size(kRefused); ++i)
        QTest::addRow("%s of a %s", kRefused[i].spec, typeName(kRefused[i].type))
            << static_cast<int>(i);
}

void PythonFormatTest::refusesWhatPythonRefuses() {
    QFETCH(int, row);
    const std::string reason = refusal(kRefused[row]);
    QVERIFY2(reason.find(kRefused[row].reason) != std::string::npos, reason.c_str());
}

void PythonFormatTest::matchesPythonOnGeneratedSpecs() {
#if defined(_WIN32)
    QSKIP("Python, the oracle, runs on Linux");
#endif
    Generator generator;
    std::vector<std::pair<Value, std::string>> pairs;
    QByteArray input;
    for (int i = 0; i < kGeneratedPairs; ++i) {
        Value value = generator.value();
        std::string spec = generator.spec(typeOf(value));
        pairs.emplace_back(std::move(value), std::move(spec));
        input += described(pairs.back().first) + '\t' +
                 QByteArray::fromStdString(pairs.back().second).toHex() + '\n';
    }
    QProcess python;
    python.start("/usr/bin/python3", {"-c", kOracle});
    QVERIFY2(python.waitForStarted(), "Debian's /usr/bin/python3 is needed");
    python.write(input);
    python.closeWriteChannel();
    QVERIFY(python.waitForFinished(60000));
    const QList<QByteArray> answers = python.readAllStandardOutput().split('\n');
    QCOMPARE(answers.size(), kGeneratedPairs + 1);

    int wrong = 0;
    int formatted = 0;
    for (int i = 0; i < kGeneratedPairs; ++i) {
        const auto &[value, spec] = pairs[i];
        const ParsedSpec parsed = parseFormatSpec(spec);
        const std::optional<std::string> ours =
            parsed.error.empty() ? formatValue(value, parsed.spec) : std::nullopt;
        const QByteArray shown = ours ? QByteArray::fromStdString(*ours).toHex() : "ERR";
        formatted += ours ? 1 : 0;
        if (shown == answers[i])
            continue;
        if (++wrong <= 20)
            qWarning("format(%s, '%s'): Python '%s', ours '%s'", described(value).constData(),
                     spec.c_str(), QByteArray::fromHex(answers[i]).constData(),
                     ours ? ours->c_str() : "ERR");
    }
    QCOMPARE(wrong, 0);
    // Most pairs are formats Python takes, not only ones it refuses.
    QVERIFY2(formatted > kGeneratedPairs / 2, QByteArray::number(formatted).constData());
}

// `format.format(2.5)`, or `format.format(ch_id="2")` for rows of a channel; ERR where Python
// raises.
void PythonFormatTest::formatStrings_data() {
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<bool>("channel");
    QTest::addColumn<QByteArray>("python");
    QTest::newRow("literal braces")
        << QByteArray("{{x}} {0:.1f}") << false << QByteArray("{x} 2.5");
    QTest::newRow("repr, aligned") << QByteArray("[{!r:>8}]") << false << QByteArray("[     2.5]");
    QTest::newRow("str, centred") << QByteArray("{!s:^7}") << false << QByteArray("  2.5  ");
    QTest::newRow("ascii") << QByteArray("{!a}") << false << QByteArray("2.5");
    QTest::newRow("one value twice") << QByteArray("{0}/{0:+.0f}") << false << QByteArray("2.5/+2");
    QTest::newRow("specifier from a field") << QByteArray("{0:{0}}") << false << QByteArray("2.5");
    QTest::newRow("single }") << QByteArray("a}") << false << QByteArray("ERR");
    QTest::newRow("unclosed {") << QByteArray("{:.2f") << false << QByteArray("ERR");
    QTest::newRow("second value in a specifier")
        << QByteArray("{:{}}") << false << QByteArray("ERR");
    QTest::newRow("fields three deep") << QByteArray("{0:{0:{0}}}") << false << QByteArray("ERR");
    QTest::newRow("conversion !x") << QByteArray("{!x}") << false << QByteArray("ERR");
    QTest::newRow("two {}") << QByteArray("{} {}") << false << QByteArray("ERR");
    QTest::newRow("{} and {0}") << QByteArray("{} {0}") << false << QByteArray("ERR");
    QTest::newRow("named field") << QByteArray("{volts}") << false << QByteArray("ERR");
    QTest::newRow("bad specifier") << QByteArray("{:,,d}") << false << QByteArray("ERR");
    QTest::newRow("channel id") << QByteArray("CH{ch_id}:V?") << true << QByteArray("CH2:V?");
    QTest::newRow("channel id aligned")
        << QByteArray("CH{ch_id:>3}?") << true << QByteArray("CH  2?");
    QTest::newRow("channel id's repr")
        << QByteArray("CH{ch_id!r}?") << true << QByteArray("CH'2'?");
    QTest::newRow("braces around ch_id")
        << QByteArray("CH{{ch_id}}?") << true << QByteArray("CH{ch_id}?");
    QTest::newRow("value field in a channel") << QByteArray("CH{}?") << true << QByteArray("ERR");
    QTest::newRow("channel id as a number")
        << QByteArray("CH{ch_id:d}?") << true << QByteArray("ERR");
}

void PythonFormatTest::formatStrings() {
    QFETCH(QByteArray, format);
    QFETCH(bool, channel);
    QFETCH(QByteArray, python);
    const FormatString parsed = parseFormatString(format.toStdString());
    const std::optional<std::string> shown =
        channel ? formatWithChannel(parsed, std::string("2")) : formatWith(parsed, 2.5);
    const QByteArray text = shown ? QByteArray::fromStdString(*shown) : QByteArray("ERR");
    QCOMPARE(text, python);
}

void PythonFormatTest::reprOfValues() {
    auto dict = std::make_shared<Container>(Container{.dict = true});
    auto list = std::make_shared<Container>();
    list->items = {std::int64_t{1}, 2.5, std::string("x'y")};
    dict->keys = {std::string("val"), std::string("a")};
    dict->items = {std::string("12"), list};
    QCOMPARE(QByteArray::fromStdString(str(Value(dict))),
             QByteArray("{'val': '12', 'a': [1, 2.5, \"x'y\"]}"));
    QCOMPARE(QByteArray::fromStdString(repr(std::string("h\xc3\xa9llo\n"))),
             QByteArray("'h\xc3\xa9llo\\n'"));
    QCOMPARE(QByteArray::fromStdString(ascii(std::string("h\xc3\xa9llo\n"))),
             QByteArray("'h\\xe9llo\\n'"));
}

void PythonFormatTest::convertsAsPython_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("asInt");   // "ERR" where int(text) raises
    QTest::addColumn<QString>("asFloat"); // str(float(text)), or "ERR"
    QTest::newRow("blanks") << " 12 "
                            << "12"
                            << "12.0";
    QTest::newRow("plus") << "+7"
                          << "7"
                          << "7.0";
    QTest::newRow("underscore") << "1_000"
                                << "1000"
                                << "1000.0";
    QTest::newRow("two underscores") << "1__0"
                                     << "ERR"
                                     << "ERR";
    QTest::newRow("point") << "12.5"
                           << "ERR"
                           << "12.5";
    QTest::newRow("hexadecimal") << "0x10"
                                 << "ERR"
                                 << "ERR";
    QTest::newRow("empty") << ""
                           << "ERR"
                           << "ERR";
    QTest::newRow("exponent") << "1e3"
                              << "ERR"
                              << "1000.0";
    QTest::newRow("infinity") << "-Infinity"
                              << "ERR"
                              << "-inf";
    QTest::newRow("leading point") << ".5"
                                   << "ERR"
                                   << "0.5";
    QTest::newRow("overflow") << "1e400"
                              << "ERR"
                              << "inf";
    QTest::newRow("underflow") << "-1e-400"
                               << "ERR"
                               << "-0.0";
    QTest::newRow("hexadecimal float") << "0x1p3"
                                       << "ERR"
                                       << "ERR";
    QTest::newRow("above int64") << "9223372036854775808"
                                 << "ERR"
                                 << "9.223372036854776e+18";
}

void PythonFormatTest::convertsAsPython() {
    QFETCH(QString, text);
    QFETCH(QString, asInt);
    QFETCH(QString, asFloat);
    const auto shown = [](const std::optional<Value> &value) {
        return value ? QString::fromStdString(
                           std::get<std::string>(*convert(*value, ValueType::Text)))
                     : QStringLiteral("ERR");
    };
    const Value value = text.toStdString();
    QCOMPARE(shown(convert(value, ValueType::Int)), asInt);
    QCOMPARE(shown(convert(value, ValueType::Float)), asFloat);
}

// What stringparser, through which pyvisa-sim reads a setter's value, makes of a query: the
// Python repr() of what it reads, NOMATCH where it raises ValueError (pyvisa-sim tries the next
// setter), and REFUSED where it refuses the setter as the file is loaded. Each row was checked
// against stringparser itself.
void PythonFormatTest::settersReadAsStringparser_data() {
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("read");
    const auto row = [](const char *name, const char *pattern, const char *query,
                        const char *read) {
        QTest::newRow(name) << QByteArray(pattern) << QByteArray(query) << QByteArray(read);
    };
    row("float", "!FREQ {:.2f}", "!FREQ 10.30", "10.3");
    row("float, one decimal", "!FREQ {:.2f}", "!FREQ 10.3", "10.3");
    row("float, one digit", "!AMP {:.2f}", "!AMP 5", "NOMATCH");
    row("float, point last", "!AMP {:.2f}", "!AMP 5.", "NOMATCH");
    row("float, minus", "!AMP {:.2f}", "!AMP -1.5", "-1.5");
    row("float, plus", "!AMP {:.2f}", "!AMP +1.5", "NOMATCH");
    row("exponent", "V {:e}", "V 1.5e-3", "0.0015");
    row("exponent in capitals for e", "V {:e}", "V 1.5E-3", "NOMATCH");
    row("E", "V {:E}", "V 15E3", "15000.0");
    row("g", "V {:g}", "V 15E3", "15000.0");
    row("g, one digit", "V {:g}", "V 1e3", "NOMATCH");
    row("f with an exponent", "V {:f}", "V 1e3", "NOMATCH");
    row("f of a word", "V {:f}", "V ten", "NOMATCH");
    row("percent", "D {:%}", "D 50%", "0.5");
    row("percent, precision", "D {:.1%}", "D 12.5%", "0.125");
    row("integer", "OUT {:d}", "OUT 1", "1");
    row("integer, zeros first", "OUT {:d}", "OUT 007", "7");
    row("integer, plus", "OUT {:d}", "OUT +1", "NOMATCH");
    row("integer, plus required", "OUT {:+d}", "OUT +1", "1");
    row("integer, plus missing", "OUT {:+d}", "OUT 1", "NOMATCH");
    row("integer, blank for a sign", "OUT {: d}", "OUT  1", "1");
    row("integer with a point", "OUT {:d}", "OUT 1.0", "NOMATCH");
    row("hexadecimal", "M {:x}", "M ff", "255");
    row("hexadecimal, 0x", "M {:x}", "M 0xff", "NOMATCH");
    row("hexadecimal, 0x required", "M {:#x}", "M 0xff", "255");
    row("hexadecimal, minus", "M {:#x}", "M -0xff", "-255");
    row("hexadecimal in capitals", "M {:X}", "M FF", "255");
    row("capitals for x", "M {:x}", "M FF", "NOMATCH");
    row("binary", "M {:b}", "M 101", "5");
    row("octal", "M {:o}", "M 17", "15");
    row("octal, 0o", "M {:#o}", "M 0o17", "15");
    row("text", "INST {:s}", "INST P25V", "'P25V'");
    row("any text", "I {}", "I 2", "'2'");
    row("empty text", "I {}", "I ", "''");
    row("other header", "I {}", "J 2", "NOMATCH");
    row("text across a line feed", "I {}", "I a\nb", "NOMATCH");
    row("line feed last", "X {}", "X a\n", "'a'");
    row("text after the value", "SET {:d} V", "SET 12 V", "12");
    row("no field", "PAUSE", "PAUSE", "{}");
    row("no field, blank after", "PAUSE", "PAUSE ", "NOMATCH");
    row("named field", "channel.reset({val})", "channel.reset(12)", "{'val': '12'}");
    row("channel and value", "CH {ch_id}:VOLT {:.3f}", "CH 2:VOLT 3.50",
        "{'ch_id': '2', '0': 3.5}");
    row("value, then channel", "{:d},{ch_id}", "10,3", "{'0': 10, 'ch_id': '3'}");
    row("channel as a number", "{ch_id:d} {}", "3 x", "{'ch_id': 3, '0': 'x'}");
    row("two values", "T {} {}", "T a b", "['a', 'b']");
    row("two values numbered", "T {1} {0}", "T a b", "['b', 'a']");
    row("one value twice", "T {0} {0}", "T a b", "'a'");
    row("ignored field", "T {_} {}", "T a b", "'b'");
    row("first of two as short as can be", "{}{}", "ab", "['', 'ab']");
    row("first of two integers", "{:d}{:d}", "123", "[1, 23]");
    row("first of two floats as long as can be", "{:f}{:f}", "12345", "[123.0, 45.0]");
    row("two names", "{a}{b}", "xy", "{'a': '', 'b': 'xy'}");
    row("specifier not read from its start", "V {:z.1f}", "V abc", "'abc'");
    row("underscore before the code", "N {:_d}", "N 1_000", "'1_000'");
    row("aligned", "V {:>10.3f}", "V 2.50", "2.5");
    row("filled, signed", "V {:*^+10.3f}", "V -2.50", "-2.5");
    row("field in the specifier", "{:{}}", "-x", "'-x'");
    row("conversion", "{!r}", "abc", "'abc'");
    row("c", "K {:c}", "", "REFUSED");
    row("n", "K {:n}", "", "REFUSED");
    row("# with f", "K {:#f}", "", "REFUSED");
    row("# alone", "K {:#}", "", "REFUSED");
    row("two codes", "K {:dd}", "", "REFUSED");
    row("unclosed specifier", "K {:q", "", "REFUSED");
    row("single {", "K {", "", "REFUSED");
    row("single }", "K }", "", "REFUSED");
    row("unclosed [", "{a[}", "", "REFUSED");
    row("empty attribute", "{a..b}", "", "REFUSED");
    row("text after ]", "{a[0]x}", "", "REFUSED");
}

void PythonFormatTest::settersReadAsStringparser() {
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, read);
    const SetterPattern::Parsed parsed = SetterPattern::parse(pattern.toStdString());
    if (read == "REFUSED") {
        QVERIFY(!parsed.error.empty());
        return;
    }
    QVERIFY2(parsed.error.empty(), parsed.error.c_str());
    const SetterPattern::Reading reading = parsed.pattern.read(query.toStdString());
    QByteArray shown =
        reading.outcome == SetterPattern::Reading::Outcome::NoMatch ? "NOMATCH" : "RAISES";
    if (reading.outcome == SetterPattern::Reading::Outcome::Read)
        shown = QByteArray::fromStdString(repr(reading.value));
    QCOMPARE(shown, read);
}

// Where stringparser builds an object for an attribute or an index, or reads an integer beyond
// 64 bits, the simulated bus gives up on the query: pyvisa-sim would keep what it cannot.
void PythonFormatTest::settersGiveUpWhereTheBusCannotHold() {
    for (const auto &[pattern, query] : {std::pair{"{a.b}", "x"}, std::pair{"{0[1]}", "x"},
                                         std::pair{"N {:d}", "N 99999999999999999999"}})
        QCOMPARE(SetterPattern::parse(pattern).pattern.read(query).outcome,
                 SetterPattern::Reading::Outcome::Raises);
}

QTEST_GUILESS_MAIN(PythonFormatTest)
#include "tst_pythonformat.moc"
