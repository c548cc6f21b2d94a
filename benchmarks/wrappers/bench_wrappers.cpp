// SPDX-License-Identifier: MIT
// Each gpib wrapper against the simulated bus's entry point, both on the one loaded library, in
// three ways: the bare entry point, the entry point followed by the four status reads every
// wrapper also makes, and the wrapper through the binding. One benchmark per call; each of its
// rounds times a block of calls in each way back to back, so that load from elsewhere on the
// machine falls on the three alike. Google Benchmark's time column is a whole round; the
// figures are the counters: the median time per call of each way and the median of the
// rounds' ratios.
#include "gpib/driverbinding.h"
#include "gpib/wrappers.h"
#include "gpibsim/api/gpibsim.h"
#include "restartwith.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kBoard = 0;
constexpr Addr4882_t kMultimeter = 4;
constexpr long kMessageBytes = 80;
// Long enough that reading the clock costs little, short enough that another process seldom
// cuts into a block.
constexpr int kCallsPerBlock = 64;

enum Way { kDirect, kDirectAndStatus, kWrapper, kWays };

void readStatus() {
    benchmark::DoNotOptimize(ThreadIbsta());
    benchmark::DoNotOptimize(ThreadIberr());
    benchmark::DoNotOptimize(ThreadIbcnt());
    benchmark::DoNotOptimize(ThreadIbcntl());
}

template <typename Call> double nanosecondsPerCall(const Call &call) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCallsPerBlock; ++i)
        call();
    const std::chrono::duration<double, std::nano> block = std::chrono::steady_clock::now() - start;
    return block.count() / kCallsPerBlock;
}

double median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<long>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double medianRatio(const std::vector<double> &numerators, const std::vector<double> &denominators) {
    std::vector<double> ratios;
    std::ranges::transform(numerators, denominators, std::back_inserter(ratios), std::divides{});
    return median(std::move(ratios));
}

// A call that failed, or moved another number of bytes, timed something else.
void checkLastCall(benchmark::State &state, long expectedCount) {
    if ((ThreadIbsta() & ERR) != 0 || ThreadIbcntl() != expectedCount)
        state.SkipWithError("the call failed or moved another number of bytes");
}

template <typename Direct, typename Wrapper>
void Compare(const char *call, long expectedCount, Direct direct, Wrapper wrapper) {
    benchmark::RegisterBenchmark(
        call,
        [=](benchmark::State &state) {
            const auto directAndStatus = [&] {
                direct();
                readStatus();
            };
            const std::array<std::function<double()>, kWays> blocks{
                [&] { return nanosecondsPerCall(direct); },
                [&] { return nanosecondsPerCall(directAndStatus); },
                [&] { return nanosecondsPerCall(wrapper); },
            };
            std::array<std::vector<double>, kWays> times;
            std::size_t round = 0;
            for (auto _ : state) {
                // Each way leads in turn, so that none always follows the same other.
                for (std::size_t k = 0; k < kWays; ++k) {
                    const std::size_t way = (round + k) % kWays;
                    times[way].push_back(blocks[way]());
                }
                ++round;
            }
            checkLastCall(state, expectedCount);
            state.counters["direct_ns"] = median(times[kDirect]);
            state.counters["direct_status_ns"] = median(times[kDirectAndStatus]);
            state.counters["wrapper_ns"] = median(times[kWrapper]);
            state.counters["wrapper_per_direct_status"] =
                medianRatio(times[kWrapper], times[kDirectAndStatus]);
            state.counters["wrapper_per_direct"] = medianRatio(times[kWrapper], times[kDirect]);
        });
}

// Sixteen *CLS in one program message: 80 bytes the instrument takes without an error.
std::string EightyByteMessage() {
    std::string message;
    while (message.size() < kMessageBytes)
        message += "*CLS;";
    return message;
}

} // namespace

int main(int argc, char **argv) {
    // A multimeter at 4 that answers every read with exactly 80 bytes, so a Receive of 80 bytes
    // never waits and always ends with END.
    restartWith({{"GPIBSIM_BENCH", "dmm@4;response=4:" + std::string(kMessageBytes, '7')}}, argv);
    benchmark::Initialize(&argc, argv);
    // The binding looks for its library through the application.
    QCoreApplication app(argc, argv);
    gpib::DriverBinding::instance().useLibraries({QStringLiteral(GPIBSIM_PATH)});
    // Bus traffic needs the board in charge.
    gpib::ibfind(QStringLiteral("GPIB0"));
    gpib::SendIFC(kBoard);

    const std::string message = EightyByteMessage();
    QString messageText = QString::fromLatin1(message);
    char replyBytes[kMessageBytes];
    QString replyText(kMessageBytes, QLatin1Char(' '));
    short status = 0;
    gpib::int16 statusWord = 0;

    Compare(
        "Send80", kMessageBytes,
        [&] { Send(kBoard, kMultimeter, message.data(), kMessageBytes, DABend); },
        [&] { gpib::Send(kBoard, kMultimeter, messageText, DABend); });
    Compare(
        "Receive80", kMessageBytes,
        [&] { Receive(kBoard, kMultimeter, replyBytes, kMessageBytes, STOPend); },
        [&] { gpib::Receive(kBoard, kMultimeter, replyText, STOPend); });
    Compare(
        "SendIFC", 0, [] { SendIFC(kBoard); }, [] { gpib::SendIFC(kBoard); });
    Compare(
        "DevClear", 0, [] { DevClear(kBoard, kMultimeter); },
        [] { gpib::DevClear(kBoard, kMultimeter); });
    Compare(
        "ReadStatusByte", 0, [&] { ReadStatusByte(kBoard, kMultimeter, &status); },
        [&] { gpib::ReadStatusByte(kBoard, kMultimeter, statusWord); });

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
