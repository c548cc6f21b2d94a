/* SPDX-License-Identifier: MIT */
/* Does nothing but load the simulated bus and make one call, by which it has read
 * GPIBSIM_BENCH and GPIBSIM_DEVICES (on Linux as it was loaded, on Windows at that first call):
 * what it writes on stderr is what the library reports as it reads them. */
#include "gpibsim/api/gpibsim.h"

int main(void) {
    ibwait(0, 0);
    return gpibsim_version() ? 0 : 1;
}
