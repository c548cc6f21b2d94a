// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace panel {

// What the program answers, instead of opening its window, to --help, --version or a command
// line it cannot use.
struct CommandLineAnswer {
    int exitStatus = 0;
    QString output; // for standard output
    QString error;  // one line for standard error
};

// Reads the arguments (the program's name first) before any GUI exists. Qt's own options pass,
// for QApplication to take afterwards. Nothing comes back when the window should open.
std::optional<CommandLineAnswer> answerCommandLine(const QStringList &arguments);

// answerCommandLine on argv, printed. Returns the exit status when the program ends here.
std::optional<int> handleCommandLine(int argc, char *argv[]);

} // namespace panel
