// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace gpib {

// A bus address word as the IEEE 488.2 routines take it: primary address in the low byte,
// secondary address (0x60..0x7E, or 0 for none) in the high byte. Lists end with 0xFFFF.
using Addr4882 = std::uint16_t;

// The sixteen driver entry points the program calls, with the driver's C prototypes. The
// ib* calls return the status word (ibfind and ibdev the new descriptor, -1 on failure); the
// IEEE 488.2 routines return nothing, and every call leaves its status in the calling
// thread's values that the Thread* calls read back.
struct EntryPoints {
    int (*ibfind)(const char *name) = nullptr;
    int (*ibpad)(int ud, int pad) = nullptr;
    int (*ibsre)(int ud, int v) = nullptr;
    int (*ibdev)(int board, int pad, int sad, int timo, int sendEoi, int eos) = nullptr;
    int (*ibln)(int ud, int pad, int sad, short *foundListener) = nullptr;
    int (*ibonl)(int ud, int onl) = nullptr;
    void (*SendIFC)(int board) = nullptr;
    void (*FindLstn)(int board, const Addr4882 *pads, Addr4882 *results, int limit) = nullptr;
    void (*DevClear)(int board, Addr4882 address) = nullptr;
    void (*ReadStatusByte)(int board, Addr4882 address, short *status) = nullptr;
    void (*Send)(int board, Addr4882 address, const void *data, long count, int eotMode) = nullptr;
    void (*Receive)(int board, Addr4882 address, void *buffer, long count,
                    int termination) = nullptr;
    int (*ThreadIbsta)() = nullptr;
    int (*ThreadIberr)() = nullptr;
    int (*ThreadIbcnt)() = nullptr;
    long (*ThreadIbcntl)() = nullptr;
};

} // namespace gpib
