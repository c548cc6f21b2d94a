// SPDX-License-Identifier: MIT
#include "gpibplus/frontlink/namedadapter.h"

#include "gpibplus/port/configuration.h"

namespace gpibplus {

link::Answer<std::unique_ptr<link::Link>> openNamedAdapter() {
    const port::Configuration named = port::configuration();
    const auto failed = [](int errnum, const std::string &message) {
        return link::Answer<std::unique_ptr<link::Link>>{{link::Status::LinkDown, errnum, message},
                                                         nullptr};
    };
    if (!named.problem.empty())
        return failed(0, named.problem);
    if (named.port.empty())
        return failed(0, "no \"++\" adapter is named: set GPIBPLUS_PORT, or 'port =' in " +
                             named.source);
    port::Opened opened = port::openPort(named, port::Clock::now() + link::Link::kMargin);
    if (!opened.port)
        return failed(opened.errnum, opened.problem);
    return link::Link::open(std::move(opened.port));
}

} // namespace gpibplus
