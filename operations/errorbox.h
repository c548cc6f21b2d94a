// SPDX-License-Identifier: MIT
#pragma once

#include "operations/view.h"

namespace operations {

// Puts the report for the status mirror, headed by label, into the error box and shows it.
void showErrorReport(View &view, const char *label);

// Tests the error bit of the call just made: a failure is reported under label and false
// comes back; a success hides the error box and gives true.
bool checkCall(View &view, const char *label);

} // namespace operations
