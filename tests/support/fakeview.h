// SPDX-License-Identifier: MIT
#pragma once

#include "operations/view.h"

#include <QStringList>

#include <map>

// A plain fake of the window as the operations see it: the boxes' texts, whether the
// error box is shown, the bus buttons and Auto Query, and the results box's text at each beep
// and each paint.
struct FakeView : operations::View {
    QString text(Box box) const override {
        const auto it = texts.find(box);
        return it == texts.end() ? QString() : it->second;
    }
    void setText(Box box, const QString &text) override { texts[box] = text; }
    void showError(bool shown) override { errorShown = shown; }
    void paintResults() override { paints << text(Box::Results); }
    void enableBusButtons() override { busButtonsEnabled = true; }
    bool autoQuery() const override { return autoQueryOn; }
    void turnOnAutoQuery() override { autoQueryOn = true; }
    void beep() override { beeps << text(Box::Results); }

    QString results() const { return text(Box::Results); }

    std::map<Box, QString> texts;
    bool errorShown = false;
    bool busButtonsEnabled = false;
    bool autoQueryOn = false;
    QStringList beeps;
    QStringList paints;
};
