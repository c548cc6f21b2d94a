#pragma once

class Form1;

namespace operations {

// Sends the command line exactly as typed; with Auto Query on, a line holding "?" is
// followed at once by ReadResponse.
void SendCommand(Form1 &form);
// Reads at most 80 bytes of the device's response and shows its first line.
void ReadResponse(Form1 &form);
// Send the common commands "*CLS" and "*RST" and confirm them with the device's number.
void SendCLS(Form1 &form);
void SendRST(Form1 &form);

} // namespace operations
