// SPDX-License-Identifier: MIT
#pragma once

#include "operations/benchstate.h"
#include "operations/view.h"

namespace operations {

// Asks the bus which addresses listen, lists them in the results box and takes the first
// one as the candidate device: address box, TargetAddr, founddev, foundaddr, FoundFlg.
void listenerDiscovery(View &view, BenchState &bench);

} // namespace operations
