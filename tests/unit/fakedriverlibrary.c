/* SPDX-License-Identifier: MIT */
/* A driver library as the binding sees it when it chooses one: built plain, a library with no
 * marker of ours, as linux-gpib's; built with FAKE_ADAPTER, the "++" adapters' library, whose
 * marker names the port GPIBPLUS_PORT gives, or none. */
#include <stdlib.h>

int ibfind(const char *name) {
    (void)name;
    return -1;
}

#ifdef FAKE_ADAPTER
const char *gpibplus_port(void) {
    const char *port = getenv("GPIBPLUS_PORT");
    return port != NULL && *port != '\0' ? port : NULL;
}
#endif
