// SPDX-License-Identifier: MIT
// *IDN? through libgpibplus, ibdev once and then ibwrt and ibrd, against the same "++" lines the
// library sends for that exchange, written and read directly on the same kind of link, in both
// dialects over the pseudo-terminal and TCP. Each side has a gpibsim-adapter of its own, as an
// adapter serves one client at a time. The direct side finds the reply's end as the library
// does: once nothing more has come for 40 ms, it asks ++ver and reads to its answer. A third
// figure, for comparison, sends ++ver right behind ++read eoi without waiting for the pause.
// Each round times a block of exchanges each way back to back; the figures are the medians.
#include "exchangeblocks.h"
#include "gpibplus/api/gpibplus.h"
#include "launchedadapter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <poll.h>

namespace {

constexpr int kMultimeter = 4;
constexpr int kExchangesPerBlock = 4;
constexpr int kRounds = 8;
constexpr std::string_view kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";
constexpr std::string_view kQuery = "*IDN?\n";
// The lines the library sends for one exchange, once the adapter is set up: the query with its
// LF escaped, the address asked back to see that the write is done, the read to END, and
// ++ver behind the reply once it has paused.
constexpr std::string_view kQueryLine = "*IDN?\x1B\n\n";
constexpr std::string_view kWriteDone = "++addr\n";
constexpr std::string_view kRead = "++read eoi\n";
constexpr std::string_view kVersion = "++ver\n";
// What the library sets at opening and for this exchange, so that the adapter does the same.
constexpr std::string_view kSetup = "++auto 0\n++eos 3\n++eoi 1\n++eot_enable 0\n++addr 4\n"
                                    "++read_tmo_ms 3000\n";
constexpr int kPauseMs = 40;

// Reads until what came ends with `ending`.
bool readUntil(int fd, std::string &got, std::string_view ending) {
    char buffer[256];
    while (!got.ends_with(ending)) {
        const ssize_t size = read(fd, buffer, sizeof buffer);
        if (size <= 0)
            return false;
        got.append(buffer, static_cast<std::size_t>(size));
    }
    return true;
}

// Reads the first piece, then whatever follows until nothing has come for the pause.
bool readUntilPause(int fd, std::string &got) {
    pollfd ready{fd, POLLIN, 0};
    for (int wait = -1; poll(&ready, 1, wait) > 0; wait = kPauseMs) {
        char buffer[256];
        const ssize_t size = read(fd, buffer, sizeof buffer);
        if (size <= 0)
            return false;
        got.append(buffer, static_cast<std::size_t>(size));
    }
    return true;
}

// A client that writes the library's lines itself.
class DirectClient {
public:
    explicit DirectClient(int fd) : fd_(fd) {
        std::string answer;
        if (fd_ >= 0 && sendAll(fd_, kSetup) && sendAll(fd_, kVersion) &&
            readUntil(fd_, answer, "\r\n"))
            version_ = answer;
    }
    ~DirectClient() {
        if (fd_ >= 0)
            close(fd_);
    }
    DirectClient(const DirectClient &) = delete;
    DirectClient &operator=(const DirectClient &) = delete;

    bool ready() const { return !version_.empty(); }

    // With `pipelined`, ++ver goes right behind ++read eoi instead of after the pause.
    bool identify(bool pipelined) {
        std::string written;
        if (!sendAll(fd_, kQueryLine) || !sendAll(fd_, kWriteDone) ||
            !readUntil(fd_, written, "\r\n"))
            return false;
        std::string reply;
        const bool read =
            pipelined ? sendAll(fd_, std::string(kRead) + std::string(kVersion))
                      : sendAll(fd_, kRead) && readUntilPause(fd_, reply) && sendAll(fd_, kVersion);
        if (!read || !readUntil(fd_, reply, version_))
            return false;
        return written == "4\r\n" &&
               std::string_view(reply).substr(0, reply.size() - version_.size()) == kIdentity;
    }

private:
    int fd_;
    std::string version_;
};

bool libraryIdentify(int ud) {
    char reply[80];
    if ((ibwrt(ud, kQuery.data(), static_cast<long>(kQuery.size())) & ERR) != 0 ||
        (ibrd(ud, reply, sizeof reply) & ERR) != 0)
        return false;
    return std::string_view(reply, static_cast<std::size_t>(ThreadIbcnt())) == kIdentity;
}

void compare(benchmark::State &state, const LaunchedAdapter &forLibrary,
             const LaunchedAdapter &forDirect, bool overTcp) {
    // The library reads the variable each time it opens the port; the board going on line
    // opens it, and off line, with no device open, lets it go.
    setenv("GPIBPLUS_PORT", forLibrary.port(overTcp).c_str(), 1);
    ibonl(0, 1);
    const int ud = ibdev(0, kMultimeter, 0, T3s, 1, 0);
    DirectClient direct(openLink(forDirect, overTcp));
    if (!direct.ready()) {
        state.SkipWithError("the direct link has no adapter to talk to");
        return;
    }
    if (ud < 0 || !libraryIdentify(ud)) {
        state.SkipWithError("the library has no adapter to talk to");
        return;
    }
    bool failed = false;
    std::vector<double> library;
    std::vector<double> byHand;
    std::vector<double> pipelined;
    std::vector<double> ratios;
    for (auto _ : state) {
        library.push_back(microsecondsPerExchange([ud] { return libraryIdentify(ud); },
                                                  kExchangesPerBlock, failed));
        byHand.push_back(microsecondsPerExchange([&] { return direct.identify(false); },
                                                 kExchangesPerBlock, failed));
        pipelined.push_back(microsecondsPerExchange([&] { return direct.identify(true); },
                                                    kExchangesPerBlock, failed));
        ratios.push_back(library.back() / byHand.back());
    }
    ibonl(ud, 0);
    ibonl(0, 0);
    if (failed)
        state.SkipWithError("an exchange failed");
    state.counters["library_us"] = median(library);
    state.counters["direct_us"] = median(byHand);
    state.counters["pipelined_us"] = median(pipelined);
    state.counters["library_per_direct"] = median(ratios);
}

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::map<std::string, std::pair<LaunchedAdapter, LaunchedAdapter>> adapters;
    for (const std::string dialect : {"prologix", "ar488"}) {
        const auto &[forLibrary, forDirect] =
            adapters.try_emplace(dialect, dialect, dialect).first->second;
        for (const bool overTcp : {false, true})
            benchmark::RegisterBenchmark(
                ("identify/" + dialect + (overTcp ? "/tcp" : "/pty")).c_str(),
                [&forLibrary, &forDirect, overTcp](benchmark::State &state) {
                    compare(state, forLibrary, forDirect, overTcp);
                })
                ->Iterations(kRounds)
                ->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
