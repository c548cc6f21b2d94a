// SPDX-License-Identifier: MIT
#include "panel.h"

#include "gpib/statusmirror.h"
#include "panel/beep.h"
#include "status/statusreport.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

Window::Window() {
    gpib::ibsta = gpib::iberr = gpib::ibcnt = 0;
    gpib::ibcntl = 0;
    status::ErrMsg.clear();
    panel::setBeepHook([this] { beeps << results(); });
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        qWarning("the window was not exposed");
}

Window::~Window() {
    panel::setBeepHook({});
}

void Window::click(QAbstractButton *button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

void Window::type(QLineEdit *box, const QString &text) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Delete);
    QTest::keyClicks(box, text);
}
