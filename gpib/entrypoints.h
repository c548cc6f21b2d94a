// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// The calling convention of the driver's entry points: gpib-32.dll, a 32-bit Windows library,
// uses stdcall (the callee pops its arguments); other platforms have one convention.
#if defined(_WIN32) && !defined(_WIN64)
#define GPIB_CALL __stdcall
#else
#define GPIB_CALL
#endif

namespace gpib {

// A bus address word as the IEEE 488.2 routines take it: primary address in the low byte,
// secondary address (0x60..0x7E, or 0 for none) in the high byte. Lists end with 0xFFFF.
using Addr4882 = std::uint16_t;

// The sixteen driver entry points the program calls, with the driver's C prototypes. The
// ib* calls return the status word (ibfind and ibdev the new descriptor, -1 on failure); the
// IEEE 488.2 routines return nothing, and every call leaves its status in the calling
// thread's values that the Thread* calls read back.
struct EntryPoints {
    int(GPIB_CALL *ibfind)(const char *name) = nullptr;
    int(GPIB_CALL *ibpad)(int ud, int pad) = nullptr;
    int(GPIB_CALL *ibsre)(int ud, int v) = nullptr;
    int(GPIB_CALL *ibdev)(int board, int pad, int sad, int timo, int sendEoi, int eos) = nullptr;
    int(GPIB_CALL *ibln)(int ud, int pad, int sad, short *foundListener) = nullptr;
    int(GPIB_CALL *ibonl)(int ud, int onl) = nullptr;
    void(GPIB_CALL *SendIFC)(int board) = nullptr;
    void(GPIB_CALL *FindLstn)(int board, const Addr4882 *pads, Addr4882 *results,
                              int limit) = nullptr;
    void(GPIB_CALL *DevClear)(int board, Addr4882 address) = nullptr;
    void(GPIB_CALL *ReadStatusByte)(int board, Addr4882 address, short *status) = nullptr;
    void(GPIB_CALL *Send)(int board, Addr4882 address, const void *data, long count,
                          int eotMode) = nullptr;
    void(GPIB_CALL *Receive)(int board, Addr4882 address, void *buffer, long count,
                             int termination) = nullptr;
    int(GPIB_CALL *ThreadIbsta)() = nullptr;
    int(GPIB_CALL *ThreadIberr)() = nullptr;
    int(GPIB_CALL *ThreadIbcnt)() = nullptr;
    long(GPIB_CALL *ThreadIbcntl)() = nullptr;
};

} // namespace gpib
