// SPDX-License-Identifier: MIT
#include "panel/commandline.h"

#include <QTest>

using panel::answerCommandLine;

namespace {
constexpr int opensWindow = -1;
}

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void answer_data();
    void answer();
    void helpContents_data();
    void helpContents();
    void helpFitsATerminal();
};

void TestCommandLine::answer_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitStatus");
    QTest::addColumn<QString>("text"); // found in the output, or in the error line

    QTest::newRow("no arguments") << QStringList{} << opensWindow << "";
    QTest::newRow("platform") << QStringList{"-platform", "offscreen"} << opensWindow << "";
    QTest::newRow("platform, two dashes")
        << QStringList{"--platform", "offscreen"} << opensWindow << "";
    QTest::newRow("style joined, reverse")
        << QStringList{"-style=fusion", "-reverse"} << opensWindow << "";
    QTest::newRow("geometry, display, stylesheet")
        << QStringList{"-qwindowgeometry", "640x480+0+0", "-display", ":0", "-stylesheet", "a.qss"}
        << opensWindow << "";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: quorin-demo";
    QTest::newRow("-h") << QStringList{"-h"} << 0 << "Usage: quorin-demo";
    QTest::newRow("--help after a Qt option")
        << QStringList{"-platform", "offscreen", "--help"} << 0 << "Usage: quorin-demo";
    QTest::newRow("--version") << QStringList{"--version"} << 0
                               << QStringLiteral("quorin-demo " QUORIN_VERSION "\n");
    QTest::newRow("-v") << QStringList{"-v"} << 0
                        << QStringLiteral("quorin-demo " QUORIN_VERSION "\n");
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "'bogus'";
    QTest::newRow("unknown letter") << QStringList{"-x"} << 2 << "'x'";
    QTest::newRow("Qt option without its value") << QStringList{"-platform"} << 2 << "'-platform'";
    QTest::newRow("Qt flag with a value") << QStringList{"-reverse=1"} << 2 << "'-reverse'";
    QTest::newRow("positional") << QStringList{"session.txt"} << 2 << "'session.txt'";
    QTest::newRow("positional after --") << QStringList{"--", "-h"} << 2 << "'-h'";
    QTest::newRow("unknown beside --help") << QStringList{"--help", "--bogus"} << 2 << "'bogus'";
    QTest::newRow("positional beside --version") << QStringList{"--version", "now"} << 2 << "'now'";
}

void TestCommandLine::answer() {
    QFETCH(QStringList, arguments);
    QFETCH(int, exitStatus);
    QFETCH(QString, text);

    const auto answer = answerCommandLine(QStringList{"quorin-demo"} + arguments);
    if (exitStatus == opensWindow) {
        QVERIFY2(!answer, answer ? qPrintable(answer->output + answer->error) : "");
        return;
    }
    QVERIFY(answer);
    QCOMPARE(answer->exitStatus, exitStatus);
    if (exitStatus == 0) {
        QVERIFY(answer->error.isEmpty());
        QVERIFY2(answer->output.startsWith(text), qPrintable(answer->output));
        return;
    }
    QVERIFY(answer->output.isEmpty());
    QVERIFY2(answer->error.startsWith("quorin-demo: "), qPrintable(answer->error));
    QVERIFY2(answer->error.contains(text), qPrintable(answer->error));
    QCOMPARE(answer->error.count('\n'), 1);
    QVERIFY(answer->error.endsWith('\n'));
}

void TestCommandLine::helpContents_data() {
    QTest::addColumn<QString>("entry");
    for (const char *entry :
         {"-h, --help", "-v, --version", "QT_LOGGING_RULES", "quorin.driver.debug=true",
          "GPIBPLUS_PORT", "/etc/gpibplus.conf", "GPIBSIM_BENCH", "GPIBSIM_DEVICES",
          "GPIBSIM_TRACE", "LD_LIBRARY_PATH", "quorin-demo(1)"})
        QTest::newRow(entry) << QString(entry);
}

void TestCommandLine::helpContents() {
    QFETCH(QString, entry);
    const auto answer = answerCommandLine({"quorin-demo", "--help"});
    QVERIFY(answer);
    QVERIFY2(answer->output.contains(entry), qPrintable(answer->output));
}

void TestCommandLine::helpFitsATerminal() {
    const auto answer = answerCommandLine({"quorin-demo", "--help"});
    QVERIFY(answer);
    for (const QString &line : answer->output.split('\n'))
        QVERIFY2(line.size() < 80, qPrintable(line));
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
