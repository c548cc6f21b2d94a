// SPDX-License-Identifier: MIT
#include "gpibsim/bus/bus.h"

#include "driverfront/api/address.h"
#include "driverfront/api/timeout.h"
#include "gpibsim/bus/options.h"
#include "gpibsim/text/text.h"

#include <algorithm>
#include <thread>
#include <type_traits>
#include <utility>

namespace gpibsim {

namespace {

constexpr int kDeviceWaitable = TIMO | END | CMPL | RQS;
constexpr int kAsynchronousBits = ERR | TIMO | END | CMPL;
constexpr int kBoardWaitable =
    TIMO | END | SRQI | SPOLL | EVENT | CMPL | LOK | REM | CIC | ATN | TACS | LACS | DTAS | DCAS;

bool isBuffer(const void *data, long count) {
    return count >= 0 && (data != nullptr || count == 0);
}

// The addresses before NOADDR; none in a null list.
std::span<const Addr4882_t> untilNoAddress(const Addr4882_t *list) {
    std::size_t count = 0;
    while (list != nullptr && list[count] != NOADDR)
        ++count;
    return {list, count};
}

bool isAsynchronous(Entry entry) {
    return entry == Entry::ibwrta || entry == Entry::ibrda || entry == Entry::ibcmda;
}

} // namespace

Bus::Bus(const Setup &setup, const Trace &trace)
    : faults_(setup.faults), listeners_(setup.listeners),
      state_(
          new State{.setup = setup, .descriptors = {}, .cable = Cable(setup.instruments, trace)}) {}

void Bus::close() {
    const std::lock_guard lock(mutex_);
    state_.reset();
    changed_.notify_all();
}

// Scripted faults come first: a delay outside the lock, so other threads go on meanwhile,
// then a scripted failure in place of the call. A closed bus fails with EDVR, a descriptor
// that is not open with EARG. The operation is handed the open descriptor if it asks for it,
// and an operation that waits the lock as well.
template <typename Operation> int Bus::call(Entry entry, int ud, Operation operation) {
    const Fault &fault = faults_[static_cast<std::size_t>(entry)];
    std::this_thread::sleep_for(fault.delay);
    std::unique_lock lock(mutex_);
    Descriptor *descriptor = state_ ? state_->descriptors.find(ud) : nullptr;
    const bool open = descriptor != nullptr;
    Outcome outcome{.iberr = fault.iberr};
    if (!state_)
        outcome.iberr = EDVR;
    else if (!open && !outcome.iberr)
        outcome.iberr = EARG;
    if (!outcome.iberr) {
        if constexpr (std::is_invocable_v<Operation, Descriptor &, std::unique_lock<std::mutex> &>)
            outcome = operation(*descriptor, lock);
        else if constexpr (std::is_invocable_v<Operation, Descriptor &>)
            outcome = operation(*descriptor);
        else
            outcome = operation();
    }
    const int ibsta = finish(ud, outcome, open);
    // Asynchronous calls complete at once: what they report is also their completion's status.
    if (isAsynchronous(entry))
        asyncStatus() = {.ibsta = ibsta & kAsynchronousBits,
                         .iberr = threadStatus().iberr,
                         .ibcntl = threadStatus().ibcntl};
    return ibsta;
}

// A call on a descriptor that was not open, or on a closed bus, reports ERR alone.
int Bus::finish(int ud, const Outcome &outcome, bool open) {
    if (state_)
        state_->cable.traceServiceRequest();
    const CallStatus status{
        .ibsta = (open && state_ ? statusOf(ud) : 0) | outcome.bits | (outcome.iberr ? ERR : 0),
        .iberr = outcome.iberr.value_or(outcome.previous),
        .ibcntl = outcome.count.value_or(threadStatus().ibcntl),
    };
    report(status);
    changed_.notify_all();
    return status.ibsta;
}

// A device descriptor that the call closed reports CMPL alone.
int Bus::statusOf(int ud) const {
    if (!Descriptors::isDevice(ud))
        return state_->cable.status(boardAddress()) | CMPL;
    const Descriptor *descriptor = state_->descriptors.find(ud);
    const bool requesting = descriptor != nullptr &&
                            state_->descriptors.board().settings.autopoll &&
                            state_->cable.requestsService(descriptor->settings.address());
    return CMPL | (requesting ? RQS : 0);
}

// Why traffic on `board` cannot start, if it cannot.
std::optional<int> Bus::refusal(int board, bool argumentsValid) const {
    if (board != kBoard)
        return ENEB;
    if (!argumentsValid)
        return EARG;
    if (!state_->cable.inCharge())
        return ECIC;
    return std::nullopt;
}

int Bus::find(const char *name) {
    int ud = -1;
    call(Entry::ibfind, kBoard, [&]() -> Outcome {
        if (name == nullptr)
            return {.iberr = EARG};
        if (!equalsIgnoringCase(name, "GPIB0"))
            return {.iberr = EDVR};
        ud = kBoard;
        return {};
    });
    return ud;
}

int Bus::openDevice(int boardIndex, int pad, int sad, int timeout, int eot, int eos) {
    int ud = -1;
    call(Entry::ibdev, kBoard, [&]() -> Outcome {
        if (boardIndex != kBoard)
            return {.iberr = ENEB};
        if (!driverfront::isPrimary(pad) || !driverfront::isSecondary(sad) ||
            !driverfront::isTimeout(timeout) || !driverfront::EndOfString::isMode(eos))
            return {.iberr = EARG};
        const std::optional<int> opened = state_->descriptors.open(
            {.pad = pad, .sad = sad, .timeout = timeout, .eot = eot != 0, .eos = {eos}});
        if (!opened)
            return {.iberr = EDVR};
        ud = *opened;
        return {};
    });
    return ud;
}

// Off line the board drops out of charge and releases REN, and a device descriptor is freed.
// Back on line a descriptor gets the settings it was opened with, and the board takes charge.
int Bus::setOnline(int ud, int online) {
    return call(
        Entry::ibonl, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (online != 0) {
                descriptor.settings = descriptor.initial;
                if (ud == kBoard)
                    state_->cable.interfaceClear();
            } else if (ud == kBoard) {
                state_->cable.goOffline();
            } else {
                state_->descriptors.close(ud);
            }
            return {};
        });
}

