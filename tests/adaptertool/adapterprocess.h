// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <csignal>
#include <functional>

namespace adaptertest {

// Every wait of these tests gives up after this long, so that a fault fails a test instead of
// hanging it.
constexpr int kPatienceMs = 10000;

// A gpibsim-adapter process of the build tree, started with `arguments` and the simulated bus's
// variables in `environment` (NAME=VALUE) alone; stopped with SIGTERM when it goes.
class AdapterProcess {
public:
    explicit AdapterProcess(const QStringList &arguments, const QStringList &environment = {});
    ~AdapterProcess();
    AdapterProcess(const AdapterProcess &) = delete;
    AdapterProcess &operator=(const AdapterProcess &) = delete;

    // The next line it prints on standard output, without its line end; empty when it printed
    // none before it ended or the patience ran out.
    QByteArray nextLine();
    // Where the next line says a transport is served: "/dev/pts/3" of "pty /dev/pts/3"; empty
    // when the line is not about `transport` ("pty", "tcp").
    QByteArray nextPlace(const QByteArray &transport);
    // Sends `signal` and returns its exit status, or -1 when it did not exit by itself.
    int stop(int signal = SIGTERM);
    // Sends `signal` and goes on: SIGSTOP silences it, SIGCONT brings it back.
    void signal(int signal);
    // Waits for it to end; its exit status, or -1 when it did not exit by itself in time.
    int exitStatus();
    QByteArray standardError();

private:
    QProcess process_;
};

struct Finished {
    int status; // -1 when it did not exit by itself in time
    QByteArray out;
    QByteArray err;
};

// Runs gpibsim-adapter with `arguments` to its end, as for a usage error; `childSetup` runs in
// its process before it starts.
Finished runToEnd(const QStringList &arguments, const std::function<void()> &childSetup = {});

} // namespace adaptertest
