/* SPDX-License-Identifier: MIT */
/* Does nothing but load the stand-in: what it writes on stderr is what the library reports as it
 * reads GPIBSIM_BENCH and GPIBSIM_DEVICES. */
#include "simbus/gpibsim.h"

int main(void) {
    return gpibsim_version() ? 0 : 1;
}