int Bus::configure(Entry entry, int ud, int option, int value) {
    return call(
        entry, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (option == IbcSRE && ud == kBoard)
                return remoteEnable(ud, value);
            return configureOption(descriptor.settings, Descriptors::isDevice(ud), option, value);
        });
}

int Bus::ask(int ud, int option, int *value) {
    return call(
        Entry::ibask, ud,
        [&](const Descriptor &descriptor) -> Outcome {
            if (value == nullptr)
                return {.iberr = EARG};
            const Asked asked = askOption(descriptor.settings, Descriptors::isDevice(ud), option);
            if (!asked.iberr)
                *value = asked.value;
            return {.iberr = asked.iberr};
        });
}

int Bus::setEndOfString(int ud, int mode) {
    return call(
        Entry::ibeos, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (!driverfront::EndOfString::isMode(mode))
                return {.iberr = EARG};
            descriptor.settings.eos = {mode};
            return {};
        });
}

// The board, when it is not system controller, drives neither REN nor IFC.
Outcome Bus::remoteEnable(int ud, int enable) {
    if (ud != kBoard)
        return {.iberr = EARG};
    if (!state_->descriptors.board().settings.systemController)
        return {.iberr = ESAC};
    state_->cable.setRemoteEnable(enable != 0);
    return {};
}

Outcome Bus::pulseInterfaceClear() {
    if (!state_->descriptors.board().settings.systemController)
        return {.iberr = ESAC};
    state_->cable.interfaceClear();
    return {};
}

int Bus::setRemoteEnable(int ud, int enable) {
    return call(
        Entry::ibsre, ud, [&] { return remoteEnable(ud, enable); });
}

int Bus::interfaceClear(int ud) {
    return call(
        Entry::ibsic, ud,
        [&]() -> Outcome {
            if (ud != kBoard)
                return {.iberr = EARG};
            return pulseInterfaceClear();
        });
}

int Bus::configureParallelPoll(int ud, int configuration) {
    return call(
        Entry::ibppc, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (ud == kBoard)
                return configureOption(descriptor.settings, false, IbcPPC, configuration);
            const std::optional<int> byte = parallelPollByte(configuration);
            if (const auto error = refusal(kBoard, byte.has_value()))
                return {.iberr = error};
            state_->cable.commandListener(boardAddress(), descriptor.settings.address(), PPConfig);
            const std::uint8_t response[] = {static_cast<std::uint8_t>(*byte)};
            state_->cable.command(response);
            return {.previous = std::exchange(descriptor.settings.parallelPoll, *byte)};
        });
}

