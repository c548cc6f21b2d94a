// SPDX-License-Identifier: MIT
#pragma once

#include "fakedriver.h"
#include "panel/form1.h"
#include "ui_Form1.h"

#include <QStringList>

class QAbstractButton;
class QLineEdit;

// The real window, shown offscreen, with every beep recorded. Process-wide state (status
// mirror, report text) starts afresh.
struct Window {
    Window();
    ~Window();

    void click(QAbstractButton *button);
    // Replaces the box's text by typing, as the operator would.
    void type(QLineEdit *box, const QString &text);
    QString results() const { return form.ui->txtResults->text(); }
    bool errorShown() const { return form.ui->txtError->isVisibleTo(&form); }

    panel::Form1 form;
    // The results box's text at the moment of each beep, to tell a beep before a message from
    // one after it.
    QStringList beeps;
};

// The window with the scripted fake driver in place of the library.
struct Panel : Window {
    FakeDriver driver;
};
