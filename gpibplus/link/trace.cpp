// SPDX-License-Identifier: MIT
#include "gpibplus/link/trace.h"

#include "driverfront/text/escaped.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace gpibplus::link {

namespace {

// Appended to, byte for byte, and not handed down to programs this one starts: O_CLOEXEC on
// POSIX, binary and _O_NOINHERIT on Windows, whose C library refuses the other's letter.
#ifdef _WIN32
constexpr const char *kAppendMode = "abN";
#else
constexpr const char *kAppendMode = "ae";
#endif

} // namespace

Trace::Trace(Sink sink) : sink_(std::move(sink)) {}

Trace Trace::fromEnvironment() {
    const char *target = std::getenv("GPIBPLUS_TRACE");
    if (target == nullptr || *target == '\0')
        return {};
    if (std::string_view(target) == "1")
        return Trace(
            [](std::string_view entry) { std::fwrite(entry.data(), 1, entry.size(), stderr); });
    std::shared_ptr<std::FILE> file(std::fopen(target, kAppendMode), [](std::FILE *open) {
        if (open != nullptr)
            std::fclose(open);
    });
    if (!file) {
        std::fprintf(stderr, "gpibplus: cannot write the trace to %s\n", target);
        return {};
    }
    return Trace([file](std::string_view entry) {
        std::fwrite(entry.data(), 1, entry.size(), file.get());
        std::fflush(file.get());
    });
}

void Trace::record(char direction, std::string_view bytes) const {
    if (!sink_)
        return;
    const std::chrono::duration<double> since = std::chrono::steady_clock::now() - start_;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.6f %c ", since.count(), direction);
    sink_(stamp + driverfront::escaped(bytes) + "\n");
}

} // namespace gpibplus::link
