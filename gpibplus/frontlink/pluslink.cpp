// SPDX-License-Identifier: MIT
#include "gpibplus/frontlink/pluslink.h"

#include <algorithm>
#include <cstdio>

namespace gpibplus {

using driverfront::EndOfString;
using driverfront::Outcome;
using driverfront::Polled;
using driverfront::Presence;
using driverfront::Timeout;

namespace {

// What a command that waits for no instrument's data may take at the adapter.
constexpr link::Link::Timeout kCommandTimeout{1000};
// The status byte's bit of a device that requests service.
constexpr int kRequestingService = 0x40;

link::Address addressOf(Addr4882_t address) {
    return {address & 0xFF, address >> 8};
}

// The adapter counts in milliseconds; TNONE is its "as long as the adapter answers".
link::Link::Timeout millisecondsOf(Timeout timeout) {
    if (!timeout)
        return link::Link::Timeout{0};
    return std::max(link::Link::Timeout{1}, std::chrono::ceil<std::chrono::milliseconds>(*timeout));
}

} // namespace

PlusLink::PlusLink(Opener open) : open_(std::move(open)) {}

int PlusLink::boardStatus(Addr4882_t) const {
    if (offline_)
        return 0;
    return CIC | (remote_ ? REM : 0);
}

bool PlusLink::requestsService(Addr4882_t address) const {
    return requesting_.contains(address);
}

std::optional<Outcome> PlusLink::openAdapter() {
    if (adapter_)
        return std::nullopt;
    auto [result, opened] = open_();
    if (!opened)
        return outcomeOf(result);
    adapter_ = std::move(opened);
    return std::nullopt;
}

Outcome PlusLink::outcomeOf(const link::Result &result, long count) {
    switch (result.status) {
    case link::Status::Ok:
        return {.count = count};
    case link::Status::TimedOut:
        return {.iberr = EABO, .bits = TIMO, .count = count};
    case link::Status::Refused:
        return {.iberr = ECAP, .count = count};
    case link::Status::LinkDown:
        break;
    }
    std::fprintf(stderr, "gpibplus: %s\n", result.message.c_str());
    if (adapter_ && adapter_->lost())
        adapter_.reset();
    return {.iberr = EDVR, .count = result.errnum};
}

// The board is back in charge even when the adapter cannot be had: later calls try it again.
Outcome PlusLink::interfaceClear() {
    offline_ = false;
    if (const std::optional<Outcome> failed = openAdapter())
        return *failed;
    return outcomeOf(adapter_->interfaceClear(kCommandTimeout));
}

// The adapter stays controller: nothing goes out, and the front refuses traffic until the
// board is back on line.
Outcome PlusLink::goOffline() {
    offline_ = true;
    return {};
}

Outcome PlusLink::setRemoteEnable(bool on) {
    if (const std::optional<Outcome> failed = openAdapter())
        return *failed;
    const Outcome set = outcomeOf(adapter_->remoteEnable(on, kCommandTimeout));
    if (!set.iberr)
        remote_ = on;
    return set;
}

// EOI goes with each end-of-string byte when the descriptor asks for it: the data goes out in
// pieces that end there.
Outcome PlusLink::write(Addr4882_t, std::span<const Addr4882_t> listeners, std::string_view bytes,
                        bool end, const EndOfString &eos, Timeout timeout) {
    if (!listeners.empty())
        listeners_.assign(listeners.begin(), listeners.end());
    if (listeners_.empty())
        return {.iberr = ECAP};
    if (const std::optional<Outcome> failed = openAdapter())
        return *failed;
    const auto marked = [&](char byte) {
        return eos.marksWrites() && eos.matches(byte);
    };
    for (const Addr4882_t listener : listeners_) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            std::string_view piece = bytes.substr(sent);
            piece = piece.substr(0, std::ranges::find_if(piece, marked) - piece.begin() + 1);
            const bool eoi = marked(piece.back()) || (end && sent + piece.size() == bytes.size());
            const link::Result written =
                adapter_->write(addressOf(listener), piece, eoi, millisecondsOf(timeout));
            if (!written.ok())
                return outcomeOf(written, static_cast<long>(sent));
            sent += piece.size();
        }
    }
    return {.count = static_cast<long>(bytes.size())};
}

Outcome PlusLink::read(Addr4882_t, std::optional<Addr4882_t> talker, std::span<char> buffer,
                       const EndOfString &eos, Timeout timeout) {
    if (!talker)
        return {.iberr = ECAP};
    if (const std::optional<Outcome> failed = openAdapter())
        return *failed;
    if (buffer.empty())
        return {};
    std::optional<char> terminator;
    if (eos.stopsReads())
        terminator = static_cast<char>(eos.mode & 0xFF);
    const link::Answer<link::Link::Read> got =
        adapter_->read(addressOf(*talker), buffer.size(), terminator, millisecondsOf(timeout));
    const std::string &data = got.value.data;
    std::copy(data.begin(), data.end(), buffer.begin());
    Outcome outcome = outcomeOf(got.result, static_cast<long>(data.size()));
    if (!outcome.iberr && got.value.ended)
        outcome.bits |= END;
    return outcome;
}

