// SPDX-License-Identifier: MIT
// *IDN? through gpibsim-adapter as a "++" client makes it, over the pseudo-terminal and over TCP,
// against the same exchange through the simulated bus's C interface, Send and Receive, in this
// process. Each round times a block of exchanges each way back to back, so that load from
// elsewhere on the machine falls on both alike; the figures are the counters: the median time
// of an exchange each way and the median of the rounds' ratios.
#include "exchangeblocks.h"
#include "gpibsim/api/gpibsim.h"
#include "launchedadapter.h"

#include <benchmark/benchmark.h>

#include <string_view>
#include <vector>

namespace {

constexpr int kBoard = 0;
constexpr Addr4882_t kMultimeter = 4;
constexpr int kExchangesPerBlock = 16;
constexpr std::string_view kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";

// *IDN? with ++auto 1 on: the adapter reads the reply by itself.
bool adapterExchange(int fd) {
    if (!sendAll(fd, "*IDN?\n"))
        return false;
    char reply[kIdentity.size()];
    std::size_t got = 0;
    while (got < sizeof reply) {
        const ssize_t size = read(fd, reply + got, sizeof reply - got);
        if (size <= 0)
            return false;
        got += static_cast<std::size_t>(size);
    }
    return std::string_view(reply, got) == kIdentity;
}

bool cApiExchange() {
    char reply[80];
    Send(kBoard, kMultimeter, "*IDN?", 5, NLend);
    Receive(kBoard, kMultimeter, reply, sizeof reply, STOPend);
    return std::string_view(reply, static_cast<std::size_t>(ThreadIbcntl())) == kIdentity;
}

void compare(benchmark::State &state, int fd) {
    if (fd < 0 || !sendAll(fd, "++addr 4\n++auto 1\n")) {
        state.SkipWithError("no adapter to talk to");
        return;
    }
    SendIFC(kBoard);
    bool failed = false;
    std::vector<double> adapter;
    std::vector<double> cApi;
    std::vector<double> ratios;
    for (auto _ : state) {
        adapter.push_back(microsecondsPerExchange([fd] { return adapterExchange(fd); },
                                                  kExchangesPerBlock, failed));
        cApi.push_back(microsecondsPerExchange(cApiExchange, kExchangesPerBlock, failed));
        ratios.push_back(adapter.back() / cApi.back());
    }
    close(fd);
    if (failed)
        state.SkipWithError("an exchange failed");
    state.counters["adapter_us"] = median(adapter);
    state.counters["c_api_us"] = median(cApi);
    state.counters["adapter_per_c_api"] = median(ratios);
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const LaunchedAdapter adapter;
    benchmark::RegisterBenchmark(
        "identifyOverPty",
        [&](benchmark::State &state) { compare(state, openLink(adapter, false)); });
    benchmark::RegisterBenchmark("identifyOverTcp", [&](benchmark::State &state) {
        compare(state, openLink(adapter, true));
    });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
