/* SPDX-License-Identifier: MIT */
/* linux-gpib's C interface, as the driver libraries built on the front export it: the types,
 * status bits, error codes, option numbers and command bytes a GPIB client uses. Both families
 * are here: the IEEE 488.2 routines on a board and an address, and the traditional calls on
 * board and device descriptors. Each library declares its exports from its own table of them
 * (declarations.h). */
#ifndef DRIVERFRONT_API_GPIB_H
#define DRIVERFRONT_API_GPIB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What leaves the library, and the calling convention of the exports: stdcall on 32-bit
 * Windows, as gpib-32.dll's entry points, where a .def file names the exports. */
#if defined(_WIN32)
#define DRIVER_EXPORT
#else
#define DRIVER_EXPORT __attribute__((visibility("default")))
#endif
#if defined(_WIN32) && !defined(_WIN64)
#define DRIVER_STDCALL __stdcall
#else
#define DRIVER_STDCALL
#endif

/* Primary address in the low byte, secondary address (0x60..0x7E, 0 for none) in the high byte. */
typedef uint16_t Addr4882_t;

enum { NOADDR = 0xFFFF };

/* ibsta bits */
enum {
    ERR = 0x8000,
    TIMO = 0x4000,
    END = 0x2000,
    SRQI = 0x1000,
    RQS = 0x800,
    SPOLL = 0x400,
    EVENT = 0x200,
    CMPL = 0x100,
    LOK = 0x80,
    REM = 0x40,
    CIC = 0x20,
    ATN = 0x10,
    TACS = 0x8,
    LACS = 0x4,
    DTAS = 0x2,
    DCAS = 0x1
};

/* iberr codes */
enum {
    EDVR = 0,
    ECIC = 1,
    ENOL = 2,
    EADR = 3,
    EARG = 4,
    ESAC = 5,
    EABO = 6,
    ENEB = 7,
    EDMA = 8,
    EOIP = 10,
    ECAP = 11,
    EFSO = 12,
    EBUS = 14,
    ESTB = 15,
    ESRQ = 16,
    ETAB = 20
};

/* Send end modes and the Receive termination that stops at END only */
enum { NULLend = 0, DABend = 1, NLend = 2 };
enum { STOPend = 0x100 };

/* Secondary address arguments of ibdev and ibln */
enum { NO_SAD = 0, ALL_SAD = -1 };

/* Timeout codes of ibdev, ibtmo and the timeout options */
enum {
    TNONE = 0,
    T10us = 1,
    T30us = 2,
    T100us = 3,
    T300us = 4,
    T1ms = 5,
    T3ms = 6,
    T10ms = 7,
    T30ms = 8,
    T100ms = 9,
    T300ms = 10,
    T1s = 11,
    T3s = 12,
    T10s = 13,
    T30s = 14,
    T100s = 15,
    T300s = 16,
    T1000s = 17
};

/* End-of-string mode bits of ibeos and ibdev, beside the byte in bits 0..7 */
enum { REOS = 0x400, XEOS = 0x800, BIN = 0x1000 };

/* ibask options */
enum {
    IbaPAD = 0x1,
    IbaSAD = 0x2,
    IbaTMO = 0x3,
    IbaEOT = 0x4,
    IbaPPC = 0x5,
    IbaREADDR = 0x6,
    IbaAUTOPOLL = 0x7,
    IbaCICPROT = 0x8,
    IbaIRQ = 0x9,
    IbaSC = 0xa,
    IbaSRE = 0xb,
    IbaEOSrd = 0xc,
    IbaEOSwrt = 0xd,
    IbaEOScmp = 0xe,
    IbaEOSchar = 0xf,
    IbaPP2 = 0x10,
    IbaTIMING = 0x11,
    IbaDMA = 0x12,
    IbaReadAdjust = 0x13,
    IbaWriteAdjust = 0x14,
    IbaEventQueue = 0x15,
    IbaSPollBit = 0x16,
    IbaSendLLO = 0x17,
    IbaSPollTime = 0x18,
    IbaPPollTime = 0x19,
    IbaEndBitIsNormal = 0x1a,
    IbaUnAddr = 0x1b,
    IbaHSCableLength = 0x1f,
    IbaIst = 0x20,
    IbaRsv = 0x21,
    IbaBNA = 0x200,
    Iba7BitEOS = 0x1000
};

/* ibconfig options */
enum {
    IbcPAD = 0x1,
    IbcSAD = 0x2,
    IbcTMO = 0x3,
    IbcEOT = 0x4,
    IbcPPC = 0x5,
    IbcREADDR = 0x6,
    IbcAUTOPOLL = 0x7,
    IbcCICPROT = 0x8,
    IbcIRQ = 0x9,
    IbcSC = 0xa,
    IbcSRE = 0xb,
    IbcEOSrd = 0xc,
    IbcEOSwrt = 0xd,
    IbcEOScmp = 0xe,
    IbcEOSchar = 0xf,
    IbcPP2 = 0x10,
    IbcTIMING = 0x11,
    IbcDMA = 0x12,
    IbcReadAdjust = 0x13,
    IbcWriteAdjust = 0x14,
    IbcEventQueue = 0x15,
    IbcSPollBit = 0x16,
    IbcSendLLO = 0x17,
    IbcSPollTime = 0x18,
    IbcPPollTime = 0x19,
    IbcEndBitIsNormal = 0x1a,
    IbcUnAddr = 0x1b,
    IbcHSCableLength = 0x1f,
    IbcIst = 0x20,
    IbcRsv = 0x21,
    IbcBNA = 0x200
};

/* Values of the TIMING option: the T1 delay of the board's handshake */
enum { T1_DELAY_2000ns = 1, T1_DELAY_500ns = 2, T1_DELAY_350ns = 3 };

/* Parallel poll configuration bytes for ibppc and the PPC option */
enum { PPE = 0x60, PPD = 0x70, PPC_DISABLE = 0x10 };

/* iblines: the low byte says which lines are reported, the high byte which are asserted */
enum {
    ValidDAV = 0x1,
    ValidNDAC = 0x2,
    ValidNRFD = 0x4,
    ValidIFC = 0x8,
    ValidREN = 0x10,
    ValidSRQ = 0x20,
    ValidATN = 0x40,
    ValidEOI = 0x80,
    BusDAV = 0x100,
    BusNDAC = 0x200,
    BusNRFD = 0x400,
    BusIFC = 0x800,
    BusREN = 0x1000,
    BusSRQ = 0x2000,
    BusATN = 0x4000,
    BusEOI = 0x8000
};

/* Command bytes for ibcmd */
enum {
    GTL = 0x1,
    SDC = 0x4,
    PPConfig = 0x5,
    GET = 0x8,
    TCT = 0x9,
    LLO = 0x11,
    DCL = 0x14,
    PPU = 0x15,
    SPE = 0x18,
    SPD = 0x19,
    UNL = 0x3F,
    UNT = 0x5F
};

/* Listen, talk and secondary address bytes; pad 0..30, sad 0x60..0x7E (or 0..30) */
static inline uint8_t MLA(unsigned int pad) {
    return (uint8_t)(0x20 | (pad & 0x1F));
}
static inline uint8_t MTA(unsigned int pad) {
    return (uint8_t)(0x40 | (pad & 0x1F));
}
static inline uint8_t MSA(unsigned int sad) {
    return (uint8_t)(0x60 | (sad & 0x1F));
}

#ifdef __cplusplus
}
#endif

#endif
