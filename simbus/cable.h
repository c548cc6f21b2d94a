#pragma once

#include "simbus/bench.h"
#include "simbus/callstatus.h"
#include "simbus/endofstring.h"
#include "simbus/instrument.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace gpibsim {

// The simulated cable: the instruments on it, the board's part in the interface (in charge,
// REN, ATN), who is addressed to talk and to listen, and the bytes that pass. The board takes
// part through its own address, which callers pass where it counts.
//
// The instruments have no front panel, so GTL, LLO and REN change nothing in them.
class Cable {
public:
    explicit Cable(const std::vector<Placement> &placements);

    bool inCharge() const { return inCharge_; }
    // IFC: the board takes charge and nobody stays addressed.
    void interfaceClear();
    // The board leaves charge and releases REN and ATN; nobody stays addressed.
    void goOffline();
    void setRemoteEnable(bool on) { remoteEnable_ = on; }

    // Sends command bytes with ATN. A byte it does not know stops it with ECAP; the count is
    // the bytes sent before it.
    Outcome command(std::span<const std::uint8_t> bytes);
    // UNL, then the talker and the listener, each with its secondary address if it has one.
    void addressPair(Addr4882_t talker, Addr4882_t listener);
    // UNL, the listener, then the addressed command byte.
    void commandListener(Addr4882_t listener, std::uint8_t addressedCommand);
    // UNL and UNT.
    void unaddress();

    // The board, addressed as talker, sends data to the addressed listeners; EOI goes with the
    // last byte when `end`, and with every end-of-string byte when `eos` marks writes.
    Outcome write(std::string_view bytes, bool end, const EndOfString &eos, Addr4882_t board);
    // The board, addressed as listener, reads from the addressed talker.
    Outcome read(std::span<char> buffer, const EndOfString &eos, Addr4882_t board);
    // The instrument's status byte, or nothing when no instrument is there.
    std::optional<std::uint8_t> serialPoll(Addr4882_t address);

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
    template <typename Action> void forEachListener(Action action);
    void addListener(Addr4882_t address);
    bool isListener(Addr4882_t address) const;
    bool serviceRequested() const;
    Instrument *at(Addr4882_t address) const;

    std::map<Addr4882_t, std::unique_ptr<Instrument>> instruments_;
    bool inCharge_ = true; // a system controller's board, as the driver's configuration leaves it
    bool remoteEnable_ = false;
    bool attention_ = false;
    std::vector<Addr4882_t> listeners_; // a few at most, so a list keeps its room between calls
    std::optional<Addr4882_t> talker_;
    // The primary address just sent, which a secondary address byte completes.
    std::optional<Primary> primary_;
};

} // namespace gpibsim
