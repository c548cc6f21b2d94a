#pragma once

#include <cstdint>

// The driver's status after the last wrapper call, copied by GPIB32::RefreshStatus alone,
// and the bus address word of the instrument the IEEE 488.2 operations talk to.
namespace GPIB32 {

// Bit 15 of ibsta is the driver's error bit: a call failed exactly when ibsta is negative.
constexpr std::int16_t ERR = static_cast<std::int16_t>(0x8000);
constexpr std::int16_t EDVR = 0;
constexpr std::int16_t EBUS = 14;

inline std::int16_t ibsta = 0;
inline std::int16_t iberr = 0;
inline std::int16_t ibcnt = 0;
inline std::int32_t ibcntl = 0;

// Primary address in the low byte, secondary address (96..126, 0 for none) in the high byte.
inline std::int16_t TargetAddr = 4;

inline bool Failed() {
    return ibsta < 0;
}

} // namespace GPIB32
