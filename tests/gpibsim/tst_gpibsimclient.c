/* SPDX-License-Identifier: MIT */
/* A C client of the traditional calls, written as one is for any driver of this family: an
 * interactive terminal's session with the multimeter at 4, and a scan for listeners. The
 * process-wide ibsta, iberr, ibcnt and ibcntl are read here as such a client reads them. */
#include "gpibsim/api/gpibsim.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;

static void check(int holds, const char *what, int line) {
    if (!holds) {
        fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, line, what);
        ++failures;
    }
}

#define CHECK(condition) check((condition) != 0, #condition, __LINE__)

/* The globals agree with the calling thread's values. */
#define CHECK_GLOBALS()                                                                            \
    CHECK(ibsta == ThreadIbsta() && iberr == ThreadIberr() && ibcnt == ThreadIbcnt() &&            \
          ibcntl == ThreadIbcntl())

static const char identity[] = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";

static void terminalSession(int board) {
    const int ud = ibdev(0, 4, NO_SAD, T3s, 1, 0);
    CHECK(ud > 0);
    CHECK_GLOBALS();

    CHECK((ibwrt(ud, "*IDN?\n", 6) & ERR) == 0);
    CHECK(ibcnt == 6 && ibcntl == 6);
    CHECK_GLOBALS();

    char reply[100];
    memset(reply, 0, sizeof reply);
    CHECK((ibrd(ud, reply, sizeof reply - 1) & (ERR | END)) == END);
    CHECK(ibcnt == (int)strlen(identity));
    CHECK(strcmp(reply, identity) == 0);
    CHECK_GLOBALS();

    /* The query without LF: EOI on its last byte ends it, and the reply waits. */
    ibwrt(ud, "*IDN?", 5);
    char status = 0;
    CHECK((ibrsp(ud, &status) & ERR) == 0);
    CHECK(status == 0x10);

    CHECK((ibclr(ud) & ERR) == 0);
    CHECK((ibrsp(ud, &status) & ERR) == 0);
    CHECK(status == 0);
    CHECK((ibrd(ud, reply, sizeof reply) & (ERR | TIMO)) == (ERR | TIMO));
    CHECK(iberr == EABO && ibcnt == 0);
    CHECK_GLOBALS();

    CHECK((ibloc(ud) & ERR) == 0);
    CHECK((ibloc(board) & ERR) == 0);

    CHECK((ibonl(ud, 0) & ERR) == 0);
    CHECK((ibwrt(ud, "*IDN?\n", 6) & ERR) != 0);
    CHECK(iberr == EARG);
    CHECK_GLOBALS();
}

/* Every primary address but the board's, then the secondary addresses of those with no
 * listener at the primary alone. */
static void listenerScan(int board) {
    int boardPad = -1;
    CHECK((ibask(board, IbaPAD, &boardPad) & ERR) == 0);
    CHECK(boardPad == 0);

    int found[8][2];
    int count = 0;
    for (int pad = 0; pad <= 30; ++pad) {
        short listener = 0;
        if (pad == boardPad)
            continue;
        CHECK((ibln(board, pad, NO_SAD, &listener) & ERR) == 0);
        if (listener && count < 8) {
            found[count][0] = pad;
            found[count++][1] = NO_SAD;
            continue;
        }
        for (int sad = 0x60; sad <= 0x7E && count < 8; ++sad) {
            CHECK((ibln(board, pad, sad, &listener) & ERR) == 0);
            if (listener) {
                found[count][0] = pad;
                found[count++][1] = sad;
            }
        }
    }
    CHECK(count == 2);
    CHECK(found[0][0] == 4 && found[0][1] == NO_SAD);
    CHECK(found[1][0] == 5 && found[1][1] == 0x61);

    const int ud = ibdev(0, found[1][0], found[1][1], T1s, 1, 0);
    int value = 0;
    CHECK((ibask(ud, IbaSAD, &value) & ERR) == 0 && value == 0x61);
    CHECK((ibask(ud, IbaTMO, &value) & ERR) == 0 && value == T1s);
    ibonl(ud, 0);
}

/* The calls linux-gpib has beyond the traditional and IEEE 488.2 sets the program uses. */
static void furtherExports(int board) {
    const int ud = ibdev(0, 4, NO_SAD, T3s, 1, 0);
    CHECK((ibwrta(ud, "*IDN?\n", 6) & (ERR | CMPL)) == CMPL);
    CHECK(AsyncIbsta() == CMPL && AsyncIberr() == 0 && AsyncIbcnt() == 6 && AsyncIbcntl() == 6);

    const Addr4882_t both[] = {4, 0x6105, NOADDR};
    short results[3] = {-1, -1, -1};
    AllSPoll(board, both, results);
    CHECK((ibsta & ERR) == 0 && ibcnt == 2);
    CHECK(results[0] == 0x10 && results[1] == 0 && results[2] == -1);
    /* The async values stay those of the last asynchronous call. */
    CHECK(AsyncIbcnt() == 6);

    char reply[100];
    CHECK((ibrda(ud, reply, 1) & (ERR | END)) == 0);
    CHECK(AsyncIbsta() == CMPL && AsyncIbcnt() == 1);
    ibrda(ud, reply, sizeof reply);
    ibrda(ud, reply, sizeof reply);
    CHECK(AsyncIbsta() == (ERR | TIMO | CMPL) && AsyncIberr() == EABO && AsyncIbcnt() == 0);

    const Addr4882_t withEmpty[] = {4, 7, 0x6105, NOADDR};
    AllSpoll(board, withEmpty, results);
    CHECK((ibsta & (ERR | TIMO)) == (ERR | TIMO) && iberr == EABO && ibcnt == 1);
    ibonl(ud, 0);

    char *version = NULL;
    ibvers(&version);
    CHECK(version != NULL && strncmp(version, "gpibsim ", 8) == 0);
    CHECK(strcmp(gpibsim_version(), version) == 0);
}

int main(void) {
    const int board = ibfind("GPIB0");
    CHECK(board == 0);
#if defined(_WIN32)
    /* The name a program written for gpib-32.dll calls. */
    CHECK(ibfindA("GPIB0") == 0);
#endif
    /* In charge from the first call, as the driver's configuration leaves a system
     * controller's board: the scan needs no interface clear. */
    CHECK((ibwait(board, 0) & (ERR | CIC)) == CIC);
    listenerScan(board);
    terminalSession(board);
    furtherExports(board);
    if (failures == 0)
        puts("all checks passed");
    return failures == 0 ? 0 : 1;
}
