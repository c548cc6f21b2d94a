// SPDX-License-Identifier: MIT
#pragma once

namespace panel {

// On Linux, keeps the desktop's font family as the application's font, at most as large as the
// window's fixed layout holds. Elsewhere the system's font stays as it is. Call it once the
// application exists and before the window is built.
void capDefaultFont();

} // namespace panel
