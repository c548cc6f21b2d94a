// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/adapter/firmware.h"
#include "gpibsim/adaptertool/devicelink.h"
#include "gpibsim/adaptertool/filedescriptor.h"
#include "gpibsim/adaptertool/inputbuffer.h"
#include "gpibsim/adaptertool/options.h"
#include "gpibsim/adaptertool/pseudoterminal.h"
#include "gpibsim/adaptertool/stopsignal.h"
#include "gpibsim/adaptertool/tcplistener.h"
#include "gpibsim/bus/cable.h"
#include "gpibsim/bus/trace.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace gpibsim::adaptertool {

// One "++" adapter on the simulated cable, served on a pseudo-terminal, a TCP port or both, one
// client at a time. A TCP client holds the adapter from its connection to its close; a client
// of the pseudo-terminal while it has the port open. The other transport waits meanwhile: TCP
// clients in the listener's backlog, bytes written to the pseudo-terminal in its buffer.
class AdapterServer {
public:
    // Opens the transports and prints a line for each on standard output. Throws
    // std::runtime_error when one cannot be had.
    AdapterServer(const Options &options, StopSignal &stop);

    // Serves until a stop signal comes.
    void run();

private:
    enum class Source { None, Pty, Tcp };

    void announce(std::string_view transport, const std::string &where);
    void reset();
    bool ptyHeld() const;
    bool resetting() const;
    void noticePtyClients();
    void accept();
    void tcpClientGone();
    void serve(Source source);
    void feed(Source source);
    void overflow(Source source);
    int fdOf(Source source) const;
    void reply(std::string_view bytes);
    void write(std::string_view bytes);
    void writeToPty(std::string_view bytes);
    void writeToTcp(std::string_view bytes);
    void linkLost(Source source);
    void awaitPtyReader();

    Options options_;
    StopSignal &stop_;
    Source speaking_ = Source::None; // whose line the firmware carries out: its replies go there
    bool lost_ = false;              // that client's link went during the reply
    std::uint32_t noise_ = 0x2545F491;
    Trace trace_;
    Cable cable_;
    adapter::Firmware firmware_;
    InputBuffer input_;
    std::optional<PseudoTerminal> pty_;
    std::optional<DeviceLink> link_;
    std::optional<TcpListener> listener_;
    FileDescriptor tcpClient_;
    std::chrono::steady_clock::time_point resetUntil_{};
};

} // namespace gpibsim::adaptertool
