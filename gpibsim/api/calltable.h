/* SPDX-License-Identifier: MIT */
/* Every export of the simulated bus, once, in the rows of tablerows.h (which frontcalls.h
 * includes): the front's calls and the library's marker. Its table also gives the entry points
 * GPIBSIM_BENCH can script faults for: its DRIVER_CALL rows. */
#include "driverfront/api/frontcalls.h"

/* The simulated bus's own: the same text as ibvers, found only here, so a program can tell the
 * simulated bus apart from a real driver loaded under the same file name. */
DRIVER_PLAIN(const char *, gpibsim_version, (void))

#include "driverfront/api/tablerowsend.h"
