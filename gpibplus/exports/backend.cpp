// SPDX-License-Identifier: MIT
// What the "++" adapters' library puts under the front: its back end, the link over the adapter
// the user named, opened when a call first needs the bus; its name; its own marker export; and
// its calls not offered.
#include "driverfront/exports/library.h"
#include "gpibplus/api/gpibplus.h"
#include "gpibplus/frontlink/namedadapter.h"
#include "gpibplus/frontlink/pluslink.h"
#include "gpibplus/port/configuration.h"

#include <string>

namespace driverfront {

BackEnd openBackEnd() {
    return {.script = {}, .link = std::make_unique<gpibplus::PlusLink>(gpibplus::openNamedAdapter)};
}

char *versionText() {
    static char text[] = "gpibplus " GPIBPLUS_VERSION;
    return text;
}

} // namespace driverfront

const char *DRIVER_STDCALL gpibplus_port(void) {
    thread_local std::string port;
    port = gpibplus::port::configuration().port;
    return port.empty() ? nullptr : port.c_str();
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "driverfront/exports/unoffered.h"
#include "gpibplus/api/calltable.h"
#pragma GCC diagnostic pop