int Bus::command(Entry entry, int ud, const void *bytes, long count) {
    return call(
        entry, ud,
        [&]() -> Outcome {
            if (const auto error = refusal(kBoard, ud == kBoard && isBuffer(bytes, count)))
                return {.iberr = error};
            state_->descriptors.board().last = state_->cable.command(
                {static_cast<const std::uint8_t *>(bytes), static_cast<std::size_t>(count)});
            return state_->descriptors.board().last;
        });
}

int Bus::lines(int ud, short *lines) {
    return call(
        Entry::iblines, ud,
        [&]() -> Outcome {
            if (ud != kBoard || lines == nullptr)
                return {.iberr = EARG};
            *lines = static_cast<short>(state_->cable.lines());
            return {};
        });
}

// A device descriptor checks through its board.
int Bus::checkListener(int ud, int pad, int sad, short *found) {
    return call(
        Entry::ibln, ud,
        [&]() -> Outcome {
            const bool valid = driverfront::isPrimary(pad) &&
                               (driverfront::isSecondary(sad) || sad == ALL_SAD) &&
                               found != nullptr;
            if (const auto error = refusal(kBoard, valid))
                return {.iberr = error};
            state_->cable.addressBoardAsTalker(boardAddress());
            const bool listens = sad == ALL_SAD
                                     ? state_->cable.listensOnSecondary(pad)
                                     : state_->cable.listens(driverfront::makeAddress(pad, sad));
            *found = listens ? 1 : 0;
            return {};
        });
}

int Bus::write(Entry entry, int ud, const void *data, long count) {
    return call(
        entry, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (const auto error = refusal(kBoard, isBuffer(data, count)))
                return {.iberr = error};
            const std::string_view bytes(static_cast<const char *>(data),
                                         static_cast<std::size_t>(count));
            const Settings &settings = descriptor.settings;
            descriptor.last = Descriptors::isDevice(ud)
                                  ? writeTo(settings.address(), bytes, settings.eot, settings.eos)
                                  : writeAsBoard(bytes, settings.eot, settings.eos);
            if (Descriptors::isDevice(ud) && settings.unaddress)
                state_->cable.unaddress();
            return descriptor.last;
        });
}

int Bus::read(Entry entry, int ud, void *buffer, long count) {
    return call(
        entry, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (const auto error = refusal(kBoard, isBuffer(buffer, count)))
                return {.iberr = error};
            const std::span<char> bytes(static_cast<char *>(buffer),
                                        static_cast<std::size_t>(count));
            const Settings &settings = descriptor.settings;
            descriptor.last = Descriptors::isDevice(ud)
                                  ? readFrom(settings.address(), bytes, settings.eos)
                                  : readAsBoard(bytes, settings.eos);
            if (Descriptors::isDevice(ud) && settings.unaddress)
                state_->cable.unaddress();
            return descriptor.last;
        });
}

// On the board descriptor, data moves only once ibcmd has addressed the board to talk or to
// listen: the driver's rule, where the cable itself would let a controller drive data anyway.
Outcome Bus::writeAsBoard(std::string_view bytes, bool end, const driverfront::EndOfString &eos) {
    if (!(state_->cable.status(boardAddress()) & TACS))
        return {.iberr = EADR};
    return state_->cable.write(bytes, end, eos, boardAddress());
}

Outcome Bus::readAsBoard(std::span<char> buffer, const driverfront::EndOfString &eos) {
    if (!(state_->cable.status(boardAddress()) & LACS))
        return {.iberr = EADR};
    return state_->cable.read(buffer, eos, boardAddress());
}

Outcome Bus::writeTo(Addr4882_t listener, std::string_view bytes, bool end,
                     const driverfront::EndOfString &eos) {
    state_->cable.addressListener(boardAddress(), listener);
    return state_->cable.write(bytes, end, eos, boardAddress());
}

Outcome Bus::readFrom(Addr4882_t talker, std::span<char> buffer,
                      const driverfront::EndOfString &eos) {
    state_->cable.addressTalker(talker, boardAddress());
    return state_->cable.read(buffer, eos, boardAddress());
}

// The command goes out either way; with nobody at the address, nobody listens to it.
Outcome Bus::commandAt(Addr4882_t address, std::uint8_t command) {
    state_->cable.commandListener(boardAddress(), address, command);
    return state_->cable.isPresent(address) ? Outcome{} : Outcome{.iberr = ENOL};
}

