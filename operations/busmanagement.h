// SPDX-License-Identifier: MIT
#pragma once

#include "operations/benchstate.h"
#include "operations/view.h"

namespace operations {

// Pulses interface clear on the board.
void interfaceClear(View &view, BenchState &bench);
// Selected device clear of the instrument at TargetAddr.
void deviceClear(View &view, BenchState &bench);
// Serial poll of the instrument at TargetAddr; shows its status byte in decimal.
void serialPoll(View &view, BenchState &bench);

} // namespace operations
