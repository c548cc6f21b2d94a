// SPDX-License-Identifier: MIT
#pragma once

#include "operations/benchstate.h"
#include "operations/view.h"

namespace operations {

// Opens the board "GPIB0", makes it controller-in-charge (address 0, IFC, REN), runs listener
// discovery, adopts the first listener and enables every bus button and Auto Query.
void initialize(View &view, BenchState &bench);

} // namespace operations
