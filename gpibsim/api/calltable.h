/* SPDX-License-Identifier: MIT */
/* Every export of the simulated bus, once. An includer defines the row macros it needs and
 * includes this file; rows whose macro it leaves undefined expand to nothing. The declarations
 * in gpibsim.h, the C definitions of the unsupported calls, the entry points GPIBSIM_BENCH can
 * script faults for, the linker's version script (Linux), its .def file (Windows) and the
 * exports test all come from here.
 *
 *   GPIBSIM_CALL(type, name, (parameters))    a call the bus carries out; GPIBSIM_BENCH can
 *                                              make it fail or wait
 *   GPIBSIM_PLAIN(type, name, (parameters))   a call that reports without the bus doing work
 *   GPIBSIM_ABSENT(type, name, (parameters))  a call not offered: ERR with ECAP
 *   GPIBSIM_VARIABLE(type, name)              a status variable
 *   GPIBSIM_ALIAS(type, name, (parameters), call)
 *                                              another name of a call, which gpib-32.dll has:
 *                                              exported on Windows only
 *
 * The build reads the rows: a row's type and name stand on its first line, and a row ends with
 * its last parenthesis. On 32-bit Windows each parameter takes 4 bytes on the stack, which the
 * .def file's names count; the link fails where that is wrong. */

#ifndef GPIBSIM_CALL
#define GPIBSIM_CALL(type, name, parameters)
#endif
#ifndef GPIBSIM_PLAIN
#define GPIBSIM_PLAIN(type, name, parameters)
#endif
#ifndef GPIBSIM_ABSENT
#define GPIBSIM_ABSENT(type, name, parameters)
#endif
#ifndef GPIBSIM_VARIABLE
#define GPIBSIM_VARIABLE(type, name)
#endif
#ifndef GPIBSIM_ALIAS
#define GPIBSIM_ALIAS(type, name, parameters, call)
#endif

/* The calling thread's last status is also copied here after every call. */
GPIBSIM_VARIABLE(int, ibsta)
GPIBSIM_VARIABLE(int, iberr)
GPIBSIM_VARIABLE(int, ibcnt)
GPIBSIM_VARIABLE(long, ibcntl)

/* Traditional calls. Each returns ibsta, except ibfind and ibdev, which return the new
 * descriptor or -1. */
GPIBSIM_CALL(int, ibfind, (const char *name))
GPIBSIM_CALL(int, ibdev, (int board_index, int pad, int sad, int timo, int send_eoi, int eos))
GPIBSIM_CALL(int, ibonl, (int ud, int onl))
GPIBSIM_CALL(int, ibpad, (int ud, int pad))
GPIBSIM_CALL(int, ibsad, (int ud, int sad))
GPIBSIM_CALL(int, ibtmo, (int ud, int timo))
GPIBSIM_CALL(int, ibeos, (int ud, int eos))
GPIBSIM_CALL(int, ibeot, (int ud, int send_eoi))
GPIBSIM_CALL(int, ibask, (int ud, int option, int *value))
GPIBSIM_CALL(int, ibconfig, (int ud, int option, int value))
GPIBSIM_CALL(int, ibsre, (int ud, int v))
GPIBSIM_CALL(int, ibsic, (int ud))
GPIBSIM_CALL(int, ibln, (int ud, int pad, int sad, short *found_listener))
GPIBSIM_CALL(int, ibwrt, (int ud, const void *data, long count))
GPIBSIM_CALL(int, ibwrta, (int ud, const void *data, long count))
GPIBSIM_CALL(int, ibrd, (int ud, void *buffer, long count))
GPIBSIM_CALL(int, ibrda, (int ud, void *buffer, long count))
GPIBSIM_CALL(int, ibcmd, (int ud, const void *commands, long count))
GPIBSIM_CALL(int, ibcmda, (int ud, const void *commands, long count))
GPIBSIM_CALL(int, ibclr, (int ud))
GPIBSIM_CALL(int, ibtrg, (int ud))
GPIBSIM_CALL(int, ibloc, (int ud))
GPIBSIM_CALL(int, ibrsp, (int ud, char *status_byte))
GPIBSIM_CALL(int, ibspb, (int ud, short *queued))
GPIBSIM_CALL(int, ibwait, (int ud, int mask))
GPIBSIM_CALL(int, iblines, (int ud, short *lines))
GPIBSIM_PLAIN(void, ibvers, (char **version))
GPIBSIM_PLAIN(const char *, gpib_error_string, (int error))
/* Board state: system control, the ist bit, the status byte the board would answer a poll with,
 * and parallel poll configuration (the board's own, or a device's through the bus). ibist and
 * ibppc leave the previous value in iberr. */
GPIBSIM_CALL(int, ibrsc, (int ud, int request_control))
GPIBSIM_CALL(int, ibist, (int ud, int ist))
GPIBSIM_CALL(int, ibrsv, (int ud, int status_byte))
GPIBSIM_CALL(int, ibrsv2, (int ud, int status_byte, int new_reason_for_service))
GPIBSIM_CALL(int, ibppc, (int ud, int configuration))
/* The simulated bus's own: the same text as ibvers, found only here, so a program can tell the
 * simulated bus apart from a real driver loaded under the same file name. */
GPIBSIM_PLAIN(const char *, gpibsim_version, (void))

