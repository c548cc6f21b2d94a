// SPDX-License-Identifier: MIT
#pragma once

#include "operations/benchstate.h"
#include "operations/view.h"

namespace operations {

// Sends the command line exactly as typed; with Auto Query on, a line holding "?" is
// followed at once by readResponse.
void sendCommand(View &view, BenchState &bench);
// Reads at most 80 bytes of the device's response and shows its first line.
void readResponse(View &view, BenchState &bench);
// Send the common commands "*CLS" and "*RST" and confirm them with the device's number.
void sendCLS(View &view, BenchState &bench);
void sendRST(View &view, BenchState &bench);

} // namespace operations
