// SPDX-License-Identifier: MIT
// Loading a large definition: one device with 1,000 dialogues and 1,000 properties, each
// property with a getter, a setter and specs, read from its text into an instrument's
// definition as GPIBSIM_DEVICES does when the simulated bus starts.
#include "gpibsim/definitions/loader.h"

#include <benchmark/benchmark.h>

#include <fmt/format.h>

namespace {

constexpr int kDialogues = 1000;
constexpr int kProperties = 1000;

std::string largeDefinition() {
    std::string text = "spec: \"1.1\"\ndevices:\n  large:\n    dialogues:\n";
    for (int i = 0; i < kDialogues; ++i)
        text += fmt::format("      - q: \"DIAL{}?\"\n        r: \"reply {}\"\n", i, i);
    text += "    properties:\n";
    for (int i = 0; i < kProperties; ++i)
        text += fmt::format(R"(      p{0}:
        default: 1.0
        getter:
          q: "PROP{0}?"
          r: "{{:+.6E}}"
        setter:
          q: "PROP{0} {{:f}}"
          r: OK
          e: LIMIT
        specs:
          type: float
          min: 0
          max: 100
)",
                            i);
    return text + "resources:\n  GPIB0::8::INSTR:\n    device: large\n";
}

void loadLargeDefinition(benchmark::State &state) {
    const std::string text = largeDefinition();
    const gpibsim::definitions::ReadFile none = [](const std::string &) {
        return gpibsim::definitions::FileText{.text = std::nullopt, .error = "none"};
    };
    for (auto _ : state) {
        const gpibsim::definitions::Loaded loaded =
            gpibsim::definitions::loadText(text, "large.yaml", none);
        if (!loaded.error.empty() || loaded.instruments.size() != 1)
            state.SkipWithError(loaded.error.c_str());
        benchmark::DoNotOptimize(loaded);
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(loadLargeDefinition)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