Outcome Bus::commandDevice(int ud, const Descriptor &descriptor, std::uint8_t command) {
    if (const auto error = refusal(kBoard, Descriptors::isDevice(ud)))
        return {.iberr = error};
    return commandAt(descriptor.settings.address(), command);
}

int Bus::clear(int ud) {
    return call(
        Entry::ibclr, ud,
        [&](Descriptor &descriptor) { return commandDevice(ud, descriptor, SDC); });
}

int Bus::trigger(int ud) {
    return call(
        Entry::ibtrg, ud,
        [&](Descriptor &descriptor) { return commandDevice(ud, descriptor, GET); });
}

// The board itself is never in remote: it is the controller.
int Bus::goToLocal(int ud) {
    return call(
        Entry::ibloc, ud,
        [&](Descriptor &descriptor) {
            return ud == kBoard ? Outcome{} : commandDevice(ud, descriptor, GTL);
        });
}

// A serial poll of an empty address waits for a status byte that never comes.
template <typename Byte> Outcome Bus::pollInto(Addr4882_t address, Byte *status) {
    const std::optional<std::uint8_t> polled = state_->cable.serialPoll(address, boardAddress());
    if (!polled)
        return {.iberr = EABO, .bits = TIMO};
    *status = static_cast<Byte>(*polled);
    return {};
}

int Bus::serialPoll(int ud, char *status) {
    return call(
        Entry::ibrsp, ud,
        [&](const Descriptor &descriptor) -> Outcome {
            if (const auto error = refusal(kBoard, Descriptors::isDevice(ud) && status != nullptr))
                return {.iberr = error};
            return pollInto(descriptor.settings.address(), status);
        });
}

// With automatic polling the driver would have read and queued the byte of a device that
// requests service; the simulated bus polls when asked, so the queue holds that one byte at most.
int Bus::queuedPolls(int ud, short *queued) {
    return call(
        Entry::ibspb, ud,
        [&]() -> Outcome {
            if (!Descriptors::isDevice(ud) || queued == nullptr)
                return {.iberr = EARG};
            *queued = (statusOf(ud) & RQS) != 0 ? 1 : 0;
            return {};
        });
}

// With CMPL in the mask the call reports how the descriptor's last I/O ended. TIMO in the mask
// bounds the wait by the descriptor's timeout; without it, or with TNONE, the wait lasts until
// the condition comes, which only another thread's call can bring.
int Bus::wait(int ud, int mask) {
    return call(
        Entry::ibwait, ud,
        [&](const Descriptor &opened, std::unique_lock<std::mutex> &lock) -> Outcome {
            const int waitable = Descriptors::isDevice(ud) ? kDeviceWaitable : kBoardWaitable;
            if ((mask & ~waitable) != 0)
                return {.iberr = EARG};
            const auto met = [&] {
                if (!state_)
                    return true;
                const Descriptor *open = state_->descriptors.find(ud);
                return open == nullptr ||
                       ((statusOf(ud) | (open->last.bits & END)) & mask & ~TIMO) != 0;
            };
            const auto timeout = (mask & TIMO) != 0
                                     ? driverfront::timeoutDuration(opened.settings.timeout)
                                     : std::nullopt;
            bool timedOut = false;
            if (mask != 0 && !met()) {
                if (timeout)
                    timedOut = !changed_.wait_for(lock, *timeout, met);
                else
                    changed_.wait(lock, met);
            }
            // Another thread may have closed the bus or the descriptor meanwhile.
            if (!state_)
                return {.iberr = EDVR};
            const Descriptor *descriptor = state_->descriptors.find(ud);
            if (descriptor == nullptr)
                return {.iberr = EARG};
            Outcome outcome{.bits = (timedOut ? TIMO : 0) | (descriptor->last.bits & END),
                            .count = std::nullopt};
            if ((mask & CMPL) != 0) {
                outcome.iberr = descriptor->last.iberr;
                outcome.count = descriptor->last.count;
            }
            return outcome;
        });
}

int Bus::unsupported() {
    const std::lock_guard lock(mutex_);
    return finish(kBoard, {.iberr = ECAP}, state_ != nullptr);
}

void Bus::sendInterfaceClear(int board) {
    call(
        Entry::SendIFC, kBoard,
        [&]() -> Outcome {
            if (board != kBoard)
                return {.iberr = ENEB};
            return pulseInterfaceClear();
        });
}

