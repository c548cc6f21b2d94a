// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/front/descriptors.h"
#include "driverfront/link/outcome.h"

#include <optional>

namespace driverfront {

// ibask and ibconfig on a descriptor's settings, by linux-gpib's option numbers (the Iba and
// Ibc numbers agree), answered as linux-gpib's library answers them. An option of the other
// kind of descriptor, an unknown number or a value out of range fails with EARG; ECAP only
// where linux-gpib gives it, for settings it does not offer either (byte swapping, pass
// control protocol, local lockout on open, END on EOI only, disabling interrupts or DMA).
// Remote enable (IbcSRE) acts on the bus, so the front handles it.

struct Asked {
    std::optional<int> iberr{}; // set when the query fails
    int value = 0;
};

Asked askOption(const Settings &settings, bool device, int option);
// How the change ended; ibist's and ibppc's options leave the previous value in iberr.
Outcome configureOption(Settings &settings, bool device, int option, int value);

// The configuration byte ibppc sends or keeps for `value` (0 and PPC_DISABLE disable the
// response), or nothing when the value is not a parallel poll configuration.
std::optional<int> parallelPollByte(int value);

} // namespace driverfront
