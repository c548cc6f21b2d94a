// SPDX-License-Identifier: MIT
// What the simulated bus puts under the front: its back end, the cable with the bench that
// GPIBSIM_BENCH and GPIBSIM_DEVICES describe and the trace GPIBSIM_TRACE asks for, read as the
// front is built; its name; its own marker export; and its calls not offered.
#include "driverfront/exports/library.h"
#include "gpibsim/api/gpibsim.h"
#include "gpibsim/bus/cablelink.h"

namespace driverfront {

namespace {

// The trace outlives the bus, and a forked child's bus writes to it too.
const gpibsim::Trace &trace() {
    static const gpibsim::Trace opened = gpibsim::traceFromEnvironment();
    return opened;
}

} // namespace

BackEnd openBackEnd() {
    const gpibsim::Setup setup = gpibsim::setupFromEnvironment();
    return {.script = setup.script, .link = std::make_unique<gpibsim::CableLink>(setup, trace())};
}

char *versionText() {
    static char text[] = "gpibsim " GPIBSIM_VERSION;
    return text;
}

} // namespace driverfront

const char *DRIVER_STDCALL gpibsim_version(void) {
    return driverfront::versionText();
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "driverfront/exports/unoffered.h"
#include "gpibsim/api/calltable.h"
#pragma GCC diagnostic pop
