// SPDX-License-Identifier: MIT
#pragma once

#include "gpib/statuscodes.h"

#include <cstdint>

// The driver's status after the last wrapper call, copied by gpib::RefreshStatus alone.
namespace gpib {

inline std::int16_t ibsta = 0;
inline std::int16_t iberr = 0;
inline std::int16_t ibcnt = 0;
inline std::int32_t ibcntl = 0;

inline bool failed() {
    return ibsta < 0;
}

} // namespace gpib
