#pragma once

#include "panel/benchstate.h"
#include "ui_Form1.h"

#include <QWidget>

// The program's one window. Its controls keep the names the operations use (ui.txtAddr,
// ui.cmdSet, ...); the operations in operations/ read and write them and the bench state.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);

    Ui::Form1 ui;
    BenchState bench;

private:
    void applyLook();
    void connectEvents();
    void StartUp();
};
