// SPDX-License-Identifier: MIT
#pragma once

#include "gpib/statuscodes.h"

#include <cstdint>

namespace gpib {

// The 16-bit integer of the driver's status words and of the values the program keeps.
using int16 = std::int16_t;

// The driver's status after the last wrapper call, copied by gpib::RefreshStatus alone.
inline int16 ibsta = 0;
inline int16 iberr = 0;
inline int16 ibcnt = 0;
inline std::int32_t ibcntl = 0;

inline bool failed() {
    return ibsta < 0;
}

} // namespace gpib
