// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/api/gpib.h"

namespace driverfront {

// An end-of-string mode as ibeos takes it: the byte in bits 0..7, with REOS (a read stops after
// the byte), XEOS (a write sends EOI with the byte) and BIN (all 8 bits compared, else 7).
struct EndOfString {
    static constexpr int kModeBits = 0xFF | REOS | XEOS | BIN;

    int mode = 0;

    // The mode of a Receive termination: a byte, or STOPend for END only.
    static constexpr EndOfString ofTermination(int termination) {
        return {termination == STOPend ? 0 : termination | REOS | BIN};
    }
    static constexpr bool isMode(int mode) { return (mode & ~kModeBits) == 0; }

    constexpr bool stopsReads() const { return (mode & REOS) != 0; }
    constexpr bool marksWrites() const { return (mode & XEOS) != 0; }
    constexpr bool matches(char byte) const {
        const int compared = (mode & BIN) != 0 ? 0xFF : 0x7F;
        return (static_cast<unsigned char>(byte) & compared) == (mode & compared);
    }
};

} // namespace driverfront
