/* SPDX-License-Identifier: MIT */
/* Does nothing but load the simulated bus: what it writes on stderr is what the library reports as
 * it reads GPIBSIM_BENCH and GPIBSIM_DEVICES. */
#include "gpibsim/api/gpibsim.h"

int main(void) {
    return gpibsim_version() ? 0 : 1;
}
