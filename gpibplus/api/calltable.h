/* SPDX-License-Identifier: MIT */
/* Every export of the "++" adapters' library, once, in the rows of tablerows.h. The calls the
 * adapter cannot carry out are offered all the same and fail with ECAP, as the library's README
 * tells for each (ibcmd, for one). */
#include "driverfront/api/tablerows.h"

/* The calling thread's last status is also copied here after every call. */
DRIVER_VARIABLE(int, ibsta)
DRIVER_VARIABLE(int, iberr)
DRIVER_VARIABLE(int, ibcnt)
DRIVER_VARIABLE(long, ibcntl)

/* Traditional calls. Each returns ibsta, except ibfind and ibdev, which return the new
 * descriptor or -1. */
DRIVER_CALL(int, ibfind, (const char *name))
DRIVER_CALL(int, ibdev, (int board_index, int pad, int sad, int timo, int send_eoi, int eos))
DRIVER_CALL(int, ibonl, (int ud, int onl))
DRIVER_CALL(int, ibpad, (int ud, int pad))
DRIVER_CALL(int, ibsad, (int ud, int sad))
DRIVER_CALL(int, ibtmo, (int ud, int timo))
DRIVER_CALL(int, ibeos, (int ud, int eos))
DRIVER_CALL(int, ibeot, (int ud, int send_eoi))
DRIVER_CALL(int, ibask, (int ud, int option, int *value))
DRIVER_CALL(int, ibconfig, (int ud, int option, int value))
DRIVER_CALL(int, ibsre, (int ud, int v))
DRIVER_CALL(int, ibsic, (int ud))
DRIVER_CALL(int, ibln, (int ud, int pad, int sad, short *found_listener))
DRIVER_CALL(int, ibwrt, (int ud, const void *data, long count))
DRIVER_CALL(int, ibwrta, (int ud, const void *data, long count))
DRIVER_CALL(int, ibrd, (int ud, void *buffer, long count))
DRIVER_CALL(int, ibrda, (int ud, void *buffer, long count))
DRIVER_CALL(int, ibcmd, (int ud, const void *commands, long count))
DRIVER_CALL(int, ibcmda, (int ud, const void *commands, long count))
DRIVER_CALL(int, ibclr, (int ud))
DRIVER_CALL(int, ibtrg, (int ud))
DRIVER_CALL(int, ibloc, (int ud))
DRIVER_CALL(int, ibrsp, (int ud, char *status_byte))
DRIVER_CALL(int, ibspb, (int ud, short *queued))
DRIVER_CALL(int, ibwait, (int ud, int mask))
DRIVER_CALL(int, iblines, (int ud, short *lines))
DRIVER_PLAIN(void, ibvers, (char **version))
DRIVER_PLAIN(const char *, gpib_error_string, (int error))
/* Board state: system control, the ist bit, the status byte the board would answer a poll with,
 * and parallel poll configuration (the board's own, or a device's through the bus). ibist and
 * ibppc leave the previous value in iberr. */
DRIVER_CALL(int, ibrsc, (int ud, int request_control))
DRIVER_CALL(int, ibist, (int ud, int ist))
DRIVER_CALL(int, ibrsv, (int ud, int status_byte))
DRIVER_CALL(int, ibrsv2, (int ud, int status_byte, int new_reason_for_service))
DRIVER_CALL(int, ibppc, (int ud, int configuration))
/* The library's own: the port the user named for the adapter (GPIBPLUS_PORT, or the
 * configuration file), or NULL when none is named. It reads the configuration only and never
 * opens the port. The text stays valid until the calling thread's next call of it. */
DRIVER_PLAIN(const char *, gpibplus_port, (void))

/* Traditional calls the library does not offer. */
DRIVER_ABSENT(int, ibbna, (int ud, const char *board_name))
DRIVER_ABSENT(int, ibcac, (int ud, int synchronous))
DRIVER_ABSENT(int, ibdma, (int ud, int v))
DRIVER_ABSENT(int, ibevent, (int ud, short *event))
DRIVER_ABSENT(int, ibgts, (int ud, int shadow_handshake))
DRIVER_ABSENT(int, ibpct, (int ud))
DRIVER_ABSENT(int, ibrdf, (int ud, const char *file_path))
DRIVER_ABSENT(int, ibrpp, (int ud, char *poll_result))
DRIVER_ABSENT(int, ibstop, (int ud))
DRIVER_ABSENT(int, ibwrtf, (int ud, const char *file_path))

