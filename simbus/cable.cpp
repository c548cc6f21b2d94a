#include "simbus/cable.h"

#include "simbus/address.h"
#include "simbus/definitions/definedinstrument.h"
#include "simbus/multimeter.h"

#include <algorithm>
#include <string>
#include <utility>

namespace gpibsim {

namespace {

constexpr std::uint8_t kFirstListen = 0x20;
constexpr std::uint8_t kFirstTalk = 0x40;

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

Cable::Cable(const std::vector<Placement> &placements) {
    for (const Placement &placement : placements)
        instruments_.emplace(placement.address, makeInstrument(placement));
}

void Cable::interfaceClear() {
    inCharge_ = true;
    unaddress();
}

void Cable::goOffline() {
    unaddress();
    inCharge_ = remoteEnable_ = attention_ = false;
}

Outcome Cable::command(std::span<const std::uint8_t> bytes) {
    attention_ = true;
    long sent = 0;
    for (const std::uint8_t byte : bytes) {
        if (!run(byte & 0x7F))
            return {.iberr = ECAP, .count = sent};
        ++sent;
    }
    return {.count = sent};
}

void Cable::addressPair(Addr4882_t talker, Addr4882_t listener) {
    attention_ = true;
    run(UNL);
    runAddress(MTA(talker & 0xFF), talker);
    runAddress(MLA(listener & 0xFF), listener);
}

void Cable::commandListener(Addr4882_t listener, std::uint8_t addressedCommand) {
    attention_ = true;
    run(UNL);
    runAddress(MLA(listener & 0xFF), listener);
    run(addressedCommand);
}

void Cable::unaddress() {
    attention_ = true;
    run(UNL);
    run(UNT);
}

void Cable::runAddress(std::uint8_t primary, Addr4882_t address) {
    run(primary);
    if ((address >> 8) != NO_SAD)
        run(MSA(address >> 8));
}

// A secondary address completes the primary address sent just before it; after any other byte
// it addresses nobody.
bool Cable::run(std::uint8_t byte) {
    const std::optional<Primary> primary = std::exchange(primary_, std::nullopt);
    if (byte >= kFirstListen && byte < UNL) {
        addListener(makeAddress(byte & 0x1F, NO_SAD));
        primary_ = Primary{byte & 0x1F, false};
        return true;
    }
    if (byte >= kFirstTalk && byte < UNT) {
        talker_ = makeAddress(byte & 0x1F, NO_SAD);
        primary_ = Primary{byte & 0x1F, true};
        return true;
    }
    if (byte >= kFirstSecondary && byte <= kLastSecondary) {
        if (primary && primary->talker) {
            talker_ = makeAddress(primary->pad, byte);
        } else if (primary) {
            std::erase(listeners_, makeAddress(primary->pad, NO_SAD));
            addListener(makeAddress(primary->pad, byte));
        }
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
        return true;
    default:
        return false;
    }
}

Outcome Cable::write(std::string_view bytes, bool end, const EndOfString &eos, Addr4882_t board) {
    if (talker_ != board)
        return {.iberr = EADR};
    if (std::ranges::none_of(listeners_, [&](Addr4882_t address) { return isPresent(address); }))
        return {.iberr = ENOL};
    attention_ = false;
    const auto send = [&](std::string_view chunk, bool withEoi) {
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

// Reading from an empty address waits for a talker that never answers.
Outcome Cable::read(std::span<char> buffer, const EndOfString &eos, Addr4882_t board) {
    if (!isListener(board))
        return {.iberr = EADR};
    Instrument *talker = talker_ ? at(*talker_) : nullptr;
    if (talker == nullptr)
        return {.iberr = EABO, .bits = TIMO};
    attention_ = false;
    if (buffer.empty())
        return {};
    const Instrument::Talked talked = talker->talk(buffer, eos);
    const long moved = static_cast<long>(talked.count);
    if (talked.timedOut)
        return {.iberr = EABO, .bits = TIMO, .count = moved};
    return {.bits = talked.end ? END : 0, .count = moved};
}

// The poll's own addressing ends with everyone unaddressed, as it began.
std::optional<std::uint8_t> Cable::serialPoll(Addr4882_t address) {
    unaddress();
    Instrument *instrument = at(address);
    if (instrument == nullptr)
        return std::nullopt;
    return instrument->serialPoll();
}

std::vector<Addr4882_t> Cable::secondaryListeners(int pad) const {
    std::vector<Addr4882_t> listeners;
    for (int sad = kFirstSecondary; sad <= kLastSecondary; ++sad)
        if (isPresent(makeAddress(pad, sad)))
            listeners.push_back(makeAddress(pad, sad));
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
