// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace gpibsim::definitions {

// The folder of the definitions installed with the simulated bus, found from the library's own
// place: the data folder of an installation, the folder "instruments" beside the library (the
// build tree's link, or the Windows program's folder). Empty when neither is there. Written
// with '/' between folders, also on Windows, where it is UTF-8.
std::string installedDefinitions();

} // namespace gpibsim::definitions
