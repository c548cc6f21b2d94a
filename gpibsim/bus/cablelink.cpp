// SPDX-License-Identifier: MIT
#include "gpibsim/bus/cablelink.h"

#include <algorithm>

namespace gpibsim {

using driverfront::EndOfString;
using driverfront::Outcome;
using driverfront::Polled;
using driverfront::Presence;
using driverfront::Timeout;

CableLink::CableLink(const Setup &setup, const Trace &trace)
    : setup_(setup), trace_(trace), cable_(setup.instruments, trace) {}

bool CableLink::requestsService(Addr4882_t address) const {
    return cable_.requestsService(address);
}

Outcome CableLink::interfaceClear() {
    cable_.interfaceClear();
    return {};
}

Outcome CableLink::goOffline() {
    cable_.goOffline();
    return {};
}

Outcome CableLink::setRemoteEnable(bool on) {
    cable_.setRemoteEnable(on);
    return {};
}

Outcome CableLink::write(Addr4882_t board, std::span<const Addr4882_t> listeners,
                         std::string_view bytes, bool end, const EndOfString &eos, Timeout) {
    if (!listeners.empty())
        cable_.addressListeners(board, listeners);
    return cable_.write(bytes, end, eos, board);
}

Outcome CableLink::read(Addr4882_t board, std::optional<Addr4882_t> talker, std::span<char> buffer,
                        const EndOfString &eos, Timeout) {
    if (talker)
        cable_.addressTalker(*talker, board);
    return cable_.read(buffer, eos, board);
}

Outcome CableLink::unaddress() {
    cable_.unaddress();
    return {};
}

Outcome CableLink::command(std::span<const std::uint8_t> bytes) {
    return cable_.command(bytes);
}

Outcome CableLink::universalCommand(std::uint8_t command) {
    const std::uint8_t bytes[] = {command};
    const Outcome sent = cable_.command(bytes);
    return sent.iberr ? sent : Outcome{};
}

// The command goes out either way; with nobody at the addresses, nobody listens to it.
Outcome CableLink::addressedCommand(Addr4882_t board, std::span<const Addr4882_t> addresses,
                                    std::uint8_t command) {
    cable_.commandListeners(board, addresses, command);
    const bool heard = std::ranges::any_of(
        addresses, [&](Addr4882_t address) { return cable_.isPresent(address); });
    return heard ? Outcome{} : Outcome{.iberr = ENOL};
}

// A serial poll of an empty address waits for a status byte that never comes.
Polled CableLink::serialPoll(Addr4882_t board, Addr4882_t address, Timeout) {
    const std::optional<std::uint8_t> status = cable_.serialPoll(address, board);
    if (!status)
        return {.outcome = {.iberr = EABO, .bits = TIMO}};
    return {.outcome = {}, .status = *status};
}

Outcome CableLink::beginListenerSearch(Addr4882_t board) {
    cable_.addressBoardAsTalker(board);
    return {};
}

Presence CableLink::listens(Addr4882_t address) {
    return {.present = cable_.listens(address)};
}

Presence CableLink::listensOnSecondary(int pad) {
    return {.present = cable_.listensOnSecondary(pad)};
}

std::unique_ptr<driverfront::Link> CableLink::forChild() const {
    return std::make_unique<CableLink>(setup_, trace_);
}

} // namespace gpibsim
