// SPDX-License-Identifier: MIT
// The definition loader: a file's text in, instruments or one line naming what is wrong out.
// Every file a resource names reads as the same text. Each instrument loaded then hears the
// queries its definition answers, and each with a value after it for the setters, and is read
// after each, so that replies formatted from the definition's values run too.

#include "require.h"

#include "gpibsim/definitions/definedinstrument.h"
#include "gpibsim/definitions/loader.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

using namespace gpibsim;
using namespace gpibsim::definitions;
using fuzz::require;

constexpr std::size_t kQueriesTried = 64;

void exercise(const Resource &resource) {
    DefinedInstrument instrument(resource.definition, "SIM0001", 1);
    std::array<char, 256> reply{};
    std::size_t tried = 0;
    const auto ask = [&](const std::string &query) {
        instrument.listen(query, true);
        const Instrument::Talked talked = instrument.talk(reply, {});
        require(talked.count <= reply.size(), "a read stays inside its buffer");
        ++tried;
    };
    const auto askAll = [&](const Actions &actions) {
        for (const auto &entry : actions) {
            if (tried >= kQueriesTried)
                return;
            ask(entry.first);
            ask(entry.first + " 12.50");
        }
    };
    askAll(resource.definition->device.actions);
    for (const ChannelGroup &group : resource.definition->channels)
        askAll(group.actions);
    ask("*IDN?;SYST:ERR?");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const ReadFile sameText = [&](const std::string &) {
        return FileText{.text = text, .error = {}};
    };
    const Loaded loaded = loadText(text, "fuzz.yaml", sameText);
    const QString error = QString::fromStdString(loaded.error);
    if (!loaded.error.empty()) {
        require(loaded.instruments.empty(), "a refused file places no instrument", error);
        require(loaded.error.find('\n') == std::string::npos, "the error is one line", error);
        // This file, or another that one of its resources names.
        const std::size_t nameEnd = loaded.error.find(": ");
        require(nameEnd != std::string::npos && nameEnd > 0, "the error starts with a file's name",
                error);
        return 0;
    }
    for (const Resource &resource : loaded.instruments) {
        require(resource.definition != nullptr, "a placed instrument has its definition");
        exercise(resource);
    }
    return 0;
}
