#pragma once

#include "simbus/gpibsim.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim {

// The driver calls a bench can script faults for.
enum class Entry {
    ibfind,
    ibpad,
    ibsre,
    ibdev,
    ibln,
    ibonl,
    SendIFC,
    FindLstn,
    DevClear,
    ReadStatusByte,
    Send,
    Receive,
    ibsad,
    ibtmo,
    ibeos,
    ibeot,
    ibask,
    ibconfig,
    ibsic,
    ibwrt,
    ibwrta,
    ibrd,
    ibrda,
    ibcmd,
    ibcmda,
    ibclr,
    ibtrg,
    ibloc,
    ibrsp,
    ibspb,
    ibwait,
    iblines,
    ibrsc,
    ibist,
    ibrsv,
    ibrsv2,
    ibppc,
    AllSpoll,
};
inline constexpr std::size_t kEntryCount = 38;

enum class InstrumentKind { Multimeter, Generic };

struct Placement {
    InstrumentKind kind;
    Addr4882_t address;
    std::optional<std::string> answer{}; // given to every read, byte for byte

    bool operator==(const Placement &) const = default;
};

struct Fault {
    std::optional<int> iberr{};         // the call fails with ERR and this code
    std::chrono::milliseconds delay{0}; // the call sleeps this long first

    bool operator==(const Fault &) const = default;
};

// The instruments on the bus and the faults scripted for the driver calls.
struct Bench {
    std::vector<Placement> instruments;
    std::array<Fault, kEntryCount> faults{};
    std::optional<int> listeners{}; // FindLstn reports this count in place of the real one

    const Fault &fault(Entry entry) const { return faults[static_cast<std::size_t>(entry)]; }
    bool operator==(const Bench &) const = default;
};

// A multimeter at 4 and a generic instrument at 5, secondary 97.
Bench defaultBench();

struct ParsedBench {
    Bench bench;       // the default bench when the text is malformed
    std::string error; // what is malformed, empty when nothing is
};

// Reads a bench written in the GPIBSIM_BENCH grammar (see the README).
ParsedBench parseBench(std::string_view text);

// The bench GPIBSIM_BENCH describes. A malformed value is reported in one line on stderr and
// gives the default bench. GPIBSIM_BENCH is read when the library is loaded, and again at each
// load after an unload (instance.cpp).
Bench benchFromEnvironment();

} // namespace gpibsim
