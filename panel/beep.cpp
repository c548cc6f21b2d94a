// SPDX-License-Identifier: MIT
#include "panel/beep.h"

#include <QApplication>

namespace panel {

namespace {

std::function<void()> &installedHook() {
    static std::function<void()> hook;
    return hook;
}

} // namespace

void beep() {
    if (installedHook())
        installedHook()();
    else
        QApplication::beep();
}

void setBeepHook(std::function<void()> hook) {
    installedHook() = std::move(hook);
}

} // namespace panel
