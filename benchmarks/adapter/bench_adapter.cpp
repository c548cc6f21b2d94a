// SPDX-License-Identifier: MIT
// *IDN? through gpibsim-adapter as a "++" client makes it, over the pseudo-terminal and over TCP,
// against the same exchange through the simulated bus's C interface, Send and Receive, in this
// process. Each round times a block of exchanges each way back to back, so that load from
// elsewhere on the machine falls on both alike; the figures are the counters: the median time
// of an exchange each way and the median of the rounds' ratios.
#include "gpibsim/api/gpibsim.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int kBoard = 0;
constexpr Addr4882_t kMultimeter = 4;
constexpr int kExchangesPerBlock = 16;
constexpr std::string_view kIdentity = "QUORIN,Simulated Multimeter,SIM0004,1.0\n";

// gpibsim-adapter serving both transports; what it printed tells where.
class Adapter {
public:
    Adapter() {
        int out[2];
        if (pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            execl(GPIBSIM_ADAPTER_PATH, "gpibsim-adapter", "--pty", "--tcp=0", nullptr);
            _exit(127);
        }
        close(out[1]);
        FILE *lines = fdopen(out[0], "r");
        char line[256];
        while (lines && fgets(line, sizeof line, lines)) {
            const std::string text(line, std::strlen(line) - 1);
            (text.starts_with("pty ") ? pty_ : tcp_) = text.substr(4);
            if (!pty_.empty() && !tcp_.empty())
                break;
        }
    }
    ~Adapter() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    const std::string &pty() const { return pty_; }
    const std::string &tcp() const { return tcp_; }

private:
    pid_t pid_ = -1;
    std::string pty_;
    std::string tcp_;
};

int openPty(const std::string &path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios raw;
    if (fd >= 0 && tcgetattr(fd, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(fd, TCSANOW, &raw);
    }
    return fd;
}

int connectTcp(const std::string &where) {
    const auto colon = where.rfind(':');
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(where.substr(0, colon).c_str(), where.substr(colon + 1).c_str(), &hints,
                    &found) != 0)
        return -1;
    int fd = socket(found->ai_family, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
        close(fd);
        fd = -1;
    }
    freeaddrinfo(found);
    return fd;
}

bool sendAll(int fd, std::string_view bytes) {
    return write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

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

double microsecondsPerExchange(const std::function<bool()> &exchange, bool &failed) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kExchangesPerBlock; ++i)
        failed = !exchange() || failed;
    const std::chrono::duration<double, std::micro> block =
        std::chrono::steady_clock::now() - start;
    return block.count() / kExchangesPerBlock;
}

double median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<long>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
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
        adapter.push_back(microsecondsPerExchange([fd] { return adapterExchange(fd); }, failed));
        cApi.push_back(microsecondsPerExchange(cApiExchange, failed));
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
    const Adapter adapter;
    benchmark::RegisterBenchmark(
        "identifyOverPty",
        [&](benchmark::State &state) { compare(state, openPty(adapter.pty())); });
    benchmark::RegisterBenchmark("identifyOverTcp", [&](benchmark::State &state) {
        compare(state, connectTcp(adapter.tcp()));
    });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
