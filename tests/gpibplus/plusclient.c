/* SPDX-License-Identifier: MIT */
/* A program on libgpibplus.so, as any linux-gpib client is: it prints the port the library was
 * told of and the library's version, which need no bus. With "ifc" it then makes its first call
 * that needs the bus and prints what that reported: "call ERR IBERR IBCNTL"; with "ifc fork" it
 * forks after that, and the child makes the same call on its own. */
#include "gpibplus/api/gpibplus.h"

#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

static void interfaceClear(const char *who) {
    SendIFC(0);
    printf("%s %d %d %ld\n", who, (ThreadIbsta() & ERR) != 0, ThreadIberr(), ThreadIbcntl());
    fflush(stdout);
}

int main(int argc, char **argv) {
    const char *port = gpibplus_port();
    char *version = NULL;
    ibvers(&version);
    printf("port %s\n%s\n", port != NULL ? port : "none", version);
    if (argc > 1 && strcmp(argv[1], "ifc") == 0)
        interfaceClear("call");
    if (argc > 2 && strcmp(argv[2], "fork") == 0) {
        const pid_t child = fork();
        if (child == 0) {
            interfaceClear("child");
            _exit(0);
        }
        waitpid(child, NULL, 0);
    }
    return 0;
}