/* IEEE 488.2 routines */
DRIVER_CALL(void, SendIFC, (int board))
DRIVER_CALL(void, FindLstn, (int board, const Addr4882_t pads[], Addr4882_t results[], int limit))
DRIVER_CALL(void, DevClear, (int board, Addr4882_t address))
DRIVER_CALL(void, ReadStatusByte, (int board, Addr4882_t address, short *status))
DRIVER_CALL(void, Send, (int board, Addr4882_t address, const void *data, long count, int eot_mode))
DRIVER_CALL(void, Receive,
            (int board, Addr4882_t address, void *buffer, long count, int termination))
DRIVER_PLAIN(int, ThreadIbsta, (void))
DRIVER_PLAIN(int, ThreadIberr, (void))
DRIVER_PLAIN(int, ThreadIbcnt, (void))
DRIVER_PLAIN(long, ThreadIbcntl, (void))
/* The calling thread's status after its last ibwrta, ibrda or ibcmda, which complete at once. */
DRIVER_PLAIN(int, AsyncIbsta, (void))
DRIVER_PLAIN(int, AsyncIberr, (void))
DRIVER_PLAIN(int, AsyncIbcnt, (void))
DRIVER_PLAIN(long, AsyncIbcntl, (void))
/* Serial polls each address of the NOADDR-ended list into results; ibcnt is the number polled.
 * AllSPoll is the same call under its other spelling. */
DRIVER_CALL(void, AllSpoll, (int board, const Addr4882_t addresses[], short results[]))
DRIVER_PLAIN(void, AllSPoll, (int board, const Addr4882_t addresses[], short results[]))

/* More IEEE 488.2 routines: data to a list of devices, and clear, trigger, go to local,
 * remote and lockout for a list or for every device. */
DRIVER_CALL(void, SendList,
            (int board, const Addr4882_t addresses[], const void *data, long count, int eot_mode))
DRIVER_CALL(void, DevClearList, (int board, const Addr4882_t addresses[]))
DRIVER_CALL(void, Trigger, (int board, Addr4882_t address))
DRIVER_CALL(void, TriggerList, (int board, const Addr4882_t addresses[]))
DRIVER_CALL(void, EnableLocal, (int board, const Addr4882_t addresses[]))
DRIVER_CALL(void, EnableRemote, (int board, const Addr4882_t addresses[]))
DRIVER_CALL(void, SendLLO, (int board))
DRIVER_CALL(void, SetRWLS, (int board, const Addr4882_t addresses[]))

/* IEEE 488.2 routines the library does not offer. */
DRIVER_ABSENT(void, FindRQS, (int board, const Addr4882_t addresses[], short *status))
DRIVER_ABSENT(void, PassControl, (int board, Addr4882_t address))
DRIVER_ABSENT(void, PPoll, (int board, short *result))
DRIVER_ABSENT(void, PPollConfig, (int board, Addr4882_t address, int data_line, int line_sense))
DRIVER_ABSENT(void, PPollUnconfig, (int board, const Addr4882_t addresses[]))
DRIVER_ABSENT(void, RcvRespMsg, (int board, void *buffer, long count, int termination))
DRIVER_ABSENT(void, ReceiveSetup, (int board, Addr4882_t address))
DRIVER_ABSENT(void, ResetSys, (int board, const Addr4882_t addresses[]))
DRIVER_ABSENT(void, SendCmds, (int board, const void *commands, long count))
DRIVER_ABSENT(void, SendDataBytes, (int board, const void *data, long count, int eot_mode))
DRIVER_ABSENT(void, SendSetup, (int board, const Addr4882_t addresses[]))
DRIVER_ABSENT(void, TestSRQ, (int board, short *result))
DRIVER_ABSENT(void, TestSys, (int board, const Addr4882_t addresses[], short results[]))
DRIVER_ABSENT(void, WaitSRQ, (int board, short *result))

/* gpib-32.dll's names of the calls that take text in the ANSI code page. */
DRIVER_ALIAS(int, ibfindA, (const char *name), ibfind)
DRIVER_ALIAS(int, ibbnaA, (int ud, const char *board_name), ibbna)
DRIVER_ALIAS(int, ibrdfA, (int ud, const char *file_path), ibrdf)
DRIVER_ALIAS(int, ibwrtfA, (int ud, const char *file_path), ibwrtf)

#include "driverfront/api/tablerowsend.h"
