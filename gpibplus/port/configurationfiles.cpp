// SPDX-License-Identifier: MIT
#include "gpibplus/port/configurationfiles.h"

namespace gpibplus::port {

// One file for the machine, where linux-gpib keeps its gpib.conf.
std::vector<std::filesystem::path> configurationFiles() {
    return {"/etc/gpibplus.conf"};
}

} // namespace gpibplus::port
