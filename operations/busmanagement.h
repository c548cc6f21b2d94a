#pragma once

class Form1;

namespace operations {

// Pulses interface clear on the board.
void InterfaceClear(Form1 &form);
// Selected device clear of the instrument at TargetAddr.
void DeviceClear(Form1 &form);
// Serial poll of the instrument at TargetAddr; shows its status byte in decimal.
void SerialPoll(Form1 &form);

} // namespace operations
