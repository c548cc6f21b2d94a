// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/link/link.h"

#include <memory>

namespace gpibplus {

// The adapter on the port the user named (port::configuration), opened and made ready. A
// failure's message names the port and what went wrong, or says that none is named; its errnum
// is the errno where there is one.
link::Answer<std::unique_ptr<link::Link>> openNamedAdapter();

} // namespace gpibplus