/* Traditional calls the simulated bus does not offer. */
GPIBSIM_ABSENT(int, ibbna, (int ud, const char *board_name))
GPIBSIM_ABSENT(int, ibcac, (int ud, int synchronous))
GPIBSIM_ABSENT(int, ibdma, (int ud, int v))
GPIBSIM_ABSENT(int, ibevent, (int ud, short *event))
GPIBSIM_ABSENT(int, ibgts, (int ud, int shadow_handshake))
GPIBSIM_ABSENT(int, ibpct, (int ud))
GPIBSIM_ABSENT(int, ibrdf, (int ud, const char *file_path))
GPIBSIM_ABSENT(int, ibrpp, (int ud, char *poll_result))
GPIBSIM_ABSENT(int, ibstop, (int ud))
GPIBSIM_ABSENT(int, ibwrtf, (int ud, const char *file_path))

/* IEEE 488.2 routines */
GPIBSIM_CALL(void, SendIFC, (int board))
GPIBSIM_CALL(void, FindLstn, (int board, const Addr4882_t pads[], Addr4882_t results[], int limit))
GPIBSIM_CALL(void, DevClear, (int board, Addr4882_t address))
GPIBSIM_CALL(void, ReadStatusByte, (int board, Addr4882_t address, short *status))
GPIBSIM_CALL(void, Send,
             (int board, Addr4882_t address, const void *data, long count, int eot_mode))
GPIBSIM_CALL(void, Receive,
             (int board, Addr4882_t address, void *buffer, long count, int termination))
GPIBSIM_PLAIN(int, ThreadIbsta, (void))
GPIBSIM_PLAIN(int, ThreadIberr, (void))
GPIBSIM_PLAIN(int, ThreadIbcnt, (void))
GPIBSIM_PLAIN(long, ThreadIbcntl, (void))
/* The calling thread's status after its last ibwrta, ibrda or ibcmda, which complete at once. */
GPIBSIM_PLAIN(int, AsyncIbsta, (void))
GPIBSIM_PLAIN(int, AsyncIberr, (void))
GPIBSIM_PLAIN(int, AsyncIbcnt, (void))
GPIBSIM_PLAIN(long, AsyncIbcntl, (void))
/* Serial polls each address of the NOADDR-ended list into results; ibcnt is the number polled.
 * AllSPoll is the same call under its other spelling. */
GPIBSIM_CALL(void, AllSpoll, (int board, const Addr4882_t addresses[], short results[]))
GPIBSIM_PLAIN(void, AllSPoll, (int board, const Addr4882_t addresses[], short results[]))

/* IEEE 488.2 routines the simulated bus does not offer. */
GPIBSIM_ABSENT(void, DevClearList, (int board, const Addr4882_t addresses[]))
GPIBSIM_ABSENT(void, EnableLocal, (int board, const Addr4882_t addresses[]))
GPIBSIM_ABSENT(void, EnableRemote, (int board, const Addr4882_t addresses[]))
GPIBSIM_ABSENT(void, FindRQS, (int board, const Addr4882_t addresses[], short *status))
GPIBSIM_ABSENT(void, PassControl, (int board, Addr4882_t address))
GPIBSIM_ABSENT(void, PPoll, (int board, short *result))
GPIBSIM_ABSENT(void, PPollConfig, (int board, Addr4882_t address, int data_line, int line_sense))
GPIBSIM_ABSENT(void, PPollUnconfig, (int board, const Addr4882_t addresses[]))
GPIBSIM_ABSENT(void, RcvRespMsg, (int board, void *buffer, long count, int termination))
GPIBSIM_ABSENT(void, ReceiveSetup, (int board, Addr4882_t address))
GPIBSIM_ABSENT(void, ResetSys, (int board, const Addr4882_t addresses[]))
GPIBSIM_ABSENT(void, SendCmds, (int board, const void *commands, long count))
GPIBSIM_ABSENT(void, SendDataBytes, (int board, const void *data, long count, int eot_mode))
GPIBSIM_ABSENT(void, SendList,
               (int board, const Addr4882_t addresses[], const void *data, long count,
                int eot_mode))
GPIBSIM_ABSENT(void, SendLLO, (int board))
GPIBSIM_ABSENT(void, SendSetup, (int board, const Addr4882_t addresses[]))
GPIBSIM_ABSENT(void, SetRWLS, (int board, const Addr4882_t addresses[]))
GPIBSIM_ABSENT(void, TestSRQ, (int board, short *result))
GPIBSIM_ABSENT(void, TestSys, (int board, const Addr4882_t addresses[], short results[]))
GPIBSIM_ABSENT(void, Trigger, (int board, Addr4882_t address))
GPIBSIM_ABSENT(void, TriggerList, (int board, const Addr4882_t addresses[]))
GPIBSIM_ABSENT(void, WaitSRQ, (int board, short *result))

/* gpib-32.dll's names of the calls that take text in the ANSI code page. */
GPIBSIM_ALIAS(int, ibfindA, (const char *name), ibfind)
GPIBSIM_ALIAS(int, ibbnaA, (int ud, const char *board_name), ibbna)
GPIBSIM_ALIAS(int, ibrdfA, (int ud, const char *file_path), ibrdf)
GPIBSIM_ALIAS(int, ibwrtfA, (int ud, const char *file_path), ibwrtf)

#undef GPIBSIM_CALL
#undef GPIBSIM_PLAIN
#undef GPIBSIM_ABSENT
#undef GPIBSIM_VARIABLE
#undef GPIBSIM_ALIAS
