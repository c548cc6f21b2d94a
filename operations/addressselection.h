// SPDX-License-Identifier: MIT
#pragma once

#include "operations/benchstate.h"
#include "operations/view.h"

namespace operations {

// Reads the address typed into the address box, takes the previous device offline, opens the
// device at the new address and tests whether a listener answers there. The address is a
// primary address (1..30) or a primary address with a secondary part written as one number,
// 100 * primary + (secondary - 96), split by the text's length.
void setAddress(View &view, BenchState &bench);

} // namespace operations
