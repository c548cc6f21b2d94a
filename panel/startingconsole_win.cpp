// SPDX-License-Identifier: MIT
#include "panel/startingconsole.h"

#include <QtGlobal>

#include <cstdio>

#include <windows.h>

namespace panel {

namespace {

bool isOpen(HANDLE handle) {
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// Output the user redirected to a file or a pipe is left where it goes.
bool isRedirected(HANDLE handle) {
    if (!isOpen(handle))
        return false;
    const DWORD type = GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// A GUI program started from a command prompt has no standard handles, or the prompt's console
// handles, which it cannot write to until it attaches to that console. Failing that, a handle
// it was given that leads anywhere is used as it is (a terminal under Wine).
bool attach() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    const bool outputRedirected = isRedirected(output);
    const bool errorRedirected = isRedirected(error);
    if ((!outputRedirected || !errorRedirected) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!outputRedirected)
            std::freopen("CONOUT$", "w", stdout);
        if (!errorRedirected)
            std::freopen("CONOUT$", "w", stderr);
    } else if (!isOpen(output) && !isOpen(error)) {
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
