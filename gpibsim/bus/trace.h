// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/api/gpibsim.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace gpibsim {

// The bus as an analyser shows it, one line per event: interface messages sent with ATN, data
// with who sent it to whom and END, status bytes of serial polls, SRQ rising and falling. Each
// line goes out in one write, so lines of several processes appending to one file stay whole.
// Off, every call returns at once.
class Trace {
public:
    Trace() = default; // off
    // Writes to `fd`, closing it at the end when `owned`.
    Trace(int fd, bool owned) : fd_(fd), owned_(owned) {}
    ~Trace();
    Trace(const Trace &) = delete;
    Trace &operator=(const Trace &) = delete;

    bool on() const { return fd_ >= 0; }

    // Each event is looked at only when the trace is on, so off it costs a test and a branch.
    void command(std::uint8_t byte) const {
        if (on())
            showCommand(byte);
    }
    void interfaceClear() const {
        if (on())
            line("IFC");
    }
    void remoteEnable(bool asserted) const {
        if (on())
            line(asserted ? "REN on" : "REN off");
    }
    void data(Addr4882_t talker, std::span<const Addr4882_t> listeners, std::string_view bytes,
              bool end) const {
        if (on())
            showData(talker, listeners, bytes, end);
    }
    void statusByte(Addr4882_t address, std::uint8_t status) const {
        if (on())
            showStatusByte(address, status);
    }
    void serviceRequest(bool asserted) const {
        if (on())
            line(asserted ? "SRQ asserted" : "SRQ released");
    }

private:
    void showCommand(std::uint8_t byte) const;
    void showData(Addr4882_t talker, std::span<const Addr4882_t> listeners, std::string_view bytes,
                  bool end) const;
    void showStatusByte(Addr4882_t address, std::uint8_t status) const;
    void line(std::string_view text) const;

    int fd_ = -1;
    bool owned_ = false;
};

// The trace GPIBSIM_TRACE asks for: unset, empty or "0", none; "1", standard error; any other
// value, that file, appended to. A file that cannot be opened is reported in one line on
// standard error, and there is no trace.
Trace traceFromEnvironment();

} // namespace gpibsim
