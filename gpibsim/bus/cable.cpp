// SPDX-License-Identifier: MIT
#include "gpibsim/bus/cable.h"

#include "driverfront/api/address.h"
#include "gpibsim/definitions/definedinstrument.h"
#include "gpibsim/instruments/multimeter.h"

#include <algorithm>
#include <string>

namespace gpibsim {

namespace {

std::unique_ptr<Instrument> makeInstrument(const Placement &placement) {
    const std::string pad = std::to_string(placement.address & 0xFF);
    const std::string serial = "SIM" + std::string(4 - pad.size(), '0') + pad;
    std::unique_ptr<Instrument> instrument;
    if (placement.kind == InstrumentKind::Multimeter)
        instrument = std::make_unique<Multimeter>(serial);
    else if (placement.kind == InstrumentKind::Defined)
        instrument = std::make_unique<definitions::DefinedInstrument>(placement.definition, serial,
                                                                      placement.address);
    else
        instrument = std::make_unique<Instrument>("Simulated Instrument", serial);
    if (placement.answer)
        instrument->answerEveryReadWith(*placement.answer);
    return instrument;
}

} // namespace

Cable::Cable(const std::vector<Placement> &placements, const Trace &trace) : trace_(trace) {
    for (const Placement &placement : placements)
        instruments_.emplace(placement.address, makeInstrument(placement));
}

void Cable::interfaceClear() {
    trace_.interfaceClear();
    inCharge_ = true;
    forgetAddressing();
}

void Cable::goOffline() {
    setRemoteEnable(false);
    forgetAddressing();
    inCharge_ = attention_ = false;
}

void Cable::setRemoteEnable(bool on) {
    if (on != remoteEnable_)
        trace_.remoteEnable(on);
    remoteEnable_ = on;
}

void Cable::forgetAddressing() {
    listeners_.clear();
    talker_.reset();
    primary_.reset();
}

driverfront::Outcome Cable::command(std::span<const std::uint8_t> bytes) {
    attention_ = true;
    long sent = 0;
    for (const std::uint8_t byte : bytes) {
        if (!run(byte & 0x7F))
            return {.iberr = ECAP, .count = sent};
        ++sent;
    }
    return {.count = sent};
}

void Cable::addressListeners(Addr4882_t board, std::span<const Addr4882_t> listeners) {
    attention_ = true;
    runAddress(MTA(board & 0xFF), board);
    run(UNL);
    for (const Addr4882_t listener : listeners)
        runAddress(MLA(listener & 0xFF), listener);
}

void Cable::addressTalker(Addr4882_t talker, Addr4882_t board) {
    attention_ = true;
    run(UNL);
    runAddress(MLA(board & 0xFF), board);
    runAddress(MTA(talker & 0xFF), talker);
}

void Cable::commandListeners(Addr4882_t board, std::span<const Addr4882_t> listeners,
                             std::uint8_t addressedCommand) {
    addressListeners(board, listeners);
    run(addressedCommand);
}

bool Cable::message(std::uint8_t byte) {
    attention_ = true;
    return run(byte & 0x7F);
}

void Cable::unaddress() {
    attention_ = true;
    run(UNL);
    run(UNT);
}

void Cable::addressBoardAsTalker(Addr4882_t board) {
    attention_ = true;
    runAddress(MTA(board & 0xFF), board);
}

bool Cable::listens(Addr4882_t address) {
    attention_ = true;
    run(UNL);
    runAddress(MLA(address & 0xFF), address);
    return isPresent(address);
}

bool Cable::listensOnSecondary(int pad) {
    attention_ = true;
    run(UNL);
    run(MLA(pad));
    for (int sad = driverfront::kFirstSecondary; sad <= driverfront::kLastSecondary; ++sad)
        run(static_cast<std::uint8_t>(sad));
    return !secondaryListeners(pad).empty();
}

void Cable::runAddress(std::uint8_t primary, Addr4882_t address) {
    run(primary);
    if ((address >> 8) != NO_SAD)
        run(MSA(address >> 8));
}

// Secondary addresses complete the primary address sent before them; after any other byte
// they address nobody.
bool Cable::run(std::uint8_t byte) {
    trace_.command(byte);
    if (byte >= driverfront::kFirstSecondary && byte <= driverfront::kLastSecondary) {
        if (primary_ && primary_->talker) {
            talker_ = driverfront::makeAddress(primary_->pad, byte);
        } else if (primary_) {
            std::erase(listeners_, driverfront::makeAddress(primary_->pad, NO_SAD));
            addListener(driverfront::makeAddress(primary_->pad, byte));
        }
        return true;
    }
    primary_.reset();
    if (byte >= driverfront::kFirstListen && byte < UNL) {
        addListener(driverfront::makeAddress(byte & 0x1F, NO_SAD));
        primary_ = Primary{byte & 0x1F, false};
        return true;
    }
    if (byte >= driverfront::kFirstTalk && byte < UNT) {
        talker_ = driverfront::makeAddress(byte & 0x1F, NO_SAD);
        primary_ = Primary{byte & 0x1F, true};
        return true;
    }
    switch (byte) {
    case UNL:
        listeners_.clear();
        return true;
    case UNT:
        talker_.reset();
        return true;
    case SDC:
        forEachListener([](Instrument &listener) { listener.clear(); });
        return true;
    case GET:
        forEachListener([](Instrument &listener) { listener.trigger(); });
        return true;
    case DCL:
        for (const auto &entry : instruments_)
            entry.second->clear();
        return true;
    case GTL:
    case LLO:
    case PPConfig:
        return true;
    default:
        return false;
    }
}

driverfront::Outcome Cable::write(std::string_view bytes, bool end,
                                  const driverfront::EndOfString &eos, Addr4882_t board) {
    if (!listenerAcknowledges())
        return {.iberr = ENOL};
    attention_ = false;
    const auto send = [&](std::string_view chunk, bool withEoi) {
        trace_.data(board, listeners_, chunk, withEoi);
        forEachListener([&](Instrument &listener) { listener.listen(chunk, withEoi); });
    };
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (eos.marksWrites() && eos.matches(bytes[i])) {
            send(bytes.substr(start, i + 1 - start), true);
            start = i + 1;
        }
    }
    if (start < bytes.size())
        send(bytes.substr(start), end);
    return {.count = static_cast<long>(bytes.size())};
}

