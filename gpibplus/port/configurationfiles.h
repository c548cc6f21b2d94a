// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <vector>

namespace gpibplus::port {

// The configuration files looked for, in order: on POSIX /etc/gpibplus.conf; on Windows the
// user's, "%APPDATA%\Quorin Velmar Demo\gpibplus.conf", which stands in for the machine's,
// "%ProgramData%\Quorin Velmar Demo\gpibplus.conf", whole. A folder whose variable is not set
// is left out.
std::vector<std::filesystem::path> configurationFiles();

} // namespace gpibplus::port
