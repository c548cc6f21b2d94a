// SPDX-License-Identifier: MIT
#pragma once

namespace gpib {

// Whether linux-gpib's kernel driver has a board bound to /dev/gpib0, the board the program
// opens as "GPIB0", asked without a word on the bus. Always false where linux-gpib has no
// driver (Windows).
bool linuxGpibBoardAnswers();

} // namespace gpib
