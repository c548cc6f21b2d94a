#include "simbus/bus.h"

#include "simbus/address.h"
#include "simbus/callstatus.h"
#include "simbus/multimeter.h"
#include "simbus/text.h"

#include <algorithm>
#include <string>
#include <thread>

namespace gpibsim {

namespace {

std::unique_ptr<Instrument> makeInstrument(const Placement &placement) {
    const std::string pad = std::to_string(placement.address & 0xFF);
    const std::string serial = "SIM" + std::string(4 - pad.size(), '0') + pad;
    std::unique_ptr<Instrument> instrument;
    if (placement.kind == InstrumentKind::Multimeter) {
        instrument = std::make_unique<Multimeter>(serial);
    } else {
        instrument = std::make_unique<Instrument>("Simulated Instrument", serial);
    }
    if (placement.answer) {
        instrument->answerEveryReadWith(*placement.answer);
    }
    return instrument;
}

} // namespace

Bus::Bus(const Bench &bench) : faults_(bench.faults), listeners_(bench.listeners) {
    for (const Placement &placement : bench.instruments) {
        instruments_.emplace(placement.address, makeInstrument(placement));
    }
}

// Scripted faults come first: a delay outside the lock, so other threads go on meanwhile,
// then a scripted failure in place of the call.
template <typename Operation> int Bus::call(Entry entry, Operation operation) {
    const Fault &fault = faults_[static_cast<std::size_t>(entry)];
    std::this_thread::sleep_for(fault.delay);
    const std::lock_guard lock(mutex_);
    const Outcome outcome = fault.iberr ? Outcome{.iberr = fault.iberr} : operation();
    CallStatus &status = threadStatus();
    status.ibsta = boardStatus() | CMPL | outcome.bits | (outcome.iberr ? ERR : 0);
    status.iberr = outcome.iberr.value_or(0);
    status.ibcntl = outcome.count;
    return status.ibsta;
}

int Bus::find(const char *name) {
    int ud = -1;
    call(Entry::ibfind, [&]() -> Outcome {
        if (name == nullptr) {
            return {.iberr = EARG};
        }
        if (!equalsIgnoringCase(name, "GPIB0")) {
            return {.iberr = EDVR};
        }
        ud = kBoard;
        return {};
    });
    return ud;
}

// Descriptors' own addresses take no part in the simulated traffic; a new one is only checked.
int Bus::setPrimaryAddress(int ud, int pad) {
    return call(Entry::ibpad, [&]() -> Outcome {
        if (!isDescriptor(ud) || !isPrimary(pad)) {
            return {.iberr = EARG};
        }
        return {};
    });
}

int Bus::setRemoteEnable(int ud, int enable) {
    return call(Entry::ibsre, [&]() -> Outcome {
        if (ud != kBoard) {
            return {.iberr = EARG};
        }
        board_.remoteEnable = enable != 0;
        return {};
    });
}

int Bus::openDevice(int boardIndex, int pad, int sad, int timeout, int eos) {
    int ud = -1;
    call(Entry::ibdev, [&]() -> Outcome {
        if (boardIndex != kBoard) {
            return {.iberr = ENEB};
        }
        if (!isPrimary(pad) || !isSecondary(sad) || timeout < 0 || timeout > T1000s || eos < 0 ||
            eos > 0xFFFF) {
            return {.iberr = EARG};
        }
        int lowestFree = kFirstDevice;
        for (const int used : devices_) {
            if (used != lowestFree) {
                break;
            }
            ++lowestFree;
        }
        if (lowestFree >= kDescriptorLimit) {
            return {.iberr = EDVR};
        }
        devices_.insert(lowestFree);
        ud = lowestFree;
        return {};
    });
    return ud;
}

int Bus::checkListener(int ud, int pad, int sad, short *found) {
    return call(Entry::ibln, [&]() -> Outcome {
        const bool valid = isDescriptor(ud) && isPrimary(pad) &&
                           (isSecondary(sad) || sad == ALL_SAD) && found != nullptr;
        if (const auto error = refusal(kBoard, valid)) {
            return {.iberr = error};
        }
        board_.commandMode();
        const bool listens = sad == ALL_SAD ? !secondaryListeners(pad).empty()
                                            : at(makeAddress(pad, sad)) != nullptr;
        *found = listens ? 1 : 0;
        return {};
    });
}

// Off line the board drops out of charge and releases REN, and a device descriptor is freed.
// Back on line neither has settings to restore.
int Bus::setOnline(int ud, int online) {
    return call(Entry::ibonl, [&]() -> Outcome {
        if (!isDescriptor(ud)) {
            return {.iberr = EARG};
        }
        if (online != 0) {
            return {};
        }
        if (ud == kBoard) {
            board_ = {};
        } else {
            devices_.erase(ud);
        }
        return {};
    });
}

void Bus::interfaceClear(int board) {
    call(Entry::SendIFC, [&]() -> Outcome {
        if (board != kBoard) {
            return {.iberr = ENEB};
        }
        board_.controller = true;
        board_.commandMode();
        return {};
    });
}

void Bus::findListeners(int board, const Addr4882_t *pads, Addr4882_t *results, int limit) {
    call(Entry::FindLstn, [&]() -> Outcome {
        const bool valid = pads != nullptr && limit >= 0 && (results != nullptr || limit == 0);
        if (const auto error = refusal(board, valid)) {
            return {.iberr = error};
        }
        board_.commandMode();
        std::vector<Addr4882_t> found;
        for (const Addr4882_t *pad = pads; *pad != NOADDR; ++pad) {
            if (!isPrimary(*pad)) {
                return {.iberr = EARG};
            }
            if (at(*pad) != nullptr) {
                found.push_back(*pad);
            } else {
                const std::vector<Addr4882_t> secondaries = secondaryListeners(*pad);
                found.insert(found.end(), secondaries.begin(), secondaries.end());
            }
        }
        const std::size_t written = std::min(found.size(), static_cast<std::size_t>(limit));
        std::copy(found.begin(), found.begin() + static_cast<long>(written), results);
        const long count = listeners_.value_or(static_cast<int>(written));
        if (written < found.size()) {
            return {.iberr = ETAB, .count = count};
        }
        return {.count = count};
    });
}

void Bus::clearDevice(int board, Addr4882_t address) {
    call(Entry::DevClear, [&]() -> Outcome {
        if (const auto error = refusal(board, address == NOADDR || isAddress(address))) {
            return {.iberr = error};
        }
        board_.commandMode();
        if (address == NOADDR) {
            for (const auto &entry : instruments_) {
                entry.second->clear();
            }
            return {};
        }
        Instrument *instrument = at(address);
        if (instrument == nullptr) {
            return {.iberr = ENOL};
        }
        instrument->clear();
        return {};
    });
}

// A serial poll of an empty address waits for a status byte that never comes.
void Bus::readStatusByte(int board, Addr4882_t address, short *status) {
    call(Entry::ReadStatusByte, [&]() -> Outcome {
        if (const auto error = refusal(board, isAddress(address) && status != nullptr)) {
            return {.iberr = error};
        }
        board_.commandMode();
        Instrument *instrument = at(address);
        if (instrument == nullptr) {
            return {.iberr = EABO, .bits = TIMO};
        }
        *status = instrument->serialPoll();
        return {};
    });
}

void Bus::send(int board, Addr4882_t address, const void *data, long count, int endMode) {
    call(Entry::Send, [&]() -> Outcome {
        const bool valid = isAddress(address) && count >= 0 && (data != nullptr || count == 0) &&
                           endMode >= NULLend && endMode <= NLend;
        if (const auto error = refusal(board, valid)) {
            return {.iberr = error};
        }
        board_.commandMode();
        Instrument *instrument = at(address);
        if (instrument == nullptr) {
            return {.iberr = ENOL};
        }
        board_.dataMode(true);
        const std::string_view bytes(static_cast<const char *>(data),
                                     static_cast<std::size_t>(count));
        instrument->listen(bytes, endMode == DABend && count > 0);
        if (endMode == NLend) {
            instrument->listen("\n", true);
        }
        return {.count = count};
    });
}

// Reading from an empty address waits for a talker that never answers.
void Bus::receive(int board, Addr4882_t address, void *buffer, long count, int termination) {
    call(Entry::Receive, [&]() -> Outcome {
        const bool valid = isAddress(address) && count >= 0 && (buffer != nullptr || count == 0) &&
                           termination >= 0 && termination <= STOPend;
        if (const auto error = refusal(board, valid)) {
            return {.iberr = error};
        }
        board_.commandMode();
        Instrument *instrument = at(address);
        if (instrument == nullptr) {
            return {.iberr = EABO, .bits = TIMO};
        }
        board_.dataMode(false);
        if (count == 0) {
            return {};
        }
        const Instrument::Talked talked = instrument->talk(
            {static_cast<char *>(buffer), static_cast<std::size_t>(count)}, termination);
        const long moved = static_cast<long>(talked.count);
        if (talked.timedOut) {
            return {.iberr = EABO, .bits = TIMO, .count = moved};
        }
        return {.bits = talked.end ? END : 0, .count = moved};
    });
}

bool Bus::isDescriptor(int ud) const {
    return ud == kBoard || devices_.contains(ud);
}

// Why traffic on `board` cannot start, if it cannot.
std::optional<int> Bus::refusal(int board, bool argumentsValid) const {
    if (board != kBoard) {
        return ENEB;
    }
    if (!argumentsValid) {
        return EARG;
    }
    if (!board_.controller) {
        return ECIC;
    }
    return std::nullopt;
}

int Bus::boardStatus() const {
    const bool serviceRequested = std::ranges::any_of(
        instruments_, [](const auto &entry) { return entry.second->requestsService(); });
    return (board_.controller ? CIC : 0) | (board_.remoteEnable ? REM : 0) |
           (board_.attention ? ATN : 0) | (board_.talker ? TACS : 0) |
           (board_.listener ? LACS : 0) | (serviceRequested ? SRQI : 0);
}

Instrument *Bus::at(Addr4882_t address) const {
    const auto found = instruments_.find(address);
    return found == instruments_.end() ? nullptr : found->second.get();
}

std::vector<Addr4882_t> Bus::secondaryListeners(int pad) const {
    std::vector<Addr4882_t> listeners;
    for (int sad = kFirstSecondary; sad <= kLastSecondary; ++sad) {
        if (at(makeAddress(pad, sad)) != nullptr) {
            listeners.push_back(makeAddress(pad, sad));
        }
    }
    return listeners;
}

Bus &bus() {
    // Never destroyed, so threads still calling while the process exits stay safe.
    static Bus *const instance = new Bus(benchFromEnvironment());
    return *instance;
}

} // namespace gpibsim