Outcome PlusLink::command(std::span<const std::uint8_t>) {
    return {.iberr = ECAP};
}

Outcome PlusLink::universalCommand(std::uint8_t command) {
    if (const std::optional<Outcome> failed = openAdapter())
        return *failed;
    if (command == DCL)
        return outcomeOf(adapter_->universalClear(kCommandTimeout));
    if (command == LLO)
        return outcomeOf(adapter_->universalLocalLockout(kCommandTimeout));
    return {.iberr = ECAP};
}

Outcome PlusLink::addressedCommand(Addr4882_t, std::span<const Addr4882_t> addresses,
                                   std::uint8_t command) {
    if (const std::optional<Outcome> failed = openAdapter())
        return *failed;
    using Step = link::Result (link::Link::*)(link::Address, link::Link::Timeout);
    Step step = nullptr;
    switch (command) {
    case SDC:
        step = &link::Link::deviceClear;
        break;
    case GET:
        step = &link::Link::trigger;
        break;
    case GTL:
        step = &link::Link::goToLocal;
        break;
    case LLO:
        step = &link::Link::localLockout;
        break;
    default:
        return {.iberr = ECAP};
    }
    for (const Addr4882_t address : addresses) {
        if (command == SDC)
            requesting_.erase(address);
        if (const link::Result done = (adapter_.get()->*step)(addressOf(address), kCommandTimeout);
            !done.ok())
            return outcomeOf(done);
    }
    return {};
}

Polled PlusLink::serialPoll(Addr4882_t, Addr4882_t address, Timeout timeout) {
    if (const std::optional<Outcome> failed = openAdapter())
        return {.outcome = *failed};
    if (const auto kept = requesting_.extract(address))
        return {.outcome = {}, .status = kept.mapped()};
    const link::Answer<int> polled =
        adapter_->serialPoll(addressOf(address), millisecondsOf(timeout));
    return {.outcome = outcomeOf(polled.result), .status = static_cast<std::uint8_t>(polled.value)};
}

// A device that does not answer the poll requests nothing; one that the dialect cannot poll
// fails the wait with ECAP once SRQ is asserted.
Outcome PlusLink::look(std::optional<Addr4882_t> device) {
    if (const std::optional<Outcome> failed = openAdapter())
        return *failed;
    const link::Answer<bool> asserted = adapter_->serviceRequested(kCommandTimeout);
    if (!asserted.result.ok())
        return outcomeOf(asserted.result);
    if (!asserted.value)
        return {};
    if (device && !requesting_.contains(*device)) {
        const link::Answer<int> polled = adapter_->serialPoll(addressOf(*device), kCommandTimeout);
        if (polled.result.status == link::Status::LinkDown ||
            polled.result.status == link::Status::Refused)
            return outcomeOf(polled.result);
        if (polled.result.ok() && (polled.value & kRequestingService) != 0)
            requesting_[*device] = static_cast<std::uint8_t>(polled.value);
    }
    return {.bits = SRQI};
}

Outcome PlusLink::beginListenerSearch(Addr4882_t) {
    return openAdapter().value_or(Outcome{});
}

std::optional<std::vector<link::Address>> PlusLink::secondaryListeners(int pad,
                                                                       std::optional<int> &iberr) {
    if (searched_ && searched_->first == pad)
        return searched_->second;
    if (const std::optional<Outcome> failed = openAdapter()) {
        iberr = failed->iberr;
        return std::nullopt;
    }
    link::Answer<std::vector<link::Address>> found =
        adapter_->secondaryListeners(pad, kSweepTimeout);
    if (!found.result.ok()) {
        iberr = outcomeOf(found.result).iberr;
        return std::nullopt;
    }
    searched_.emplace(pad, std::move(found.value));
    return searched_->second;
}

// A secondary address searched in this call is answered from the search.
Presence PlusLink::listens(Addr4882_t address) {
    const link::Address device = addressOf(address);
    if (device.hasSecondary() && searched_ && searched_->first == device.pad)
        return {.present = std::ranges::find(searched_->second, device) != searched_->second.end()};
    if (const std::optional<Outcome> failed = openAdapter())
        return {.iberr = failed->iberr};
    const link::Answer<bool> found = adapter_->listens(device, kProbeTimeout);
    if (!found.result.ok())
        return {.iberr = outcomeOf(found.result).iberr};
    return {.present = found.value};
}

Presence PlusLink::listensOnSecondary(int pad) {
    std::optional<int> iberr;
    const std::optional<std::vector<link::Address>> found = secondaryListeners(pad, iberr);
    if (!found)
        return {.iberr = iberr};
    return {.present = !found->empty()};
}

void PlusLink::callEnded() {
    listeners_.clear();
    searched_.reset();
}

std::unique_ptr<driverfront::Link> PlusLink::forChild() const {
    return std::make_unique<PlusLink>(open_);
}

} // namespace gpibplus
