// SPDX-License-Identifier: MIT
// The "++" link, and libgpibplus.so over it, called from several threads at once, against
// gpibsim-adapter in each dialect.
// Written without Qt, so that ThreadSanitizer, which Debian's Qt is not built for, can judge
// every synchronisation in it. Each case prints what failed; the status is the number of cases
// that failed.
#include "gpibplus/api/gpibplus.h"
#include "gpibplus/link/link.h"
#include "gpibplus/port/tcpport.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using namespace gpibplus;
using link::Address;
using link::Link;

constexpr Link::Timeout kTimeout{500};
constexpr std::string_view kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";
constexpr std::string_view kGenericIdentity = "QUORIN,Simulated Instrument,SIM0005,1.0\n";

// A gpibsim-adapter process serving TCP on a free port, stopped when it goes.
class Adapter {
public:
    explicit Adapter(const char *dialect) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const char *arguments[] = {GPIBSIM_ADAPTER_PATH, "--dialect", dialect, "--tcp=0",
                                   "--time-scale=10",    nullptr};
        if (posix_spawn(&pid_, GPIBSIM_ADAPTER_PATH, &actions, nullptr,
                        const_cast<char **>(arguments), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // "tcp 127.0.0.1:40173"
        char byte;
        while (::read(out[0], &byte, 1) == 1 && byte != '\n')
            place_ += byte;
        ::close(out[0]);
        if (place_.starts_with("tcp "))
            place_.erase(0, 4);
    }
    ~Adapter() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string &place() const { return place_; }

private:
    pid_t pid_ = -1;
    std::string place_;
};

// Queries of two instruments, serial polls, service request checks and reads that time out,
// from five threads at once on one link: each gets its own answer.
std::string threadsShareTheLink(const char *dialect) {
    Adapter adapter(dialect);
    port::Opened opened =
        port::connectTcp(adapter.place(), port::Clock::now() + std::chrono::seconds(10));
    if (!opened.port)
        return "no adapter: " + opened.problem;
    const auto started = Link::open(std::move(opened.port), link::Trace());
    if (!started.result.ok())
        return started.result.message;
    Link *const link = started.value.get();
    std::atomic<int> wrong = 0;
    const auto querying = [&](Address address, std::string_view identity) {
        for (int i = 0; i < 30; ++i) {
            link->write(address, "*IDN?", true, kTimeout);
            const auto reply = link->read(address, 100, std::nullopt, kTimeout);
            wrong += reply.value.data != identity;
        }
    };
    std::vector<std::thread> threads;
    threads.emplace_back(querying, Address{4}, kIdentity);
    threads.emplace_back(querying, Address{5, 97}, kGenericIdentity);
    threads.emplace_back([&] {
        for (int i = 0; i < 30; ++i)
            wrong += !link->serialPoll(Address{4}, kTimeout).result.ok();
    });
    threads.emplace_back([&] {
        for (int i = 0; i < 30; ++i)
            wrong += !link->serviceRequested(kTimeout).result.ok();
    });
    threads.emplace_back([&] {
        for (int i = 0; i < 3; ++i)
            wrong += link->read(Address{6}, 10, std::nullopt, kTimeout).result.status !=
                     link::Status::TimedOut;
    });
    for (std::thread &thread : threads)
        thread.join();
    return wrong == 0 ? std::string() : std::to_string(wrong.load()) + " calls went wrong";
}

// The library's calls from four threads at once, each reading its own status after each call:
// queries of two instruments through their descriptors, reads from nobody that time out, and
// waits for a service request that does not come. The library opens the adapter at the first
// call that needs it, and lets go of it when the board goes off line with nothing open.
std::string threadsShareTheLibrary(const char *dialect) {
    Adapter adapter(dialect);
    ::setenv("GPIBPLUS_PORT", adapter.place().c_str(), 1);
    if ((ibonl(0, 1) & ERR) != 0)
        return "no adapter: iberr " + std::to_string(ThreadIberr());
    std::atomic<int> wrong = 0;
    const auto querying = [&](Addr4882_t address, std::string_view identity) {
        const int ud = ibdev(0, address & 0xFF, address >> 8, T1s, 1, 0);
        for (int i = 0; i < 20; ++i) {
            ibwrt(ud, "*IDN?\n", 6);
            wrong += (ThreadIbsta() & ERR) != 0 || ThreadIbcnt() != 6;
            char reply[100];
            ibrd(ud, reply, sizeof reply);
            wrong += (ThreadIbsta() & (ERR | END)) != END ||
                     std::string_view(reply, static_cast<std::size_t>(ThreadIbcnt())) != identity;
        }
        ibonl(ud, 0);
    };
    std::vector<std::thread> threads;
    threads.emplace_back(querying, Addr4882_t{4}, kIdentity);
    threads.emplace_back(querying, Addr4882_t{5 | 97 << 8}, kGenericIdentity);
    threads.emplace_back([&] {
        const int ud = ibdev(0, 6, 0, T100ms, 1, 0);
        for (int i = 0; i < 3; ++i) {
            char reply[10];
            ibrd(ud, reply, sizeof reply);
            wrong += (ThreadIbsta() & (ERR | TIMO)) != (ERR | TIMO) || ThreadIberr() != EABO ||
                     ThreadIbcnt() != 0;
        }
        ibonl(ud, 0);
    });
    threads.emplace_back([&] {
        const int ud = ibdev(0, 4, 0, T100ms, 1, 0);
        for (int i = 0; i < 3; ++i)
            wrong += (ibwait(ud, RQS | TIMO) & (ERR | TIMO | RQS)) != TIMO;
        ibonl(ud, 0);
    });
    for (std::thread &thread : threads)
        thread.join();
    ibonl(0, 0);
    return wrong == 0 ? std::string() : std::to_string(wrong.load()) + " calls went wrong";
}

} // namespace

int main() {
    int failed = 0;
    int passed = 0;
    for (const auto test : {threadsShareTheLink, threadsShareTheLibrary})
        for (const char *dialect : {"prologix", "ar488"}) {
            const std::string wrong = test(dialect);
            const char *name =
                test == threadsShareTheLink ? "threadsShareTheLink" : "threadsShareTheLibrary";
            std::printf("%s: %s(%s) %s\n", wrong.empty() ? "PASS" : "FAIL", name, dialect,
                        wrong.c_str());
            (wrong.empty() ? passed : failed) += 1;
        }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
