// SPDX-License-Identifier: MIT
#pragma once

#include "gpib/wrappers.h"

#include <QString>

#include <array>

namespace operations {

using gpib::int16;

// The values the operations share between clicks. Fields start at 0 or empty; startUp gives
// the few that have other start values.
struct BenchState {
    int16 BD = 0;        // board index for the IEEE 488.2 routines and the device open call
    int16 bud = 0;       // descriptor of the board "GPIB0"
    int16 ud = 0;        // descriptor of the selected device; 0 while none was opened
    int16 pad = 0;       // primary address of the device, 0..30
    int16 sad = 0;       // secondary address as the driver takes it: 0 for none, else 96..126
    int16 ppss = 0;      // address number 100 * pad + (sad - 96) of a listener with a secondary
    int16 eos = 0;       // end-of-string byte given to the device open call
    QString NL;          // the line break put into result texts
    int16 Ctlraddr = 0;  // primary address of the board itself
    int16 Device = 0;    // address number as the operator types it: pad, or 100 * pad + ss
    int16 vtmo = 0;      // timeout code for the device open call; 12 (3 s) after Initialize
    int16 founddev = 0;  // first listener of the last discovery as an address number
    int16 foundaddr = 0; // the same listener as a bus address word
    int16 FoundFlg = 0;  // 1 when a device address has been found or confirmed
    QString ReadBuf;     // receive buffer template, never written after start-up
    std::array<int16, gpib::kAddressListSize> ResultList{}; // listener words, ended by -1
};

// The bus address word of the instrument the IEEE 488.2 operations talk to: primary address in
// the low byte, secondary address (96..126, 0 for none) in the high byte. Process-wide.
inline int16 TargetAddr = 0;

// Gives the bench state and TargetAddr their start-up values.
void startUp(BenchState &bench);

} // namespace operations
