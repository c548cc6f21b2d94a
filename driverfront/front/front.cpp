// SPDX-License-Identifier: MIT
#include "driverfront/front/front.h"

#include "driverfront/api/address.h"
#include "driverfront/front/options.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace driverfront {

namespace {

constexpr int kDeviceWaitable = TIMO | END | CMPL | RQS;
constexpr int kAsynchronousBits = ERR | TIMO | END | CMPL;
constexpr int kBoardWaitable =
    TIMO | END | SRQI | SPOLL | EVENT | CMPL | LOK | REM | CIC | ATN | TACS | LACS | DTAS | DCAS;

bool isBuffer(const void *data, long count) {
    return count >= 0 && (data != nullptr || count == 0);
}

bool isAsynchronous(Entry entry) {
    return entry == Entry::ibwrta || entry == Entry::ibrda || entry == Entry::ibcmda;
}

bool isBoardName(std::string_view name) {
    return std::ranges::equal(
        name, std::string_view("GPIB0"),
        [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

// The address byte `primary` (MTA or MLA), and the secondary address of `address` if it has one.
void appendAddress(std::vector<std::uint8_t> &bytes, std::uint8_t primary, Addr4882_t address) {
    bytes.push_back(primary);
    if ((address >> 8) != NO_SAD)
        bytes.push_back(MSA(address >> 8));
}

} // namespace

Front::Front(const Script &script, std::unique_ptr<Link> link)
    : script_(script), state_(new State{.descriptors = {}, .link = std::move(link)}) {}

std::unique_ptr<Link> Front::linkForChild() const {
    return state_ ? state_->link->forChild() : nullptr;
}

void Front::close() {
    const std::lock_guard lock(mutex_);
    state_.reset();
    changed_.notify_all();
}

// Scripted faults come first: a delay outside the lock, so other threads go on meanwhile,
// then a scripted failure in place of the call. A closed front fails with EDVR, a descriptor
// that is not open with EARG. The operation is handed the open descriptor if it asks for it,
// and an operation that waits the lock as well.
template <typename Operation> int Front::call(Entry entry, int ud, Operation operation) {
    const Fault &fault = script_.fault(entry);
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

// A call on a descriptor that was not open, or on a closed front, reports ERR alone.
int Front::finish(int ud, const Outcome &outcome, bool open) {
    if (state_)
        link().callEnded();
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
int Front::statusOf(int ud) const {
    if (!Descriptors::isDevice(ud))
        return link().boardStatus(boardAddress()) | CMPL;
    const Descriptor *descriptor = state_->descriptors.find(ud);
    const bool requesting = descriptor != nullptr && boardSettings().autopoll &&
                            link().requestsService(descriptor->settings.address());
    return CMPL | (requesting ? RQS : 0);
}

// Why traffic on `board` cannot start, if it cannot.
std::optional<int> Front::refusal(int board, bool argumentsValid) const {
    if (board != kBoard)
        return ENEB;
    if (!argumentsValid)
        return EARG;
    if (!link().inCharge())
        return ECIC;
    return std::nullopt;
}

int Front::find(const char *name) {
    int ud = -1;
    call(Entry::ibfind, kBoard, [&]() -> Outcome {
        if (name == nullptr)
            return {.iberr = EARG};
        if (!isBoardName(name))
            return {.iberr = EDVR};
        ud = kBoard;
        return {};
    });
    return ud;
}

int Front::openDevice(int boardIndex, int pad, int sad, int timeout, int eot, int eos) {
    int ud = -1;
    call(Entry::ibdev, kBoard, [&]() -> Outcome {
        if (boardIndex != kBoard)
            return {.iberr = ENEB};
        if (!isPrimary(pad) || !isSecondary(sad) || !isTimeout(timeout) ||
            !EndOfString::isMode(eos))
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

// Off line the board drops out of charge and releases REN, and a device descriptor is freed;
// once neither the board nor a device is in use, the link lets go of what it holds. Back on
// line a descriptor gets the settings it was opened with, and the board takes charge.
int Front::setOnline(int ud, int online) {
    return call(
        Entry::ibonl, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (online != 0) {
                descriptor.settings = descriptor.initial;
                return ud == kBoard ? link().interfaceClear() : Outcome{};
            }
            const Outcome offline = ud == kBoard ? link().goOffline() : Outcome{};
            state_->descriptors.close(ud);
            if (!link().inCharge() && !state_->descriptors.devicesOpen())
                link().release();
            return offline;
        });
}

int Front::configure(Entry entry, int ud, int option, int value) {
    return call(
        entry, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (option == IbcSRE && ud == kBoard)
                return remoteEnable(ud, value);
            return configureOption(descriptor.settings, Descriptors::isDevice(ud), option, value);
        });
}

int Front::ask(int ud, int option, int *value) {
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

int Front::setEndOfString(int ud, int mode) {
    return call(
        Entry::ibeos, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (!EndOfString::isMode(mode))
                return {.iberr = EARG};
            descriptor.settings.eos = {mode};
            return {};
        });
}

// The board, when it is not system controller, drives neither REN nor IFC.
Outcome Front::remoteEnable(int ud, int enable) {
    if (ud != kBoard)
        return {.iberr = EARG};
    if (!boardSettings().systemController)
        return {.iberr = ESAC};
    return link().setRemoteEnable(enable != 0);
}

Outcome Front::pulseInterfaceClear() {
    if (!boardSettings().systemController)
        return {.iberr = ESAC};
    return link().interfaceClear();
}

int Front::setRemoteEnable(int ud, int enable) {
    return call(
        Entry::ibsre, ud, [&] { return remoteEnable(ud, enable); });
}

int Front::interfaceClear(int ud) {
    return call(
        Entry::ibsic, ud,
        [&]() -> Outcome {
            if (ud != kBoard)
                return {.iberr = EARG};
            return pulseInterfaceClear();
        });
}

int Front::configureParallelPoll(int ud, int configuration) {
    return call(
        Entry::ibppc, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (ud == kBoard)
                return configureOption(descriptor.settings, false, IbcPPC, configuration);
            const std::optional<int> byte = parallelPollByte(configuration);
            if (const auto error = refusal(kBoard, byte.has_value()))
                return {.iberr = error};
            // The device addressed to listen as for a write, then PPC and the byte.
            const Addr4882_t board = boardAddress();
            const Addr4882_t device = descriptor.settings.address();
            std::vector<std::uint8_t> bytes;
            appendAddress(bytes, MTA(board & 0xFF), board);
            bytes.push_back(UNL);
            appendAddress(bytes, MLA(device & 0xFF), device);
            bytes.push_back(PPConfig);
            bytes.push_back(static_cast<std::uint8_t>(*byte));
            if (const Outcome sent = link().command(bytes); sent.iberr)
                return sent;
            return {.previous = std::exchange(descriptor.settings.parallelPoll, *byte)};
        });
}

int Front::command(Entry entry, int ud, const void *bytes, long count) {
    return call(
        entry, ud,
        [&]() -> Outcome {
            if (const auto error = refusal(kBoard, ud == kBoard && isBuffer(bytes, count)))
                return {.iberr = error};
            state_->descriptors.board().last = link().command(
                {static_cast<const std::uint8_t *>(bytes), static_cast<std::size_t>(count)});
            return state_->descriptors.board().last;
        });
}

int Front::lines(int ud, short *lines) {
    return call(
        Entry::iblines, ud,
        [&]() -> Outcome {
            if (ud != kBoard || lines == nullptr)
                return {.iberr = EARG};
            *lines = static_cast<short>(link().lines());
            return {};
        });
}

// A device descriptor checks through its board.
int Front::checkListener(int ud, int pad, int sad, short *found) {
    return call(
        Entry::ibln, ud,
        [&]() -> Outcome {
            const bool valid =
                isPrimary(pad) && (isSecondary(sad) || sad == ALL_SAD) && found != nullptr;
            if (const auto error = refusal(kBoard, valid))
                return {.iberr = error};
            if (const Outcome begun = link().beginListenerSearch(boardAddress()); begun.iberr)
                return begun;
            const Presence listener = sad == ALL_SAD ? link().listensOnSecondary(pad)
                                                     : link().listens(makeAddress(pad, sad));
            if (listener.iberr)
                return {.iberr = listener.iberr};
            *found = listener.present ? 1 : 0;
            return {};
        });
}

int Front::write(Entry entry, int ud, const void *data, long count) {
    return call(
        entry, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (const auto error = refusal(kBoard, isBuffer(data, count)))
                return {.iberr = error};
            const std::string_view bytes(static_cast<const char *>(data),
                                         static_cast<std::size_t>(count));
            const Settings &settings = descriptor.settings;
            const Addr4882_t device = settings.address();
            descriptor.last =
                Descriptors::isDevice(ud)
                    ? unaddressAfter(settings,
                                     link().write(boardAddress(), {&device, 1}, bytes, settings.eot,
                                                  settings.eos, timeoutDuration(settings.timeout)))
                    : writeAsBoard(bytes, settings);
            return descriptor.last;
        });
}

int Front::read(Entry entry, int ud, void *buffer, long count) {
    return call(
        entry, ud,
        [&](Descriptor &descriptor) -> Outcome {
            if (const auto error = refusal(kBoard, isBuffer(buffer, count)))
                return {.iberr = error};
            const std::span<char> bytes(static_cast<char *>(buffer),
                                        static_cast<std::size_t>(count));
            const Settings &settings = descriptor.settings;
            descriptor.last =
                Descriptors::isDevice(ud)
                    ? unaddressAfter(settings,
                                     link().read(boardAddress(), settings.address(), bytes,
                                                 settings.eos, timeoutDuration(settings.timeout)))
                    : readAsBoard(bytes, settings);
            return descriptor.last;
        });
}

// On the board descriptor, data moves only once ibcmd has addressed the board to talk or to
// listen: the driver's rule, where a bus itself would let a controller drive data anyway.
Outcome Front::writeAsBoard(std::string_view bytes, const Settings &settings) {
    if (!(link().boardStatus(boardAddress()) & TACS))
        return {.iberr = EADR};
    return link().write(boardAddress(), {}, bytes, settings.eot, settings.eos,
                        timeoutDuration(settings.timeout));
}

Outcome Front::readAsBoard(std::span<char> buffer, const Settings &settings) {
    if (!(link().boardStatus(boardAddress()) & LACS))
        return {.iberr = EADR};
    return link().read(boardAddress(), std::nullopt, buffer, settings.eos,
                       timeoutDuration(settings.timeout));
}

// UNL and UNT after a device's read or write, when its descriptor asks for them.
Outcome Front::unaddressAfter(const Settings &settings, Outcome outcome) {
    if (!settings.unaddress)
        return outcome;
    const Outcome unaddressed = link().unaddress();
    if (!outcome.iberr)
        outcome.iberr = unaddressed.iberr;
    return outcome;
}

Outcome Front::commandDevice(int ud, const Descriptor &descriptor, std::uint8_t command) {
    if (const auto error = refusal(kBoard, Descriptors::isDevice(ud)))
        return {.iberr = error};
    const Addr4882_t device = descriptor.settings.address();
    return link().addressedCommand(boardAddress(), {&device, 1}, command);
}

int Front::clear(int ud) {
    return call(
        Entry::ibclr, ud,
        [&](Descriptor &descriptor) { return commandDevice(ud, descriptor, SDC); });
}

int Front::trigger(int ud) {
    return call(
        Entry::ibtrg, ud,
        [&](Descriptor &descriptor) { return commandDevice(ud, descriptor, GET); });
}

// The board itself is never in remote: it is the controller.
int Front::goToLocal(int ud) {
    return call(
        Entry::ibloc, ud,
        [&](Descriptor &descriptor) {
            return ud == kBoard ? Outcome{} : commandDevice(ud, descriptor, GTL);
        });
}

template <typename Byte>
Outcome Front::pollInto(Addr4882_t address, Timeout timeout, Byte *status) {
    const Polled polled = link().serialPoll(boardAddress(), address, timeout);
    if (!polled.outcome.iberr)
        *status = static_cast<Byte>(polled.status);
    return polled.outcome;
}

int Front::serialPoll(int ud, char *status) {
    return call(
        Entry::ibrsp, ud,
        [&](const Descriptor &descriptor) -> Outcome {
            if (const auto error = refusal(kBoard, Descriptors::isDevice(ud) && status != nullptr))
                return {.iberr = error};
            return pollInto(descriptor.settings.address(),
                            timeoutDuration(descriptor.settings.pollTimeout), status);
        });
}

// With automatic polling the driver would have read and queued the byte of a device that
// requests service; the front polls only when asked, so the queue holds that one byte at most.
int Front::queuedPolls(int ud, short *queued) {
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
// the condition comes. On a link that reports every change as it comes, only another thread's
// call can bring it; a link that must be asked is looked at again and again meanwhile.
int Front::wait(int ud, int mask) {
    return call(
        Entry::ibwait, ud,
        [&](const Descriptor &opened, std::unique_lock<std::mutex> &lock) -> Outcome {
            using Clock = std::chrono::steady_clock;
            const bool device = Descriptors::isDevice(ud);
            if ((mask & ~(device ? kDeviceWaitable : kBoardWaitable)) != 0)
                return {.iberr = EARG};
            const std::optional<Addr4882_t> address =
                device ? std::optional(opened.settings.address()) : std::nullopt;
            const Timeout timeout =
                (mask & TIMO) != 0 ? timeoutDuration(opened.settings.timeout) : std::nullopt;
            const std::optional<Clock::time_point> deadline =
                timeout ? std::optional(Clock::now() + *timeout) : std::nullopt;
            // Only a service request needs a look at the bus.
            const std::optional<std::chrono::milliseconds> interval =
                (mask & (SRQI | RQS)) != 0 ? link().lookInterval() : std::nullopt;
            int seen = 0; // what the last look at the bus found
            const auto met = [&] {
                if (!state_)
                    return true;
                const Descriptor *open = state_->descriptors.find(ud);
                return open == nullptr ||
                       ((statusOf(ud) | seen | (open->last.bits & END)) & mask & ~TIMO) != 0;
            };
            bool timedOut = false;
            while (mask != 0) {
                if (interval && state_ && state_->descriptors.find(ud) != nullptr) {
                    const Outcome looked = link().look(address);
                    if (looked.iberr)
                        return looked;
                    seen = looked.bits;
                }
                if (met())
                    break;
                const Clock::time_point now = Clock::now();
                if (deadline && now >= *deadline) {
                    timedOut = true;
                    break;
                }
                std::optional<Clock::time_point> until = deadline;
                if (interval)
                    until = std::min(deadline.value_or(Clock::time_point::max()), now + *interval);
                if (until)
                    changed_.wait_until(lock, *until, met);
                else
                    changed_.wait(lock, met);
            }
            // Another thread may have closed the front or the descriptor meanwhile.
            if (!state_)
                return {.iberr = EDVR};
            const Descriptor *descriptor = state_->descriptors.find(ud);
            if (descriptor == nullptr)
                return {.iberr = EARG};
            Outcome outcome{.bits = (timedOut ? TIMO : 0) | (descriptor->last.bits & END) |
                                    (device ? 0 : seen & SRQI),
                            .count = std::nullopt};
            if ((mask & CMPL) != 0) {
                outcome.iberr = descriptor->last.iberr;
                outcome.count = descriptor->last.count;
            }
            return outcome;
        });
}

int Front::unsupported() {
    const std::lock_guard lock(mutex_);
    return finish(kBoard, {.iberr = ECAP}, state_ != nullptr);
}

void Front::sendInterfaceClear(int board) {
    call(
        Entry::SendIFC, kBoard,
        [&]() -> Outcome {
            if (board != kBoard)
                return {.iberr = ENEB};
            return pulseInterfaceClear();
        });
}

void Front::findListeners(int board, const Addr4882_t *pads, Addr4882_t *results, int limit) {
    call(
        Entry::FindLstn, kBoard,
        [&]() -> Outcome {
            const bool valid = pads != nullptr && limit >= 0 && (results != nullptr || limit == 0);
            if (const auto error = refusal(board, valid))
                return {.iberr = error};
            Link &bus = link();
            if (const Outcome begun = bus.beginListenerSearch(boardAddress()); begun.iberr)
                return begun;
            // A check the link cannot make ends the search with its error.
            std::optional<int> error;
            const auto listens = [&](const Presence &listener) {
                error = listener.iberr;
                return listener.present;
            };
            std::vector<Addr4882_t> found;
            for (const Addr4882_t *pad = pads; *pad != NOADDR; ++pad) {
                if (!isPrimary(*pad))
                    return {.iberr = EARG};
                if (listens(bus.listens(*pad))) {
                    found.push_back(*pad);
                } else if (!error && listens(bus.listensOnSecondary(*pad))) {
                    for (int sad = kFirstSecondary; sad <= kLastSecondary && !error; ++sad)
                        if (listens(bus.listens(makeAddress(*pad, sad))))
                            found.push_back(makeAddress(*pad, sad));
                }
                if (error)
                    return {.iberr = error};
            }
            const std::size_t written = std::min(found.size(), static_cast<std::size_t>(limit));
            std::copy(found.begin(), found.begin() + static_cast<long>(written), results);
            const long count = script_.listeners.value_or(static_cast<int>(written));
            if (written < found.size())
                return {.iberr = ETAB, .count = count};
            return {.count = count};
        });
}

void Front::clearDevice(int board, Addr4882_t address) {
    call(
        Entry::DevClear, kBoard,
        [&]() -> Outcome {
            if (const auto error = refusal(board, address == NOADDR || isAddress(address)))
                return {.iberr = error};
            if (address == NOADDR)
                return link().universalCommand(DCL);
            return link().addressedCommand(boardAddress(), {&address, 1}, SDC);
        });
}

void Front::readStatusByte(int board, Addr4882_t address, short *status) {
    call(
        Entry::ReadStatusByte, kBoard,
        [&]() -> Outcome {
            if (const auto error = refusal(board, isAddress(address) && status != nullptr))
                return {.iberr = error};
            return pollInto(address, timeoutDuration(boardSettings().timeout), status);
        });
}

// The LF that NLend adds goes with EOI and is not counted.
void Front::send(Entry entry, int board, std::span<const Addr4882_t> listeners, const void *data,
                 long count, int endMode) {
    call(
        entry, kBoard,
        [&]() -> Outcome {
            const bool valid = !listeners.empty() && std::ranges::all_of(listeners, isAddress) &&
                               isBuffer(data, count) && endMode >= NULLend && endMode <= NLend;
            if (const auto error = refusal(board, valid))
                return {.iberr = error};
            const std::string_view bytes(static_cast<const char *>(data),
                                         static_cast<std::size_t>(count));
            const Timeout timeout = timeoutDuration(boardSettings().timeout);
            const Outcome outcome =
                link().write(boardAddress(), listeners, bytes, endMode == DABend, {}, timeout);
            if (outcome.iberr || endMode != NLend)
                return outcome;
            const Outcome ended = link().write(boardAddress(), {}, "\n", true, {}, timeout);
            return ended.iberr ? Outcome{.iberr = ended.iberr, .count = outcome.count} : outcome;
        });
}

void Front::receive(int board, Addr4882_t address, void *buffer, long count, int termination) {
    call(
        Entry::Receive, kBoard,
        [&]() -> Outcome {
            const bool valid = isAddress(address) && isBuffer(buffer, count) && termination >= 0 &&
                               termination <= STOPend;
            if (const auto error = refusal(board, valid))
                return {.iberr = error};
            return link().read(boardAddress(), address,
                               {static_cast<char *>(buffer), static_cast<std::size_t>(count)},
                               EndOfString::ofTermination(termination),
                               timeoutDuration(boardSettings().timeout));
        });
}

// Stops at the first address that does not answer; ibcnt is the number polled before it.
void Front::pollAll(int board, const Addr4882_t *addresses, short *results) {
    call(
        Entry::AllSpoll, kBoard,
        [&]() -> Outcome {
            const std::span<const Addr4882_t> list = untilNoAddress(addresses);
            const bool valid =
                std::ranges::all_of(list, isAddress) && (results != nullptr || list.empty());
            if (const auto error = refusal(board, valid))
                return {.iberr = error};
            const Timeout timeout = timeoutDuration(boardSettings().timeout);
            for (std::size_t i = 0; i < list.size(); ++i) {
                Outcome polled = pollInto(list[i], timeout, &results[i]);
                if (polled.iberr) {
                    polled.count = static_cast<long>(i);
                    return polled;
                }
            }
            return {.count = static_cast<long>(list.size())};
        });
}

template <typename Empty>
void Front::commandDevices(Entry entry, int board, std::span<const Addr4882_t> addresses,
                           std::uint8_t command, Empty whenEmpty) {
    call(
        entry, kBoard,
        [&]() -> Outcome {
            if (const auto error = refusal(board, std::ranges::all_of(addresses, isAddress)))
                return {.iberr = error};
            if (addresses.empty())
                return whenEmpty();
            return link().addressedCommand(boardAddress(), addresses, command);
        });
}

void Front::clearDevices(int board, std::span<const Addr4882_t> addresses) {
    commandDevices(
        Entry::DevClearList, board, addresses, SDC, [&] { return link().universalCommand(DCL); });
}

void Front::triggerDevices(Entry entry, int board, std::span<const Addr4882_t> addresses) {
    commandDevices(
        entry, board, addresses, GET,
        [&] {
            const std::uint8_t trigger[] = {GET};
            return Outcome{.iberr = link().command(trigger).iberr};
        });
}

void Front::enableLocal(int board, std::span<const Addr4882_t> addresses) {
    commandDevices(
        Entry::EnableLocal, board, addresses, GTL, [&] { return remoteEnable(kBoard, 0); });
}

Outcome Front::remoteEnableAndAddress(std::span<const Addr4882_t> addresses) {
    if (const Outcome enabled = remoteEnable(kBoard, 1); enabled.iberr || addresses.empty())
        return enabled;
    const Addr4882_t board = boardAddress();
    std::vector<std::uint8_t> bytes;
    appendAddress(bytes, MTA(board & 0xFF), board);
    bytes.push_back(UNL);
    for (const Addr4882_t address : addresses)
        appendAddress(bytes, MLA(address & 0xFF), address);
    return {.iberr = link().command(bytes).iberr};
}

void Front::enableRemote(int board, std::span<const Addr4882_t> addresses) {
    call(
        Entry::EnableRemote, kBoard,
        [&]() -> Outcome {
            if (const auto error = refusal(board, std::ranges::all_of(addresses, isAddress)))
                return {.iberr = error};
            return remoteEnableAndAddress(addresses);
        });
}

void Front::sendLocalLockout(int board) {
    call(
        Entry::SendLLO, kBoard,
        [&]() -> Outcome {
            if (const auto error = refusal(board, true))
                return {.iberr = error};
            if (const Outcome enabled = remoteEnable(kBoard, 1); enabled.iberr)
                return enabled;
            return link().universalCommand(LLO);
        });
}

// The devices enter remote as they are addressed with REN asserted, and LLO locks them there.
void Front::setRemoteWithLockout(int board, std::span<const Addr4882_t> addresses) {
    call(
        Entry::SetRWLS, kBoard,
        [&]() -> Outcome {
            const bool valid = !addresses.empty() && std::ranges::all_of(addresses, isAddress);
            if (const auto error = refusal(board, valid))
                return {.iberr = error};
            if (const Outcome enabled = remoteEnable(kBoard, 1); enabled.iberr)
                return enabled;
            return link().addressedCommand(boardAddress(), addresses, LLO);
        });
}

} // namespace driverfront
