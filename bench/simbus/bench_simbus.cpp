// One *IDN? query through the C interface, both ways a client makes it: Send and Receive at an
// address, and ibwrt and ibrd on a device descriptor, which addresses the instrument itself.
#include "simbus/gpibsim.h"

#include <benchmark/benchmark.h>

namespace {

constexpr Addr4882_t kMultimeter = 4;

void identifyQuery(benchmark::State &state) {
    SendIFC(0);
    char reply[80];
    for (auto _ : state) {
        Send(0, kMultimeter, "*IDN?", 5, NLend);
        Receive(0, kMultimeter, reply, sizeof reply, STOPend);
        benchmark::DoNotOptimize(reply);
    }
    if ((ThreadIbsta() & ERR) != 0 || (ThreadIbsta() & END) == 0)
        state.SkipWithError("the query failed");
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

} // namespace
