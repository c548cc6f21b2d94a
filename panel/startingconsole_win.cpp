// SPDX-License-Identifier: MIT
#include "panel/startingconsole.h"

#include <QtGlobal>

#include <cstdio>

#include <windows.h>

namespace panel {

namespace {

// A GUI program started from a prompt has no standard handles; one whose output is
// redirected has the file or pipe it was given.
bool isOpen(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

bool attach() {
    const bool output = isOpen(STD_OUTPUT_HANDLE);
    const bool error = isOpen(STD_ERROR_HANDLE);
    if ((!output || !error) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!output)
            std::freopen("CONOUT$", "w", stdout);
        if (!error)
            std::freopen("CONOUT$", "w", stderr);
    } else if (!output && !error) {
        return false;
    }
    // Qt sends its messages to a debugger unless the program has a console window; standard
    // error redirected to a file counts as well.
    if (!qEnvironmentVariableIsSet("QT_FORCE_STDERR_LOGGING"))
        qputenv("QT_FORCE_STDERR_LOGGING", "1");
    return true;
}

} // namespace

bool attachStartingConsole() {
    static const bool attached = attach();
    return attached;
}

void showInMessageBox(const QString &text, bool isError) {
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t *>(text.trimmed().utf16()), L"quorin-demo",
                MB_OK | (isError ? MB_ICONERROR : MB_ICONINFORMATION));
}

} // namespace panel
