// SPDX-License-Identifier: MIT
#pragma once

namespace panel {
class Form1;
}

namespace fuzz {

// Creates the fuzz target's one QApplication on the offscreen platform and silences the beep.
// Call it from LLVMFuzzerInitialize.
void startOffscreenApplication(const char *program);

// The program's one window for the whole run, put back before each input as start-up left
// it, together with the process-wide status mirror, TargetAddr and last report. (Building a
// new window for each input would cost most of the run's time.)
panel::Form1 &freshWindow();

} // namespace fuzz
