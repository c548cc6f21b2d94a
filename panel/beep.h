#pragma once

#include <functional>

namespace panel {

// Sounds the system beep. Every beep of the program goes through here.
void Beep();

// Lets tests observe beeps: while a hook is set, Beep() calls it instead of the system beep.
// An empty function restores the system beep.
void SetBeepHook(std::function<void()> hook);

} // namespace panel
