// One *IDN? query through the C interface: Send the message, Receive the whole reply.
#include "simbus/gpibsim.h"

#include <benchmark/benchmark.h>

namespace {

void identifyQuery(benchmark::State &state) {
    constexpr Addr4882_t kMultimeter = 4;
    SendIFC(0);
    char reply[80];
    for (auto _ : state) {
        Send(0, kMultimeter, "*IDN?", 5, NLend);
        Receive(0, kMultimeter, reply, sizeof reply, STOPend);
        benchmark::DoNotOptimize(reply);
    }
    if ((ThreadIbsta() & ERR) != 0 || (ThreadIbsta() & END) == 0) {
        state.SkipWithError("the query failed");
    }
}
BENCHMARK(identifyQuery);

} // namespace
