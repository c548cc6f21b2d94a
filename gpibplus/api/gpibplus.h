/* SPDX-License-Identifier: MIT */
/* C interface of the "++" adapters' GPIB library: linux-gpib's types and constants, and the
 * exports of its table, with the usual prototypes, so a client runs on an adapter unchanged. */
#ifndef GPIBPLUS_API_GPIBPLUS_H
#define GPIBPLUS_API_GPIBPLUS_H

#include "driverfront/api/gpib.h"

#ifdef __cplusplus
extern "C" {
#endif

#include "driverfront/api/declarations.h"
#include "gpibplus/api/calltable.h"

#ifdef __cplusplus
}
#endif

#endif
