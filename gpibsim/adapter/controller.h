// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/bus/cable.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace gpibsim::adapter {

// The adapter's own address on the cable: it is system controller there.
inline constexpr Addr4882_t kOwnAddress = 0;

// What ends a read besides a byte that times out.
struct ReadEnd {
    bool eoi = false;         // the byte sent with EOI
    std::string terminator{}; // these bytes, the last ones received
};

// How a read ended.
struct Received {
    bool eoi = false;      // the last byte came with EOI
    bool timedOut = false; // a byte did not come within the timeout
};

// The adapter's hands on the cable as controller in charge: interface messages, data both ways,
// and the waits a handshake that never completes costs. Waits take real time divided by the
// time scale.
class Controller {
public:
    // A read stops after this many bytes, so that an instrument that never stops talking cannot
    // hold the adapter for ever.
    static constexpr std::size_t kReadLimit = 65536;

    using Piece = std::function<void(std::string_view bytes, bool eoi)>;

    Controller(Cable &cable, double timeScale);

    Cable &cable() const { return cable_; }
    void wait(std::chrono::milliseconds duration) const;

    // Interface messages, with ATN, in order.
    void send(std::initializer_list<std::uint8_t> messages) const;
    // Data to the addressed listeners; with none there, the first byte waits out the timeout
    // and nothing is sent (false).
    bool write(std::string_view bytes, bool end, std::chrono::milliseconds timeout) const;
    // Data from the addressed talker, passed on piece by piece as it comes, until `end` or a
    // byte times out (that wait included).
    Received read(const ReadEnd &end, std::chrono::milliseconds timeout, const Piece &piece) const;
    // The addressed talker's status byte in a serial poll; nothing after the timeout when
    // nobody talks.
    std::optional<std::uint8_t> pollTalker(std::chrono::milliseconds timeout) const;
    bool serviceRequested() const;

private:
    Cable &cable_;
    double timeScale_;
};

} // namespace gpibsim::adapter
