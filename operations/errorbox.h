#pragma once

class Form1;

namespace operations {

// Puts the report for the status mirror, headed by label, into the error box and shows it.
void ShowErrorReport(Form1 &form, const char *label);

// Tests the error bit of the call just made: a failure is reported under label and false
// comes back; a success hides the error box and gives true.
bool CheckCall(Form1 &form, const char *label);

} // namespace operations
