// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/link/address.h"
#include "gpibplus/link/trace.h"
#include "gpibplus/port/port.h"

#include <optional>
#include <string>
#include <vector>

namespace gpibplus::link {

using port::Deadline;

// What the adapter sends back, read from the port as it comes and kept until taken.
class Replies {
public:
    Replies(port::Port &port, const Trace &trace) : port_(port), trace_(trace) {}

    // The next line, without its CR LF (a lone LF ends one too).
    std::optional<std::string> line(Deadline deadline);
    // Everything before `marker`, the marker taken too; nullopt when it had not come by the
    // deadline, with what came kept.
    std::optional<std::string> until(std::string_view marker, Deadline deadline);
    // Waits for more bytes: false at the deadline or when the port failed.
    bool more(Deadline deadline);
    // Drops what comes until nothing has come for `quiet`, or the deadline.
    void drain(std::chrono::milliseconds quiet, Deadline deadline);
    std::string takeAll();
    bool empty() const { return pending_.empty(); }
    // The port failed or closed: nothing more will come.
    bool broken() const { return failure_.status != port::Transfer::Status::Done; }
    int errnum() const { return failure_.errnum; }

private:
    port::Port &port_;
    const Trace &trace_;
    std::string pending_;
    port::Transfer failure_;
};

// A status byte as "++spoll" prints it: decimal, 0-255.
std::optional<int> statusByteOf(std::string_view line);
// A lone "++addr"'s answer: "9", "9 98" (Prologix) or "9,98" (AR488).
std::optional<Address> shownAddressOf(std::string_view line);
// AR488's "++fndl" answer: "5,9:98,12", secondaries after a colon; empty when nobody listened.
std::optional<std::vector<Address>> listenersOf(std::string_view line);

} // namespace gpibplus::link
