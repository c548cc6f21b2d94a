// SPDX-License-Identifier: MIT
#pragma once

#include "operations/benchstate.h"
#include "operations/view.h"

#include <QWidget>

#include <array>
#include <memory>

class QPushButton;

namespace Ui {
class Form1;
}

namespace panel {

// The program's one window. It builds the controls from Form1.ui, runs an operation for each
// button and shows the operations what they may see of it (operations::View). It owns the
// bench state the operations share.
class Form1 : public QWidget, public operations::View {
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // The controls under the names the window gives them (ui->txtAddr, ui->cmdSet, ...).
    const std::unique_ptr<Ui::Form1> ui;
    operations::BenchState bench;

private:
    using Operation = void (*)(operations::View &, operations::BenchState &);

    void applyLook();
    void connectEvents();
    void runOperation(Operation operation);
    void startUp();
    std::array<QPushButton *, 9> busButtons() const;

    QString text(Box box) const override;
    void setText(Box box, const QString &text) override;
    void showError(bool shown) override;
    void paintResults() override;
    void enableBusButtons() override;
    bool autoQuery() const override;
    void turnOnAutoQuery() override;
    void beep() override;
};

} // namespace panel
