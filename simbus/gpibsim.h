/* C interface of the simulated GPIB bus: the driver calls a GPIB client makes, with the usual
 * prototypes, status bits and error codes, so a client runs on the stand-in unchanged. */
#ifndef SIMBUS_GPIBSIM_H
#define SIMBUS_GPIBSIM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define GPIBSIM_EXPORT __attribute__((visibility("default")))

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
    CMPL = 0x100,
    LOK = 0x80,
    REM = 0x40,
    CIC = 0x20,
    ATN = 0x10,
    TACS = 0x8,
    LACS = 0x4
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
    ECAP = 11,
    EBUS = 14,
    ETAB = 20
};

/* Send end modes and the Receive termination that stops at END only */
enum { NULLend = 0, DABend = 1, NLend = 2 };
enum { STOPend = 0x100 };

/* Secondary address arguments of ibdev and ibln */
enum { NO_SAD = 0, ALL_SAD = -1 };

/* ibdev timeout codes run from 0 (none) to T1000s; T3s is 3 s */
enum { T3s = 12, T1000s = 17 };

GPIBSIM_EXPORT int ibfind(const char *name);
GPIBSIM_EXPORT int ibpad(int ud, int pad);
GPIBSIM_EXPORT int ibsre(int ud, int v);
GPIBSIM_EXPORT int ibdev(int board_index, int pad, int sad, int timo, int send_eoi, int eos);
GPIBSIM_EXPORT int ibln(int ud, int pad, int sad, short *found_listener);
GPIBSIM_EXPORT int ibonl(int ud, int onl);
GPIBSIM_EXPORT void SendIFC(int board);
GPIBSIM_EXPORT void FindLstn(int board, const Addr4882_t pads[], Addr4882_t results[], int limit);
GPIBSIM_EXPORT void DevClear(int board, Addr4882_t address);
GPIBSIM_EXPORT void ReadStatusByte(int board, Addr4882_t address, short *status);
GPIBSIM_EXPORT void Send(int board, Addr4882_t address, const void *data, long count, int eot_mode);
GPIBSIM_EXPORT void Receive(int board, Addr4882_t address, void *buffer, long count,
                            int termination);
GPIBSIM_EXPORT int ThreadIbsta(void);
GPIBSIM_EXPORT int ThreadIberr(void);
GPIBSIM_EXPORT int ThreadIbcnt(void);
GPIBSIM_EXPORT long ThreadIbcntl(void);

#ifdef __cplusplus
}
#endif

#endif
