// SPDX-License-Identifier: MIT
#include "offscreenwindow.h"

#include "gpib/statusmirror.h"
#include "panel/beep.h"
#include "panel/form1.h"
#include "status/statusreport.h"
#include "ui_Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>

#include <cstdint>
#include <vector>

namespace fuzz {

namespace {

// Everything in the window that an operation or a fuzz target may change, as start-up left it.
class StartState {
public:
    explicit StartState(panel::Form1 &form)
        : bench_(form.bench), targetAddr_(operations::TargetAddr),
          results_(form.ui->txtResults->text()) {
        for (QWidget *w : form.findChildren<QWidget *>())
            controls_.push_back({w, w->testAttribute(Qt::WA_ForceDisabled), w->isHidden()});
        for (QLineEdit *box : form.findChildren<QLineEdit *>())
            texts_.push_back({box, box->text()});
        for (QCheckBox *box : form.findChildren<QCheckBox *>())
            checks_.push_back({box, box->checkState(), box->isTristate()});
    }

    void restore(panel::Form1 &form) const {
        form.bench = bench_;
        operations::TargetAddr = targetAddr_;
        gpib::ibsta = gpib::iberr = gpib::ibcnt = 0;
        gpib::ibcntl = 0;
        status::ErrMsg.clear();
        form.ui->txtResults->setText(results_);
        // Texts first: a changed address text enables Set.
        for (const auto &[box, text] : texts_)
            box->setText(text);
        for (const auto &[box, state, tristate] : checks_) {
            box->setCheckState(state);
            box->setTristate(tristate);
        }
        for (const auto &[widget, disabled, hidden] : controls_) {
            widget->setDisabled(disabled);
            widget->setHidden(hidden);
        }
    }

private:
    struct Control {
        QWidget *widget;
        bool disabled;
        bool hidden;
    };
    struct Text {
        QLineEdit *box;
        QString text;
    };
    struct Check {
        QCheckBox *box;
        Qt::CheckState state;
        bool tristate;
    };

    operations::BenchState bench_;
    std::int16_t targetAddr_;
    QString results_;
    std::vector<Control> controls_;
    std::vector<Text> texts_;
    std::vector<Check> checks_;
};

} // namespace

void startOffscreenApplication(const char *program) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt takes the arguments it knows out of argv; libFuzzer's own must stay untouched.
    static int argc = 1;
    static char *argv[] = {const_cast<char *>(program), nullptr};
    static QApplication application(argc, argv);
    panel::setBeepHook([] {});
}

panel::Form1 &freshWindow() {
    static panel::Form1 window;
    static const StartState start(window);
    // Between two clicks the program's event loop runs; let it deliver what the last input
    // left posted.
    QApplication::processEvents();
    start.restore(window);
    return window;
}

} // namespace fuzz
