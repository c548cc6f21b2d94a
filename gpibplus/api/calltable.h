/* SPDX-License-Identifier: MIT */
/* Every export of the "++" adapters' library, once, in the rows of tablerows.h (which frontcalls.h
 * includes): the front's calls and the library's marker. The calls the adapter cannot carry out are
 * offered all the same and fail with ECAP, as the library's README tells for each (ibcmd, for one).
 */
#include "driverfront/api/frontcalls.h"

/* The library's own: the port the user named for the adapter (GPIBPLUS_PORT, or the
 * configuration file), or NULL when none is named. It reads the configuration only and never
 * opens the port. The text stays valid until the calling thread's next call of it. */
DRIVER_PLAIN(const char *, gpibplus_port, (void))

#include "driverfront/api/tablerowsend.h"
