// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace panel {

// A Windows GUI program starts without a console of its own. These let --help, --version, a
// refused command line, the driver's messages and the call trace reach the console of the
// command prompt the program was started from, as they reach the terminal on Linux.

// Attaches, once, to the console of the process that started the program, and points standard
// output and error at it, each unless it was redirected to a file or a pipe; Qt's messages then
// go to standard error rather than to a debugger. Returns whether standard output and error
// reach anything: false when the program was started from the desktop.
bool attachStartingConsole();

// Shows, in a message box, what there is no console to print on.
void showInMessageBox(const QString &text, bool isError);

} // namespace panel
