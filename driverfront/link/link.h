// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/api/endofstring.h"
#include "driverfront/api/gpib.h"
#include "driverfront/api/timeout.h"
#include "driverfront/link/outcome.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

namespace driverfront {

// What the front needs of the bus below it, whatever carries the bytes: the simulated cable, or
// a "++" adapter on a serial port or TCP. The front keeps the descriptors, their settings and
// the calls' status, checks the arguments and whether the board may act; the link carries out
// one step of a call on the bus and says how it ended (iberr, TIMO and END, the count moved).
//
// The board takes part through its own address, which the front passes where it counts. The
// timeouts are the descriptor's; a link that answers at once, as the simulated cable does,
// reports a timeout at once. A link that cannot do a step answers ECAP. The front calls one
// member at a time, under its lock.
class Link {
public:
    Link() = default;
    virtual ~Link() = default;
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    // Whether the board is controller-in-charge, as a system controller is from the start.
    virtual bool inCharge() const = 0;
    // Those of CIC, REM (REN asserted), ATN, TACS, LACS and SRQI that the link can see.
    virtual int boardStatus(Addr4882_t board) const = 0;
    // iblines' word: which lines are reported (Valid...) and which are asserted (Bus...).
    virtual int lines() const = 0;
    // Whether the device at `address` requests service, for RQS on its descriptor.
    virtual bool requestsService(Addr4882_t address) const = 0;
    // IFC: the board takes charge and nobody stays addressed.
    virtual Outcome interfaceClear() = 0;
    // The board leaves charge and releases REN; nobody stays addressed.
    virtual Outcome goOffline() = 0;
    virtual Outcome setRemoteEnable(bool on) = 0;

    // Data to `listeners`, or without any to those addressed before (by command(), or by the
    // write before in the same call): EOI with the last byte when `end`, and with each
    // end-of-string byte when `eos` marks writes. ENOL when the link sees nobody listening.
    virtual Outcome write(Addr4882_t board, std::span<const Addr4882_t> listeners,
                          std::string_view bytes, bool end, const EndOfString &eos,
                          Timeout timeout) = 0;
    // Data from `talker`, or without one from the talker that command() addressed, into
    // `buffer`: up to its size, END, or the end-of-string byte when `eos` stops reads (stored
    // and counted). EABO with TIMO when the time runs out, with the count moved before.
    virtual Outcome read(Addr4882_t board, std::optional<Addr4882_t> talker, std::span<char> buffer,
                         const EndOfString &eos, Timeout timeout) = 0;
    // UNL and UNT.
    virtual Outcome unaddress() = 0;

    // Interface message bytes as they are, sent with ATN (ibcmd). A byte the link cannot send
    // stops it with ECAP; the count is the bytes sent before it.
    virtual Outcome command(std::span<const std::uint8_t> bytes) = 0;
    // DCL or LLO, to every device.
    virtual Outcome universalCommand(std::uint8_t command) = 0;
    // SDC, GET, GTL or LLO to the devices at `addresses`, addressed to listen; ENOL when the
    // link sees nobody there.
    virtual Outcome addressedCommand(Addr4882_t board, std::span<const Addr4882_t> addresses,
                                     std::uint8_t command) = 0;
    // The status byte of the device at `address`; EABO with TIMO when it does not answer.
    virtual Polled serialPoll(Addr4882_t board, Addr4882_t address, Timeout timeout) = 0;

    // A search for listeners starts with the board, then checks one address at a time.
    virtual Outcome beginListenerSearch(Addr4882_t board) = 0;
    virtual Presence listens(Addr4882_t address) = 0;
    // Whether a device listens at any secondary address of `pad`.
    virtual Presence listensOnSecondary(int pad) = 0;

    // For a wait on what only the bus can tell, how often to look again (look); nothing when
    // the link reports every change as it comes, and a wait sleeps until another call.
    virtual std::optional<std::chrono::milliseconds> lookInterval() const = 0;
    // Looks at the bus for a wait: SRQI in the bits when SRQ is asserted, and for a device's
    // wait whether it requests service, which requestsService reports from then on (the link
    // polls it and keeps its status byte for the next serial poll).
    virtual Outcome look(std::optional<Addr4882_t> device) = 0;

    // The front's call is over, after its every step.
    virtual void callEnded() = 0;
    // Nothing is in use: the board is off line and no device descriptor is open. A link that
    // holds a port lets it go until a call needs the bus again.
    virtual void release() = 0;
    // The link a child process starts on after fork: the parent's may be in use by another of
    // its threads. Null when the child gets none.
    virtual std::unique_ptr<Link> forChild() const = 0;
};

} // namespace driverfront
