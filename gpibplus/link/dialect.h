// SPDX-License-Identifier: MIT
#pragma once

#include "gpibplus/link/address.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibplus::link {

enum class Dialect { Prologix, Ar488 };

// The "++" lines the link sends, for each dialect, in one place: nullopt where the dialect
// cannot do it, and the caller is refused before anything is sent.
namespace lines {

// A Prologix writes every setting to its EEPROM while savecfg is on: it goes off before any
// other. AR488 saves only when asked.
std::optional<std::string> keepSettingsUnsaved(Dialect dialect);
// Controller mode, asked for only when the adapter is not in it: AR488 re-initialises the bus
// even when it already is.
std::string modeShown();
std::string controllerMode();
// What an earlier client or the saved settings may have changed, put back at opening:
// nothing appended to data, EOI with the last byte, no read after a write, no end-of-text
// marker, and on AR488 no *idn? answered by the adapter, no status texts, no automatic poll.
std::vector<std::string> restore(Dialect dialect);
// The adapter's answer to a lone "++addr" for the address.
std::string addressShown(Dialect dialect, Address address);
std::string selectAddress(Address address);
// The longest per-byte read timeout the dialect takes.
int longestReadTimeoutMs(Dialect dialect);
std::string readTimeout(int ms);
std::string eoi(bool on);
std::string readToEnd();
// The data as lines, escaped. AR488 sends a line that fills its 128-byte line buffer at once,
// with EOI, and loses input beyond its input buffer: there the data goes in lines of
// kLongestAhead bytes at most, line end included.
std::vector<std::string> dataLines(Dialect dialect, std::string_view data);
std::optional<std::string> serialPoll(Dialect dialect, Address address);
std::string deviceClear();
std::optional<std::string> universalClear(Dialect dialect);
std::optional<std::string> trigger(Dialect dialect, Address address);
std::string interfaceClear();
// A Prologix asserts REN for as long as it is controller and has no command for it: asking
// for REN on sends nothing, asking for it off is refused.
std::optional<std::string> remoteEnable(Dialect dialect, bool on);
std::string goToLocal();
std::string localLockout();
// LLO to every instrument: AR488 has "++llo all"; a Prologix sends LLO, which every instrument
// takes, after addressing the instrument it is set to.
std::string universalLocalLockout(Dialect dialect);
// AR488 searches a primary address and its secondaries, then forgets the address it probed
// last ("++unl"), or it sends the next data line there. A Prologix has no search: its probe is
// a serial poll.
std::vector<std::string> findListeners(Dialect dialect, Address address);
std::string serviceRequest();

} // namespace lines

// The data bytes as a "++" line carries them: CR, LF, ESC and '+' behind an ESC.
std::string escaped(std::string_view data);
// AR488 loses what arrives beyond its 64-byte serial input buffer while it is busy. The link
// never sends more than this ahead of the adapter's last answer, keeping room for the query
// ("++addr", "++ver") whose answer shows the adapter has caught up.
constexpr std::size_t kLongestAhead = 64 - 8;

} // namespace gpibplus::link