void Bus::findListeners(int board, const Addr4882_t *pads, Addr4882_t *results, int limit) {
    call(
        Entry::FindLstn, kBoard,
        [&]() -> Outcome {
            const bool valid = pads != nullptr && limit >= 0 && (results != nullptr || limit == 0);
            if (const auto error = refusal(board, valid))
                return {.iberr = error};
            Cable &cable = state_->cable;
            cable.addressBoardAsTalker(boardAddress());
            std::vector<Addr4882_t> found;
            for (const Addr4882_t *pad = pads; *pad != NOADDR; ++pad) {
                if (!driverfront::isPrimary(*pad))
                    return {.iberr = EARG};
                if (cable.listens(*pad)) {
                    found.push_back(*pad);
                } else if (cable.listensOnSecondary(*pad)) {
                    for (int sad = driverfront::kFirstSecondary; sad <= driverfront::kLastSecondary;
                         ++sad)
                        if (cable.listens(driverfront::makeAddress(*pad, sad)))
                            found.push_back(driverfront::makeAddress(*pad, sad));
                }
            }
            const std::size_t written = std::min(found.size(), static_cast<std::size_t>(limit));
            std::copy(found.begin(), found.begin() + static_cast<long>(written), results);
            const long count = listeners_.value_or(static_cast<int>(written));
            if (written < found.size())
                return {.iberr = ETAB, .count = count};
            return {.count = count};
        });
}

void Bus::clearDevice(int board, Addr4882_t address) {
    call(
        Entry::DevClear, kBoard,
        [&]() -> Outcome {
            if (const auto error =
                    refusal(board, address == NOADDR || driverfront::isAddress(address)))
                return {.iberr = error};
            if (address == NOADDR) {
                const std::uint8_t everyDevice[] = {DCL};
                state_->cable.command(everyDevice);
                return {};
            }
            return commandAt(address, SDC);
        });
}

void Bus::readStatusByte(int board, Addr4882_t address, short *status) {
    call(
        Entry::ReadStatusByte, kBoard,
        [&]() -> Outcome {
            if (const auto error =
                    refusal(board, driverfront::isAddress(address) && status != nullptr))
                return {.iberr = error};
            return pollInto(address, status);
        });
}

// The LF that NLend adds goes with EOI and is not counted.
void Bus::send(int board, Addr4882_t address, const void *data, long count, int endMode) {
    call(
        Entry::Send, kBoard,
        [&]() -> Outcome {
            const bool valid = driverfront::isAddress(address) && isBuffer(data, count) &&
                               endMode >= NULLend && endMode <= NLend;
            if (const auto error = refusal(board, valid))
                return {.iberr = error};
            const std::string_view bytes(static_cast<const char *>(data),
                                         static_cast<std::size_t>(count));
            const Outcome outcome = writeTo(address, bytes, endMode == DABend, {});
            if (!outcome.iberr && endMode == NLend)
                state_->cable.write("\n", true, {}, boardAddress());
            return outcome;
        });
}

void Bus::receive(int board, Addr4882_t address, void *buffer, long count, int termination) {
    call(
        Entry::Receive, kBoard,
        [&]() -> Outcome {
            const bool valid = driverfront::isAddress(address) && isBuffer(buffer, count) &&
                               termination >= 0 && termination <= STOPend;
            if (const auto error = refusal(board, valid))
                return {.iberr = error};
            return readFrom(address, {static_cast<char *>(buffer), static_cast<std::size_t>(count)},
                            driverfront::EndOfString::ofTermination(termination));
        });
}

// Stops at the first address that does not answer; ibcnt is the number polled before it.
void Bus::pollAll(int board, const Addr4882_t *addresses, short *results) {
    call(
        Entry::AllSpoll, kBoard,
        [&]() -> Outcome {
            const std::span<const Addr4882_t> list = untilNoAddress(addresses);
            const bool valid = std::ranges::all_of(list, driverfront::isAddress) &&
                               (results != nullptr || list.empty());
            if (const auto error = refusal(board, valid))
                return {.iberr = error};
            for (std::size_t i = 0; i < list.size(); ++i) {
                Outcome polled = pollInto(list[i], &results[i]);
                if (polled.iberr) {
                    polled.count = static_cast<long>(i);
                    return polled;
                }
            }
            return {.count = static_cast<long>(list.size())};
        });
}

} // namespace gpibsim
