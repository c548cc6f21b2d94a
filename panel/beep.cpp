#include "panel/beep.h"

#include <QApplication>

namespace panel {

namespace {
std::function<void()> &Hook() {
    static std::function<void()> hook;
    return hook;
}
} // namespace

void Beep() {
    if (Hook())
        Hook()();
    else
        QApplication::beep();
}

void SetBeepHook(std::function<void()> hook) {
    Hook() = std::move(hook);
}

} // namespace panel
