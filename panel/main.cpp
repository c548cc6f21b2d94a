#include "panel/form1.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    panel::Form1 window;
    window.show();
    return app.exec();
}
