#include "panel.h"

#include "gpib/statusmirror.h"
#include "panel/beep.h"
#include "status/module3.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

Window::Window() {
    GPIB32::ibsta = GPIB32::iberr = GPIB32::ibcnt = 0;
    GPIB32::ibcntl = 0;
    Module3::ErrMsg.clear();
    panel::SetBeepHook([this] { beeps << results(); });
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        qWarning("the window was not exposed");
}

Window::~Window() {
    panel::SetBeepHook({});
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
