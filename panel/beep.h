// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

namespace panel {

// Sounds the system beep. Every beep of the program goes through here.
void beep();

// Lets tests observe beeps: while a hook is set, beep() calls it instead of the system beep.
// An empty function restores the system beep.
void setBeepHook(std::function<void()> hook);

} // namespace panel
