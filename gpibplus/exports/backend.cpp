// SPDX-License-Identifier: MIT
// What the "++" adapters' library puts under the front: its back end, the link over the adapter
// the user named, opened when a call first needs the bus; its name; its own marker export; and
// its calls not offered.
#include "driverfront/exports/library.h"
#include "gpibplus/api/gpibplus.h"
#include "gpibplus/frontlink/namedadapter.h"
#include "gpibplus/frontlink/pluslink.h"
#include "gpibplus/port/configuration.h"

#include <cstdio>
#include <mutex>
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

// A configuration file that cannot be used names no port, and says why once on stderr, so that
// a program falling back to another library shows the cause.
const char *DRIVER_STDCALL gpibplus_port(void) {
    thread_local std::string port;
    const gpibplus::port::Configuration named = gpibplus::port::configuration();
    if (!named.problem.empty()) {
        static std::once_flag reported;
        std::call_once(reported,
                       [&named] { std::fprintf(stderr, "gpibplus: %s\n", named.problem.c_str()); });
    }
    port = named.port;
    return port.empty() ? nullptr : port.c_str();
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include "driverfront/exports/unoffered.h"
#include "gpibplus/api/calltable.h"
#pragma GCC diagnostic pop
