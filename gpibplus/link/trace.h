// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

namespace gpibplus::link {

// Every byte sent to the adapter and received from it, one entry per line sent and per piece
// received, time-stamped and escaped: "  1.204518 > ++addr 5\n", "  1.207311 < 5\r\n".
// GPIBPLUS_TRACE=1 writes to standard error, any other value names a file to append to.
class Trace {
public:
    using Sink = std::function<void(std::string_view entry)>;

    Trace() = default; // traces nothing
    explicit Trace(Sink sink);
    static Trace fromEnvironment();

    void sent(std::string_view bytes) const { record('>', bytes); }
    void received(std::string_view bytes) const { record('<', bytes); }

private:
    void record(char direction, std::string_view bytes) const;

    Sink sink_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

} // namespace gpibplus::link
