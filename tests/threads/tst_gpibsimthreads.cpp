// SPDX-License-Identifier: MIT
// The simulated bus called from several threads at once, as a multithreaded GPIB client calls
// its driver. Written without Qt, so that ThreadSanitizer, which Debian's Qt is not built for,
// can judge every synchronisation in it. Each case prints what failed; the status is the number
// of cases that failed.
#include "gpibsim/api/gpibsim.h"

#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <latch>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

constexpr int kBoard = 0;
constexpr Addr4882_t kMultimeter = 4;
constexpr Addr4882_t kEmpty = 6;
constexpr std::string_view kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";
constexpr int kGenericPad = 5;
constexpr int kGenericSad = 97;
constexpr std::string_view kGenericIdentity = "QUORIN,Simulated Instrument,SIM0005,1.0\n";

struct Case {
    const char *name;
    std::function<std::string()> run; // what went wrong, empty when nothing did
};

std::string query(Addr4882_t address, std::string_view message) {
    Send(kBoard, address, message.data(), static_cast<long>(message.size()), NLend);
    char reply[100];
    Receive(kBoard, address, reply, sizeof reply, STOPend);
    return {reply, static_cast<std::size_t>(ThreadIbcnt())};
}

bool failedWith(int iberr) {
    return (ThreadIbsta() & ERR) != 0 && ThreadIberr() == iberr;
}

// The reader fails, then the writer succeeds; only then does the reader look at its status.
std::string threadsReadTheirOwnStatus() {
    std::latch readerCalled(1);
    std::latch writerCalled(1);
    int readerStatus = 0;
    int writerStatus = 0;
    std::thread reader([&] {
        char buffer[10];
        Receive(kBoard, kEmpty, buffer, sizeof buffer, STOPend);
        readerCalled.count_down();
        writerCalled.wait();
        readerStatus = ThreadIbsta();
    });
    std::thread writer([&] {
        readerCalled.wait();
        Send(kBoard, kMultimeter, "*CLS", 4, DABend);
        writerStatus = ThreadIbsta();
        writerCalled.count_down();
    });
    reader.join();
    writer.join();
    if ((readerStatus & (ERR | TIMO)) != (ERR | TIMO))
        return "the failed read's status was lost";
    if ((writerStatus & (ERR | TIMO)) != 0)
        return "the write took the read's failure";
    return {};
}

// Queries of the two instruments, each on its own descriptor, and failing reads from four threads
// at once each get their own answer.
std::string threadsCallAtOnce() {
    struct Caller {
        int pad;
        int sad;
        std::string_view identity; // empty: nobody is there, and every read times out
    };
    const Caller callers[] = {{kMultimeter, NO_SAD, kIdentity},
                              {kGenericPad, kGenericSad, kGenericIdentity},
                              {kEmpty, NO_SAD, {}},
                              {kEmpty, NO_SAD, {}}};
    std::atomic<int> wrong = 0;
    std::vector<std::thread> threads;
    for (const Caller &caller : callers)
        threads.emplace_back([&] {
            const int ud = ibdev(kBoard, caller.pad, caller.sad, T3s, 1, 0);
            for (int i = 0; i < 200; ++i) {
                char reply[100];
                if (!caller.identity.empty())
                    ibwrt(ud, "*IDN?\n", 6);
                ibrd(ud, reply, sizeof reply);
                const bool right =
                    caller.identity.empty()
                        ? failedWith(EABO)
                        : std::string_view(reply, static_cast<std::size_t>(ThreadIbcnt())) ==
                              caller.identity;
                wrong += !right;
            }
            ibonl(ud, 0);
        });
    for (std::thread &thread : threads)
        thread.join();
    return wrong == 0 ? std::string() : std::to_string(wrong.load()) + " calls got a wrong answer";
}

// A thread waiting for SRQ holds up no other call, and wakes when another thread's call brings
// the request.
std::string waitWakesWhenAnotherThreadRequestsService() {
    ibtmo(kBoard, T30s);
    int waited = 0;
    std::thread waiter([&] { waited = ibwait(kBoard, SRQI | TIMO); });
    // The reply waiting (MAV) with MAV enabled requests service until a serial poll.
    const std::string_view request = "*SRE 16;*IDN?";
    Send(kBoard, kMultimeter, request.data(), static_cast<long>(request.size()), NLend);
    waiter.join();
    short status = 0;
    ReadStatusByte(kBoard, kMultimeter, &status);
    DevClear(kBoard, kMultimeter);
    query(kMultimeter, "*SRE 0;*STB?");
    if ((waited & (SRQI | TIMO | ERR)) != SRQI)
        return "the wait ended with ibsta " + std::to_string(waited);
    return {};
}

// A wait for a condition that never comes ends with the descriptor's timeout, while another
// thread goes on calling.
std::string waitTimesOutWhileOthersCall() {
    const int ud = ibdev(kBoard, kMultimeter, NO_SAD, T100ms, 1, 0);
    int waited = 0;
    std::thread waiter([&] { waited = ibwait(ud, RQS | TIMO); });
    for (int i = 0; i < 20; ++i)
        query(kMultimeter, "*STB?");
    waiter.join();
    ibonl(ud, 0);
    if ((waited & (RQS | TIMO | ERR)) != TIMO)
        return "the wait ended with ibsta " + std::to_string(waited);
    return {};
}

// A thread that called into a copy of the library, loaded by its path, ends after the copy is
// unloaded: what the library keeps for the thread must not call back into its code.
std::string threadEndsAfterTheUnload() {
    const std::filesystem::path copy = std::filesystem::temp_directory_path() /
                                       ("gpibsim-threads-" + std::to_string(::getpid()) + ".so");
    std::filesystem::copy_file(GPIBSIM_PATH, copy,
                               std::filesystem::copy_options::overwrite_existing);
    void *library = dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL);
    std::filesystem::remove(copy);
    if (library == nullptr)
        return std::string("cannot load the copy: ") + dlerror();
    const auto listener = reinterpret_cast<decltype(&ibln)>(dlsym(library, "ibln"));
    std::latch called(1);
    std::latch unloaded(1);
    short found = 0;
    std::thread caller([&] {
        listener(kBoard, kMultimeter, NO_SAD, &found);
        called.count_down();
        unloaded.wait();
    });
    called.wait();
    const bool closed = dlclose(library) == 0;
    unloaded.count_down();
    caller.join();
    if (found != 1)
        return "the copy found no listener at 4";
    if (!closed)
        return std::string("cannot unload the copy: ") + dlerror();
    return {};
}

} // namespace

int main() {
    const Case cases[] = {
        {"threadsReadTheirOwnStatus", threadsReadTheirOwnStatus},
        {"threadsCallAtOnce", threadsCallAtOnce},
        {"waitWakesWhenAnotherThreadRequestsService", waitWakesWhenAnotherThreadRequestsService},
        {"waitTimesOutWhileOthersCall", waitTimesOutWhileOthersCall},
        {"threadEndsAfterTheUnload", threadEndsAfterTheUnload},
    };
    int failed = 0;
    for (const Case &each : cases) {
        const std::string wrong = each.run();
        std::printf("%s: %s %s\n", wrong.empty() ? "PASS" : "FAIL", each.name, wrong.c_str());
        failed += !wrong.empty();
    }
    std::printf("%d passed, %d failed\n", static_cast<int>(std::size(cases)) - failed, failed);
    return failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
