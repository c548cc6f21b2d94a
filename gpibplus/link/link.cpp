// SPDX-License-Identifier: MIT
#include "gpibplus/link/link.h"

#include "gpibplus/port/systemerror.h"

#include <algorithm>

namespace gpibplus::link {

namespace {

using port::Clock;
using std::chrono::milliseconds;

// Once the reply has paused this long, the link asks whether the adapter has finished (a USB
// serial chip hands bytes on every 16 ms).
constexpr milliseconds kPause{40};
constexpr milliseconds kQuiet{100};

// A command waits for the instrument no longer than a read of one byte would.
Deadline commandDeadline(int perByteMs) {
    return Clock::now() + milliseconds(perByteMs) + Link::kMargin;
}

Deadline deadlineOf(Link::Timeout timeout) {
    if (timeout.count() <= 0)
        return Deadline::max();
    return Clock::now() + timeout;
}

std::string addressText(Address address) {
    std::string text = std::to_string(address.pad);
    if (address.hasSecondary()) {
        text += ' ';
        text += std::to_string(address.sad);
    }
    return text;
}

} // namespace

Result Link::failure(Status status, const std::string &what) const {
    return {status, 0, port_->name() + ": " + what};
}

Result Link::linkDown(const std::string &what) {
    outOfStep_ = true;
    Result result = failure(Status::LinkDown, what);
    if (replies_.broken()) {
        result.errnum = replies_.errnum();
        result.message =
            port_->name() + ": the adapter went away" +
            (result.errnum != 0 ? ": " + port::systemErrorText(result.errnum) : std::string());
    }
    return result;
}

Result Link::refused(const std::string &what) const {
    return failure(Status::Refused, what);
}

bool Link::put(std::string_view line) {
    std::string bytes(line);
    bytes += '\n';
    trace_.sent(bytes);
    const port::Transfer written = port_->write(bytes, Clock::now() + kMargin);
    if (written.status != port::Transfer::Status::Done) {
        outOfStep_ = true;
        return false;
    }
    ahead_ += bytes.size();
    return true;
}

bool Link::send(std::string_view line) {
    if (ahead_ > 0 && ahead_ + line.size() + 1 > kLongestAhead && !sync(Clock::now() + kMargin))
        return false;
    return put(line);
}

bool Link::sync(Deadline deadline) {
    const std::optional<std::string> shown = query("++addr", deadline);
    const std::optional<Address> address = shown ? shownAddressOf(*shown) : std::nullopt;
    if (!address || (address_ && *address != *address_)) {
        outOfStep_ = true;
        return false;
    }
    address_ = address;
    ahead_ = 0;
    return true;
}

std::optional<std::string> Link::query(std::string_view line, Deadline deadline) {
    if (!put(line))
        return std::nullopt;
    std::optional<std::string> answer = replies_.line(deadline);
    if (answer)
        ahead_ = 0;
    return answer;
}

std::optional<std::string> Link::closeWithVersion(Deadline deadline) {
    if (!put("++ver"))
        return std::nullopt;
    std::optional<std::string> before = replies_.until(version_ + "\r\n", deadline);
    if (!before)
        outOfStep_ = true;
    else
        ahead_ = 0;
    return before;
}

std::optional<std::optional<std::string>> Link::answerIfAny(std::string_view line, int perByteMs) {
    if (!put(line))
        return std::nullopt;
    if (std::optional<std::string> answer =
            replies_.line(Clock::now() + milliseconds(perByteMs) + kPause)) {
        ahead_ = 0;
        return answer;
    }
    // Nothing yet: whatever comes before the version's answer is the late answer.
    std::optional<std::string> before = closeWithVersion(Clock::now() + kMargin);
    if (!before)
        return std::nullopt;
    while (before->ends_with('\n') || before->ends_with('\r'))
        before->pop_back();
    if (before->empty())
        return std::optional<std::string>();
    return before;
}

// A link out of step drops what comes until the adapter is quiet, then checks that it answers
// "++ver" as it did at opening. The settings are sent again from then on.
Result Link::begin() {
    if (replies_.broken())
        return linkDown("the adapter went away");
    if (!outOfStep_)
        return {};
    replies_.drain(kQuiet, Clock::now() + kMargin);
    const std::optional<std::string> version = query("++ver", Clock::now() + kMargin);
    if (!version || *version != version_)
        return linkDown("the adapter does not answer ++ver as it did");
    outOfStep_ = false;
    ahead_ = 0;
    address_.reset();
    readTimeoutMs_.reset();
    eoi_.reset();
    return {};
}

// Sends the line that sets a setting of the adapter's only when the setting it holds is another.
template <typename Value>
bool Link::use(std::optional<Value> &held, const Value &wanted, std::string (*line)(Value)) {
    if (held == wanted)
        return true;
    if (!send(line(wanted)))
        return false;
    held = wanted;
    return true;
}

bool Link::useAddress(Address address) {
    return use(address_, address, lines::selectAddress);
}

bool Link::useReadTimeout(int ms) {
    return use(readTimeoutMs_, ms, lines::readTimeout);
}

bool Link::useEoi(bool on) {
    return use(eoi_, on, lines::eoi);
}

int Link::perByteMs(Timeout timeout) const {
    const int longest = lines::longestReadTimeoutMs(dialect_);
    if (timeout.count() <= 0)
        return longest;
    return static_cast<int>(std::clamp<Timeout::rep>(timeout.count(), 1, longest));
}

Result Link::write(Address address, std::string_view data, bool eoi, Timeout timeout) {
    const std::lock_guard lock(mutex_);
    if (Result begun = begin(); !begun.ok())
        return begun;
    const int perByte = perByteMs(timeout);
    // AR488 waits one read timeout for a listener before it drops the data.
    if (!useAddress(address) || !useReadTimeout(perByte))
        return linkDown("cannot write to it");
    const std::vector<std::string> pieces = lines::dataLines(dialect_, data);
    for (std::size_t i = 0; i < pieces.size(); ++i)
        if (!useEoi(eoi && i + 1 == pieces.size()) || !send(pieces[i]))
            return linkDown("cannot write to it");
    if (sync(commandDeadline(perByte)))
        return {};
    if (replies_.broken())
        return linkDown("the adapter went away");
    return failure(Status::TimedOut, "the write to " + addressText(address) +
                                         " did not end in time: is an instrument listening?");
}

Link::Read Link::handOut(std::string &reply, std::size_t count,
                         std::optional<char> terminator) const {
    std::size_t size = std::min(count, reply.size());
    bool terminated = false;
    if (terminator)
        if (const std::size_t at = reply.find(*terminator); at < size) {
            size = at + 1;
            terminated = true;
        }
    Read read{reply.substr(0, size), false};
    reply.erase(0, size);
    read.ended = terminated || reply.empty();
    return read;
}

Answer<Link::Read> Link::read(Address address, std::size_t count, std::optional<char> terminator,
                              Timeout timeout) {
    const std::lock_guard lock(mutex_);
    if (const auto kept = surplus_.find(address); kept != surplus_.end()) {
        Answer<Read> answer;
        answer.value = handOut(kept->second, count, terminator);
        if (kept->second.empty())
            surplus_.erase(kept);
        return answer;
    }
    if (Result begun = begin(); !begun.ok())
        return {begun};
    const Deadline deadline = deadlineOf(timeout);
    std::string reply;
    for (;;) {
        // The adapter reads each byte within its own timeout; a longer wait reads again.
        const auto left = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        const int perByte =
            std::min(perByteMs(timeout),
                     static_cast<int>(std::clamp<milliseconds::rep>(left.count(), 1, 1 << 30)));
        if (!useAddress(address) || !useReadTimeout(perByte) || !send(lines::readToEnd()))
            return {linkDown("cannot write to it")};
        Deadline pauseBy = std::min(deadline, Clock::now() + milliseconds(perByte) + kPause);
        while (replies_.more(pauseBy))
            pauseBy = std::min(deadline, Clock::now() + kPause);
        if (replies_.broken())
            return {linkDown("the adapter went away")};
        const std::optional<std::string> rest = closeWithVersion(Clock::now() + kMargin);
        if (!rest) {
            // Out of step in the middle of a reply: what came is handed out, no more is kept,
            // and the next call brings the link back (begin).
            reply += replies_.takeAll();
            Read partial{reply.substr(0, std::min(count, reply.size())), false};
            return {failure(Status::TimedOut,
                            "the reply from " + addressText(address) + " did not end in time"),
                    std::move(partial)};
        }
        reply += *rest;
        if (!reply.empty() || Clock::now() >= deadline)
            break;
    }
    if (reply.empty())
        return {failure(Status::TimedOut, "no reply from " + addressText(address) + " in time")};
    Answer<Read> answer;
    answer.value = handOut(reply, count, terminator);
    if (!reply.empty())
        surplus_[address] = std::move(reply);
    return answer;
}

Result Link::command(std::string_view line, std::optional<Address> address, Timeout timeout) {
    if (Result begun = begin(); !begun.ok())
        return begun;
    if ((address && !useAddress(*address)) || !send(line))
        return linkDown("cannot write to it");
    if (!sync(commandDeadline(perByteMs(timeout))))
        return linkDown("the adapter did not confirm " + std::string(line));
    return {};
}

Answer<int> Link::serialPoll(Address address, Timeout timeout) {
    const std::lock_guard lock(mutex_);
    const std::optional<std::string> line = lines::serialPoll(dialect_, address);
    if (!line)
        return {refused("AR488 cannot serial poll a secondary address")};
    if (Result begun = begin(); !begun.ok())
        return {begun};
    const int perByte = perByteMs(timeout);
    if (!useReadTimeout(perByte))
        return {linkDown("cannot write to it")};
    const std::optional<std::optional<std::string>> answer = answerIfAny(*line, perByte);
    if (!answer)
        return {linkDown("the adapter did not answer the serial poll")};
    if (!*answer)
        return {failure(Status::TimedOut, "no answer to a serial poll at " + addressText(address))};
    const std::optional<int> status = statusByteOf(**answer);
    if (!status)
        return {linkDown("the serial poll's answer is not a status byte")};
    return {{}, *status};
}

Result Link::deviceClear(Address address, Timeout timeout) {
    const std::lock_guard lock(mutex_);
    surplus_.erase(address);
    return command(lines::deviceClear(), address, timeout);
}

Result Link::universalClear(Timeout timeout) {
    const std::lock_guard lock(mutex_);
    const std::optional<std::string> line = lines::universalClear(dialect_);
    if (!line)
        return refused("a Prologix adapter cannot clear every instrument at once");
    surplus_.clear();
    return command(*line, std::nullopt, timeout);
}

Result Link::trigger(Address address, Timeout timeout) {
    const std::lock_guard lock(mutex_);
    const std::optional<std::string> line = lines::trigger(dialect_, address);
    if (!line)
        return refused("AR488 cannot trigger at a secondary address");
    return command(*line, std::nullopt, timeout);
}

Result Link::interfaceClear(Timeout timeout) {
    const std::lock_guard lock(mutex_);
    return command(lines::interfaceClear(), std::nullopt, timeout);
}

Result Link::remoteEnable(bool on, Timeout timeout) {
    const std::lock_guard lock(mutex_);
    const std::optional<std::string> line = lines::remoteEnable(dialect_, on);
    if (!line)
        return refused("a Prologix adapter keeps REN asserted while it is controller");
    if (line->empty())
        return begin();
    return command(*line, std::nullopt, timeout);
}

Result Link::goToLocal(Address address, Timeout timeout) {
    const std::lock_guard lock(mutex_);
    return command(lines::goToLocal(), address, timeout);
}

Result Link::localLockout(Address address, Timeout timeout) {
    const std::lock_guard lock(mutex_);
    return command(lines::localLockout(), address, timeout);
}

Result Link::universalLocalLockout(Timeout timeout) {
    const std::lock_guard lock(mutex_);
    return command(lines::universalLocalLockout(dialect_), std::nullopt, timeout);
}

Answer<bool> Link::answersPoll(Address address, int perByteMs) {
    if (!useReadTimeout(perByteMs) || !put(lines::findListeners(dialect_, address).front()))
        return {linkDown("cannot write to it")};
    std::optional<std::string> answer =
        closeWithVersion(Clock::now() + milliseconds(perByteMs) + kMargin);
    if (!answer)
        return {linkDown("the adapter did not answer the serial poll")};
    while (answer->ends_with('\n') || answer->ends_with('\r'))
        answer->pop_back();
    return {{}, statusByteOf(*answer).has_value()};
}

Answer<std::vector<Address>> Link::search(int pad) {
    const std::vector<std::string> probe = lines::findListeners(dialect_, Address{pad});
    // The search probes 31 secondary addresses for 35 ms each, whatever the timeout.
    const std::optional<std::string> found = query(probe[0], Clock::now() + 2 * kMargin);
    std::optional<std::vector<Address>> listeners = found ? listenersOf(*found) : std::nullopt;
    if (!listeners)
        return {linkDown("the adapter's listener search gave no list")};
    // A search the firmware refused leaves its own read timeout behind.
    readTimeoutMs_.reset();
    for (auto line = probe.begin() + 1; line != probe.end(); ++line)
        if (!send(*line))
            return {linkDown("cannot write to it")};
    if (!sync(Clock::now() + kMargin))
        return {linkDown("the adapter did not answer ++addr")};
    return {{}, std::move(*listeners)};
}

Answer<bool> Link::listens(Address address, Timeout timeout) {
    const std::lock_guard lock(mutex_);
    if (Result begun = begin(); !begun.ok())
        return {begun};
    if (dialect_ == Dialect::Prologix)
        return answersPoll(address, perByteMs(timeout));
    const Answer<std::vector<Address>> found = search(address.pad);
    if (!found.result.ok())
        return {found.result};
    return {{}, std::ranges::find(found.value, address) != found.value.end()};
}

Answer<std::vector<Address>> Link::secondaryListeners(int pad, Timeout timeout) {
    const std::lock_guard lock(mutex_);
    if (Result begun = begin(); !begun.ok())
        return {begun};
    if (dialect_ == Dialect::Ar488) {
        Answer<std::vector<Address>> found = search(pad);
        std::erase_if(found.value,
                      [](const Address &listener) { return !listener.hasSecondary(); });
        return found;
    }
    std::vector<Address> listeners;
    for (int sad = Address::kFirstSecondary; sad <= Address::kLastSecondary; ++sad) {
        const Answer<bool> polled = answersPoll({pad, sad}, perByteMs(timeout));
        if (!polled.result.ok())
            return {polled.result};
        if (polled.value)
            listeners.push_back({pad, sad});
    }
    return {{}, std::move(listeners)};
}

Answer<bool> Link::serviceRequested(Timeout timeout) {
    const std::lock_guard lock(mutex_);
    if (Result begun = begin(); !begun.ok())
        return {begun};
    const std::optional<std::string> answer =
        query(lines::serviceRequest(), commandDeadline(perByteMs(timeout)));
    if (!answer || (*answer != "0" && *answer != "1"))
        return {linkDown("the adapter did not answer ++srq")};
    return {{}, *answer == "1"};
}

bool Link::lost() {
    const std::lock_guard lock(mutex_);
    return replies_.broken();
}

} // namespace gpibplus::link
