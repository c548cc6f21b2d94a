// SPDX-License-Identifier: MIT
// The least a Qt Widgets program does to show a window with some text in it: the yardstick for
// startup_quorin. A window that draws text sets up the fonts as every real window does.
#include "startupreport.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    // Form1's size (panel/Form1.ui), so both programs paint the same area.
    window.resize(635, 487);
    QLabel label(QStringLiteral("Hello"), &window);
    return showAndReportStartup(window);
}
