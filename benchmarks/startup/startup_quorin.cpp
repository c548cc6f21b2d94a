// SPDX-License-Identifier: MIT
// The program's own start (panel/main.cpp), reporting when its window is first painted.
#include "panel/form1.h"
#include "startupreport.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    panel::Form1 window;
    return showAndReportStartup(window);
}
