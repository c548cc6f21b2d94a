// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/api/endofstring.h"
#include "driverfront/link/outcome.h"
#include "gpibsim/bus/setup.h"
#include "gpibsim/bus/trace.h"
#include "gpibsim/instruments/instrument.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace gpibsim {

// The simulated cable: the instruments on it, the board's part in the interface (in charge,
// REN, ATN), who is addressed to talk and to listen, and the bytes that pass, each shown in the
// trace. The board takes part through its own address, which callers pass where it counts.
// Addressing goes over the bus in the order linux-gpib's library sends it, unless a controller
// sends its own interface messages. Data moves as on a real bus: the board, as controller, may
// drive data with ATN released without its own talk address, and read from the addressed talker
// without its own listen address; the driver's rule that the board be addressed lives in Bus.
//
// The instruments have no front panel, so GTL, LLO and REN change nothing in them.
class Cable {
public:
    Cable(const std::vector<Placement> &placements, const Trace &trace);

    bool inCharge() const { return inCharge_; }
    // IFC: the board takes charge and nobody stays addressed.
    void interfaceClear();
    // The board leaves charge and releases REN and ATN; nobody stays addressed.
    void goOffline();
    void setRemoteEnable(bool on);

    // Sends command bytes with ATN. A byte it does not know stops it with ECAP; the count is
    // the bytes sent before it.
    driverfront::Outcome command(std::span<const std::uint8_t> bytes);
    // Before a write: the board's talk address, UNL, then the listeners' addresses.
    void addressListeners(Addr4882_t board, std::span<const Addr4882_t> listeners);
    // Before a read: UNL, the board's listen address, then the talker's address.
    void addressTalker(Addr4882_t talker, Addr4882_t board);
    // addressListeners, then the addressed command byte.
    void commandListeners(Addr4882_t board, std::span<const Addr4882_t> listeners,
                          std::uint8_t addressedCommand);
    // One interface message with ATN, any byte, shown in the trace; false when the cable does not
    // act on it (SPE, SPD, TCT and the like change nothing the cable keeps).
    bool message(std::uint8_t byte);
    // UNL and UNT.
    void unaddress();
    // The board's talk address, which starts a search for listeners.
    void addressBoardAsTalker(Addr4882_t board);
    // UNL and the listen address, then whether anybody acknowledges it.
    bool listens(Addr4882_t address);
    // UNL, the primary listen address and every secondary address, then whether anybody
    // acknowledges one of them.
    bool listensOnSecondary(int pad);

    // The board sends data to the addressed listeners; EOI goes with the last byte when `end`,
    // and with every end-of-string byte when `eos` marks writes. ENOL when nobody listens.
    driverfront::Outcome write(std::string_view bytes, bool end,
                               const driverfront::EndOfString &eos, Addr4882_t board);
    // The board reads from the addressed talker; EABO and TIMO when nobody talks.
    driverfront::Outcome read(std::span<char> buffer, const driverfront::EndOfString &eos,
                              Addr4882_t board);
    // The addressed talker talks into `buffer` for the board, as Instrument::talk says; with
    // nobody addressed to talk, it times out.
    Instrument::Talked take(std::span<char> buffer, const driverfront::EndOfString &eos,
                            Addr4882_t board);
    // Whether an instrument is addressed to listen, as NDAC held low shows it.
    bool listenerAcknowledges() const;
    // In a serial poll (after SPE): the addressed talker's status byte, shown in the trace;
    // nothing when no instrument talks.
    std::optional<std::uint8_t> statusByteOfTalker();
    // Polls the instrument at `address` for its status byte, with the board listening;
    // nothing when no instrument is there.
    std::optional<std::uint8_t> serialPoll(Addr4882_t address, Addr4882_t board);
    // Shows SRQ in the trace when it has changed since last time.
    void traceServiceRequest();

    bool isPresent(Addr4882_t address) const { return at(address) != nullptr; }
    std::vector<Addr4882_t> secondaryListeners(int pad) const;
    bool requestsService(Addr4882_t address) const;
    // CIC, REM (REN asserted), ATN, TACS, LACS and SRQI.
    int status(Addr4882_t board) const;
    // iblines' word: REN, SRQ, ATN, IFC and EOI are reported.
    int lines() const;

private:
    struct Primary {
        int pad;
        bool talker;
    };

    bool run(std::uint8_t byte);
    void runAddress(std::uint8_t primary, Addr4882_t address);
    void forgetAddressing();
    template <typename Action> void forEachListener(Action action);
    void addListener(Addr4882_t address);
    bool isListener(Addr4882_t address) const;
    bool serviceRequested() const;
    Instrument *at(Addr4882_t address) const;

    const Trace &trace_;
    std::map<Addr4882_t, std::unique_ptr<Instrument>> instruments_;
    bool inCharge_ = true; // a system controller's board, as the driver's configuration leaves it
    bool remoteEnable_ = false;
    bool attention_ = false;
    std::vector<Addr4882_t> listeners_; // a few at most, so a list keeps its room between calls
    std::optional<Addr4882_t> talker_;
    // The primary address last sent, which the secondary address bytes after it complete.
    std::optional<Primary> primary_;
    bool tracedServiceRequest_ = false;
};

} // namespace gpibsim
