// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace gpibsim::definitions {

// The folder of the definitions installed with the simulated bus, found from the library's own
// place: the data folder of an installation, or the build tree's link to the definitions.
// Empty when neither is there.
std::string installedDefinitions();

} // namespace gpibsim::definitions
