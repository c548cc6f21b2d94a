// SPDX-License-Identifier: MIT
// One query through the C interface, both ways a client makes it: Send and Receive at an
// address, and ibwrt and ibrd on a device descriptor, which addresses the instrument itself.
// The bus holds the built-in multimeter at 4 and instruments defined in our definition files,
// so that a query answered from a definition and the same exchange with the built-in
// multimeter are timed in one run.
#include "gpibsim/api/gpibsim.h"
#include "restartwith.h"

#include <benchmark/benchmark.h>

#include <string_view>

namespace {

constexpr Addr4882_t kMultimeter = 4;
constexpr Addr4882_t kDefinedMultimeter = 3;
constexpr Addr4882_t kDefinedPowerSupply = 6;

void exchange(benchmark::State &state, Addr4882_t address, std::string_view query) {
    SendIFC(0);
    char reply[80];
    for (auto _ : state) {
        Send(0, address, query.data(), static_cast<long>(query.size()), NLend);
        Receive(0, address, reply, sizeof reply, STOPend);
        benchmark::DoNotOptimize(reply);
    }
    if ((ThreadIbsta() & ERR) != 0 || (ThreadIbsta() & END) == 0)
        state.SkipWithError("the query failed");
}

void identifyQuery(benchmark::State &state) {
    exchange(state, kMultimeter, "*IDN?");
}
BENCHMARK(identifyQuery);

void identifyQueryOnDescriptor(benchmark::State &state) {
    const int ud = ibdev(0, kMultimeter, NO_SAD, T3s, 1, 0);
    char reply[80];
    for (auto _ : state) {
        ibwrt(ud, "*IDN?\n", 6);
        ibrd(ud, reply, sizeof reply);
        benchmark::DoNotOptimize(reply);
    }
    if ((ibsta & ERR) != 0 || (ibsta & END) == 0)
        state.SkipWithError("the query failed");
    ibonl(ud, 0);
}
BENCHMARK(identifyQueryOnDescriptor);

// The same reading, +1.23456E+00 and the like, from the built-in multimeter and from the one
// multimeter.yaml defines with a RANDOM reply.
void builtInReading(benchmark::State &state) {
    exchange(state, kMultimeter, "MEAS:VOLT:DC?");
}
BENCHMARK(builtInReading);

void definedReading(benchmark::State &state) {
    exchange(state, kDefinedMultimeter, "MEAS:VOLT:DC?");
}
BENCHMARK(definedReading);

// A query answered from a property of a channel: power-supply.yaml's VOLT1?.
void definedProperty(benchmark::State &state) {
    exchange(state, kDefinedPowerSupply, "VOLT1?");
}
BENCHMARK(definedProperty);

} // namespace

int main(int argc, char **argv) {
    // The definitions are found by name among those beside the library.
    restartWith(
        {{"GPIBSIM_DEVICES", "multimeter.yaml:power-supply.yaml"}, {"GPIBSIM_BENCH", "dmm@4"}},
        argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
