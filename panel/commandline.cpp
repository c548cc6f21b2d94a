// SPDX-License-Identifier: MIT
#include "panel/commandline.h"

#ifdef Q_OS_WIN
#include "panel/startingconsole.h"
#endif

#include <QCommandLineParser>

#include <cstdio>

namespace panel {

namespace {

constexpr auto programName = "quorin-demo";

// The options QGuiApplication, QApplication and the X11 platform plugin take from the command
// line. They are accepted here, hidden from --help, and left in argv for QApplication.
const QStringList qtOptionsWithValue = {"platform",
                                        "platformpluginpath",
                                        "platformtheme",
                                        "plugin",
                                        "qwindowgeometry",
                                        "qwindowicon",
                                        "qwindowtitle",
                                        "session",
                                        "display",
                                        "geometry",
                                        "title",
                                        "icon",
                                        "name",
                                        "visual",
                                        "style",
                                        "stylesheet",
                                        "qmljsdebugger",
                                        "dialogs",
                                        "fontengine"};
const QStringList qtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

QString helpText() {
    return QStringLiteral(
        "Usage: quorin-demo [OPTION] [QT-OPTION...]\n"
        "Drives one IEEE-488 (GPIB) instrument: opens the board GPIB0, finds the\n"
        "listeners, sends command lines, reads the responses and runs interface clear,\n"
        "device clear and serial poll. Without a GPIB board it uses the \"++\" adapter\n"
        "named, and without either the bus is simulated.\n"
        "\n"
        "Options:\n"
        "  -h, --help     show this help and exit\n"
        "  -v, --version  show the version and exit\n"
        "Qt's own options (-platform, -style, -display, -reverse, ...) work as usual.\n"
        "\n"
        "Environment:\n"
        "  QT_LOGGING_RULES  quorin.driver.debug=true traces each driver call on stderr\n"
        "  GPIBPLUS_PORT     the \"++\" adapter's port, else /etc/gpibplus.conf names it\n"
        "  GPIBSIM_BENCH     another simulated bench, and scripted faults\n"
        "  GPIBSIM_DEVICES   definition files of simulated instruments, ':'-separated\n"
        "  GPIBSIM_TRACE     simulated bus trace: 1 (stderr) or a file to append to\n"
        "  LD_LIBRARY_PATH   searched first for the GPIB driver, libgpib.so.0\n"
        "\n"
        "See quorin-demo(1) for the driver search, the adapter, the simulated bus and\n"
        "exit statuses.\n");
}

QString refusal(const QString &reason) {
    return QStringLiteral("%1: %2 Try '%1 --help'.\n").arg(programName, reason);
}

} // namespace

std::optional<CommandLineAnswer> answerCommandLine(const QStringList &arguments) {
    QCommandLineParser parser;
    // -platform is one option, not -p -l -a ...; Qt's own options are written with one dash.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version(QStringList{"v", "version"});
    parser.addOptions({help, version});
    for (const QString &name : qtOptionsWithValue) {
        QCommandLineOption option(name, QString(), "value");
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString &name : qtFlags) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    if (!parser.parse(arguments))
        return CommandLineAnswer{2, {}, refusal(parser.errorText())};
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty())
        return CommandLineAnswer{
            2, {}, refusal(QStringLiteral("Unexpected argument '%1'.").arg(extra.first()))};
    if (parser.isSet(help))
        return CommandLineAnswer{0, helpText(), {}};
    if (parser.isSet(version))
        return CommandLineAnswer{0, QStringLiteral("%1 %2\n").arg(programName, QUORIN_VERSION), {}};
    return std::nullopt;
}

std::optional<int> handleCommandLine(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const auto answer = answerCommandLine(arguments);
    if (!answer)
        return std::nullopt;
#ifdef Q_OS_WIN
    if (!attachStartingConsole()) {
        showInMessageBox(answer->output + answer->error, answer->exitStatus != 0);
        return answer->exitStatus;
    }
#endif
    std::fputs(answer->output.toLocal8Bit().constData(), stdout);
    std::fputs(answer->error.toLocal8Bit().constData(), stderr);
    return answer->exitStatus;
}

} // namespace panel
