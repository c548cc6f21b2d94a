// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <optional>

namespace driverfront {

// The calls the front carries out. A library's table offers them in its DRIVER_CALL rows.
enum class Entry {
    ibfind,
    ibdev,
    ibonl,
    ibpad,
    ibsad,
    ibtmo,
    ibeos,
    ibeot,
    ibask,
    ibconfig,
    ibsre,
    ibsic,
    ibln,
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
    SendIFC,
    FindLstn,
    DevClear,
    ReadStatusByte,
    Send,
    Receive,
    AllSpoll,
    SendList,
    DevClearList,
    Trigger,
    TriggerList,
    EnableLocal,
    EnableRemote,
    SendLLO,
    SetRWLS, // the last
};
inline constexpr std::size_t kEntryCount = static_cast<std::size_t>(Entry::SetRWLS) + 1;

struct Fault {
    std::optional<int> iberr{};         // the call fails with ERR and this code
    std::chrono::milliseconds delay{0}; // the call sleeps this long first

    bool operator==(const Fault &) const = default;
};

// Faults scripted for the calls, for tests of the programs above a driver library; none unless
// the library's own setting asks for them.
struct Script {
    std::array<Fault, kEntryCount> faults{};
    std::optional<int> listeners{}; // FindLstn reports this count in place of the real one

    const Fault &fault(Entry entry) const { return faults[static_cast<std::size_t>(entry)]; }
    bool operator==(const Script &) const = default;
};

} // namespace driverfront
