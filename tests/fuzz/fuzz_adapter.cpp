// SPDX-License-Identifier: MIT
// The adapter's firmware, line splitter and command parsers: any bytes from the host, in
// either dialect (the first byte chooses), on the default bench. Every call takes at least one
// byte and no more than it was given, and no line makes the adapter answer without bound. The
// firmware's waits run a billion times faster.

#include "require.h"

#include "gpibsim/adapter/controller.h"
#include "gpibsim/adapter/firmware.h"
#include "gpibsim/bus/setup.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace gpibsim;
using namespace gpibsim::adapter;
using fuzz::require;

// The most one line can make the adapter send: a read at its limit, and room for the longest
// reply of a command.
constexpr std::size_t kMostPerLine = Controller::kReadLimit + 8192;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const Trace trace;
    Cable cable(defaultSetup().instruments, trace);
    std::size_t answered = 0;
    const FirmwareSettings settings{.dialect = data[0] & 1 ? Dialect::Ar488 : Dialect::Prologix,
                                    .timeScale = 1e9};
    Firmware firmware(settings, cable, [&](std::string_view bytes) { answered += bytes.size(); });
    std::string_view bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    while (!bytes.empty()) {
        answered = 0;
        const std::size_t taken = firmware.receive(bytes);
        require(taken >= 1 && taken <= bytes.size(), "each call takes what it was given, or less");
        require(answered <= kMostPerLine, "one line's answer is bounded");
        bytes.remove_prefix(taken);
    }
    firmware.hostGone();
    firmware.restart();
    return 0;
}
