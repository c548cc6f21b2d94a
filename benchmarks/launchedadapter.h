// SPDX-License-Identifier: MIT
#pragma once

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

// gpibsim-adapter serving both transports in one dialect; what it printed tells where.
class LaunchedAdapter {
public:
    explicit LaunchedAdapter(const std::string &dialect = "prologix") {
        int out[2];
        if (pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            const std::string option = "--dialect=" + dialect;
            execl(GPIBSIM_ADAPTER_PATH, "gpibsim-adapter", "--pty", "--tcp=0", option.c_str(),
                  nullptr);
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
    ~LaunchedAdapter() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    LaunchedAdapter(const LaunchedAdapter &) = delete;
    LaunchedAdapter &operator=(const LaunchedAdapter &) = delete;

    const std::string &pty() const { return pty_; }
    const std::string &tcp() const { return tcp_; }
    const std::string &port(bool overTcp) const { return overTcp ? tcp_ : pty_; }

private:
    pid_t pid_ = -1;
    std::string pty_;
    std::string tcp_;
};

inline int openPty(const std::string &path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    termios raw;
    if (fd >= 0 && tcgetattr(fd, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(fd, TCSANOW, &raw);
    }
    return fd;
}

inline int connectTcp(const std::string &where) {
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

// A raw link to the adapter: the pseudo-terminal's other end or a TCP connection.
inline int openLink(const LaunchedAdapter &adapter, bool overTcp) {
    return overTcp ? connectTcp(adapter.tcp()) : openPty(adapter.pty());
}

inline bool sendAll(int fd, std::string_view bytes) {
    return write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}