bool Cable::listenerAcknowledges() const {
    return std::ranges::any_of(
        listeners_, [&](Addr4882_t address) { return isPresent(address); });
}

// Reading from an empty address waits for a talker that never answers.
driverfront::Outcome Cable::read(std::span<char> buffer, const driverfront::EndOfString &eos,
                                 Addr4882_t board) {
    if (!talker_ || !isPresent(*talker_))
        return {.iberr = EABO, .bits = TIMO};
    if (buffer.empty()) {
        attention_ = false;
        return {};
    }
    const Instrument::Talked talked = take(buffer, eos, board);
    const long moved = static_cast<long>(talked.count);
    if (talked.timedOut)
        return {.iberr = EABO, .bits = TIMO, .count = moved};
    return {.bits = talked.end ? END : 0, .count = moved};
}

Instrument::Talked Cable::take(std::span<char> buffer, const driverfront::EndOfString &eos,
                               Addr4882_t board) {
    Instrument *talker = talker_ ? at(*talker_) : nullptr;
    if (talker == nullptr)
        return {.timedOut = true};
    attention_ = false;
    const Instrument::Talked talked = talker->talk(buffer, eos);
    if (talked.count > 0) {
        const Addr4882_t listener[] = {board};
        trace_.data(*talker_, listener, {buffer.data(), talked.count}, talked.eoi);
    }
    return talked;
}

// Serial poll enable and disable go with ATN but change nothing the cable keeps: the poll itself
// is done here, not by reading after SPE.
std::optional<std::uint8_t> Cable::serialPoll(Addr4882_t address, Addr4882_t board) {
    attention_ = true;
    run(UNL);
    runAddress(MLA(board & 0xFF), board);
    trace_.command(SPE);
    runAddress(MTA(address & 0xFF), address);
    const std::optional<std::uint8_t> status = statusByteOfTalker();
    trace_.command(SPD);
    run(UNT);
    return status;
}

std::optional<std::uint8_t> Cable::statusByteOfTalker() {
    Instrument *instrument = talker_ ? at(*talker_) : nullptr;
    if (instrument == nullptr)
        return std::nullopt;
    const std::uint8_t status = instrument->serialPoll();
    trace_.statusByte(*talker_, status);
    return status;
}

void Cable::traceServiceRequest() {
    if (!trace_.on() || serviceRequested() == tracedServiceRequest_)
        return;
    tracedServiceRequest_ = !tracedServiceRequest_;
    trace_.serviceRequest(tracedServiceRequest_);
}

std::vector<Addr4882_t> Cable::secondaryListeners(int pad) const {
    std::vector<Addr4882_t> listeners;
    for (int sad = driverfront::kFirstSecondary; sad <= driverfront::kLastSecondary; ++sad)
        if (isPresent(driverfront::makeAddress(pad, sad)))
            listeners.push_back(driverfront::makeAddress(pad, sad));
    return listeners;
}

bool Cable::requestsService(Addr4882_t address) const {
    const Instrument *instrument = at(address);
    return instrument != nullptr && instrument->requestsService();
}

int Cable::status(Addr4882_t board) const {
    return (inCharge_ ? CIC : 0) | (remoteEnable_ ? REM : 0) | (attention_ ? ATN : 0) |
           (talker_ == board ? TACS : 0) | (isListener(board) ? LACS : 0) |
           (serviceRequested() ? SRQI : 0);
}

int Cable::lines() const {
    return ValidIFC | ValidREN | ValidSRQ | ValidATN | ValidEOI | (remoteEnable_ ? BusREN : 0) |
           (serviceRequested() ? BusSRQ : 0) | (attention_ ? BusATN : 0);
}

template <typename Action> void Cable::forEachListener(Action action) {
    for (const Addr4882_t address : listeners_)
        if (Instrument *instrument = at(address))
            action(*instrument);
}

void Cable::addListener(Addr4882_t address) {
    if (!isListener(address))
        listeners_.push_back(address);
}

bool Cable::isListener(Addr4882_t address) const {
    return std::ranges::find(listeners_, address) != listeners_.end();
}

bool Cable::serviceRequested() const {
    return std::ranges::any_of(
        instruments_, [](const auto &entry) { return entry.second->requestsService(); });
}

Instrument *Cable::at(Addr4882_t address) const {
    const auto found = instruments_.find(address);
    return found == instruments_.end() ? nullptr : found->second.get();
}

} // namespace gpibsim
