/* SPDX-License-Identifier: MIT */
/* A program on the library, as any client of the GPIB calls is: it prints the port the library
 * was told of and the library's version, which need no bus. With "ifc" it then makes its first
 * call that needs the bus and prints what that reported: "call ERR IBERR IBCNTL"; with "ifc
 * fork" (not on Windows) it forks after that, and the child makes the same call on its own.
 * On Windows, "sockets" says before that call, and after it, whether Winsock was started:
 * loading the library and the calls that need no bus leave it "unstarted". */
#include "gpibplus/api/gpibplus.h"

#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

static void interfaceClear(const char *who) {
    SendIFC(0);
    printf("%s %d %d %ld\n", who, (ThreadIbsta() & ERR) != 0, ThreadIberr(), ThreadIbcntl());
    fflush(stdout);
}

static int asked(int argc, char **argv, const char *word) {
    for (int i = 1; i < argc; ++i)
        if (strcmp(argv[i], word) == 0)
            return 1;
    return 0;
}

#ifdef _WIN32
/* Whether anything started Winsock in this process: a socket cannot be made before. */
static void reportSockets(void) {
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const int unstarted = probe == INVALID_SOCKET && WSAGetLastError() == WSANOTINITIALISED;
    printf("sockets %s\n", unstarted ? "unstarted" : "started");
    if (probe != INVALID_SOCKET)
        closesocket(probe);
}
#endif

int main(int argc, char **argv) {
    const char *port = gpibplus_port();
    char *version = NULL;
    ibvers(&version);
    printf("port %s\n%s\n", port != NULL ? port : "none", version);
#ifdef _WIN32
    if (asked(argc, argv, "sockets"))
        reportSockets();
#endif
    if (asked(argc, argv, "ifc")) {
        interfaceClear("call");
#ifdef _WIN32
        if (asked(argc, argv, "sockets"))
            reportSockets();
#endif
    }
#ifndef _WIN32
    if (asked(argc, argv, "fork")) {
        const pid_t child = fork();
        if (child == 0) {
            interfaceClear("child");
            _exit(0);
        }
        waitpid(child, NULL, 0);
    }
#endif
    return 0;
}
