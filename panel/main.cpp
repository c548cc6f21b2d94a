// SPDX-License-Identifier: MIT
#include "panel/commandline.h"
#include "panel/defaultfont.h"
#include "panel/form1.h"
#ifdef Q_OS_WIN
#include "panel/startingconsole.h"
#endif

#include <QApplication>

int main(int argc, char *argv[]) {
#ifdef Q_OS_WIN
    panel::attachStartingConsole();
#endif
    if (const auto exitStatus = panel::handleCommandLine(argc, argv))
        return *exitStatus;
    QApplication app(argc, argv);
    panel::capDefaultFont();
    panel::Form1 window;
    window.show();
    return app.exec();
}
