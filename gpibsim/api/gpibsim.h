/* SPDX-License-Identifier: MIT */
/* C interface of the simulated GPIB bus: linux-gpib's types and constants, and the exports of
 * its table, with the usual prototypes, so a client runs on the simulated bus unchanged. */
#ifndef GPIBSIM_API_GPIBSIM_H
#define GPIBSIM_API_GPIBSIM_H

#include "driverfront/api/gpib.h"

#ifdef __cplusplus
extern "C" {
#endif

#include "driverfront/api/declarations.h"
#include "gpibsim/api/calltable.h"

#ifdef __cplusplus
}
#endif

#endif
