// SPDX-License-Identifier: MIT
#include "gpibsim/instruments/instrument.h"

#include "gpibsim/instruments/headermatch.h"
#include "gpibsim/text/text.h"

#include <algorithm>

namespace gpibsim {

namespace {

enum class Common {
    Identify,
    Reset,
    ClearStatus,
    SetEventEnable,
    EventEnable,
    EventStatus,
    SetServiceEnable,
    ServiceEnable,
    StatusByte,
    OperationComplete,
    OperationCompleteQuery,
    SelfTest,
    Trigger,
    Wait,
    NextError,
};

struct CommonCommand {
    std::string_view pattern;
    Common command;
};

constexpr CommonCommand kCommonCommands[] = {
    {"*IDN?", Common::Identify},
    {"*RST", Common::Reset},
    {"*CLS", Common::ClearStatus},
    {"*ESE", Common::SetEventEnable},
    {"*ESE?", Common::EventEnable},
    {"*ESR?", Common::EventStatus},
    {"*SRE", Common::SetServiceEnable},
    {"*SRE?", Common::ServiceEnable},
    {"*STB?", Common::StatusByte},
    {"*OPC", Common::OperationComplete},
    {"*OPC?", Common::OperationCompleteQuery},
    {"*TST?", Common::SelfTest},
    {"*TRG", Common::Trigger},
    {"*WAI", Common::Wait},
    {"SYSTem:ERRor?", Common::NextError},
};

std::uint8_t eventBit(const DeviceError &error) {
    switch (-error.code / 100) {
    case 1:
        return Instrument::kCommandError;
    case 2:
        return Instrument::kExecutionError;
    case 3:
        return Instrument::kDeviceError;
    default:
        return Instrument::kQueryError;
    }
}

// The replies of one program message, separated by ';' and ended by the terminator.
std::string responseMessage(const std::vector<std::string> &responses, std::string_view end) {
    std::string message;
    for (const std::string &response : responses)
        message += (message.empty() ? "" : ";") + response;
    return message.append(end);
}

} // namespace

Instrument::Instrument(std::string_view model, std::string_view serial)
    : identity_("QUORIN," + std::string(model) + ',' + std::string(serial) + ",1.0") {}

// Past its capacity the input keeps only what could still be the start of a terminator.
void Instrument::listen(std::string_view bytes, bool end) {
    for (const char byte : bytes) {
        if (input_.empty() && !output_.empty()) {
            output_.clear();
            raise(kQueryInterrupted);
        }
        input_ += byte;
        if (!messageEnd_.empty() && byte == messageEnd_.back() && input_.ends_with(messageEnd_)) {
            input_.resize(input_.size() - messageEnd_.size());
            runMessage();
        } else if (input_.size() > kInputCapacity) {
            overrun_ = true;
            input_.erase(0, input_.size() - std::min(input_.size(), messageEnd_.size()));
        }
    }
    if (end && !input_.empty())
        runMessage();
    updateServiceRequest();
}

Instrument::Talked Instrument::talk(std::span<char> buffer, const driverfront::EndOfString &eos) {
    if (output_.empty() && scriptedAnswer_)
        output_ = *scriptedAnswer_;
    Talked talked;
    if (output_.empty()) {
        onEmptyRead();
        talked.timedOut = true;
    }
    while (talked.count < buffer.size() && !talked.timedOut && !talked.end) {
        const char byte = output_[talked.count];
        buffer[talked.count++] = byte;
        talked.eoi = talked.count == output_.size();
        talked.end = talked.eoi || (eos.stopsReads() && eos.matches(byte));
    }
    output_.erase(0, talked.count);
    updateServiceRequest();
    return talked;
}

std::uint8_t Instrument::serialPoll() {
    const std::uint8_t status = statusByte() | (requestingService_ ? kRequestService : 0);
    requestingService_ = false;
    return status;
}

void Instrument::clear() {
    input_.clear();
    overrun_ = false;
    output_.clear();
    updateServiceRequest();
}

void Instrument::trigger() {
    onTrigger();
    queueResponses();
    updateServiceRequest();
}

void Instrument::answerEveryReadWith(std::string text) {
    scriptedAnswer_ = std::move(text);
}

bool Instrument::execute(std::string_view) {
    return false;
}

void Instrument::onEmptyRead() {
    raise(kQueryUnterminated);
}

void Instrument::respond(std::string text) {
    responses_.push_back(std::move(text));
}

void Instrument::setTerminators(std::string message, std::string response) {
    messageEnd_ = std::move(message);
    responseEnd_ = std::move(response);
}

void Instrument::setUnitSeparator(std::string separator) {
    unitSeparator_ = std::move(separator);
}

void Instrument::runMessage() {
    if (overrun_)
        raise(kInputBufferOverrun);
    else
        for (const std::string_view unit : split(input_, unitSeparator_))
            runUnit(unit);
    input_.clear();
    overrun_ = false;
    queueResponses();
}

void Instrument::queueResponses() {
    if (!responses_.empty()) {
        output_ = scriptedAnswer_ ? *scriptedAnswer_ : responseMessage(responses_, responseEnd_);
        responses_.clear();
    }
}

void Instrument::runUnit(std::string_view unit) {
    if (execute(unit))
        return;
    unit = trim(unit);
    if (unit.empty())
        return;
    const std::string_view header = headerOf(unit);
    const std::string_view arguments = trim(unit.substr(header.size()));
    if (runCommon(header, arguments))
        return;
    raise(kUndefinedHeader);
    onUndefinedHeader();
}

bool Instrument::runCommon(std::string_view header, std::string_view arguments) {
    const auto *found = std::ranges::find_if(
        kCommonCommands, [&](const CommonCommand &c) { return headerMatches(c.pattern, header); });
    if (found == std::ranges::end(kCommonCommands))
        return false;
    std::optional<std::uint8_t> value;
    if (found->command == Common::SetEventEnable || found->command == Common::SetServiceEnable) {
        value = registerValue(arguments);
        if (!value)
            return true;
    } else if (!arguments.empty()) {
        raise(kParameterNotAllowed);
        return true;
    }
    switch (found->command) {
    case Common::Identify:
        respond(identity_);
        break;
    case Common::Reset:
    case Common::Wait:
        // No settings to reset and every operation completes at once.
        break;
    case Common::ClearStatus:
        eventStatus_ = 0;
        errors_.clear();
        onClearStatus();
        break;
    case Common::SetEventEnable:
        eventEnable_ = *value;
        break;
    case Common::EventEnable:
        respond(std::to_string(eventEnable_));
        break;
    case Common::EventStatus:
        respond(std::to_string(eventStatus_));
        eventStatus_ = 0;
        break;
    case Common::SetServiceEnable:
        serviceEnable_ = *value & ~kRequestService;
        break;
    case Common::ServiceEnable:
        respond(std::to_string(serviceEnable_));
        break;
    case Common::StatusByte:
        respond(std::to_string(statusByte() | (serviceSummary() ? kRequestService : 0)));
        break;
    case Common::OperationComplete:
        eventStatus_ |= kOperationComplete;
        break;
    case Common::OperationCompleteQuery:
        respond("1");
        break;
    case Common::SelfTest:
        respond("0");
        break;
    case Common::Trigger:
        onTrigger();
        break;
    case Common::NextError:
        respond(format(errors_.pop()));
        break;
    }
    return true;
}

std::optional<std::uint8_t> Instrument::registerValue(std::string_view arguments) {
    if (arguments.empty()) {
        raise(kMissingParameter);
        return std::nullopt;
    }
    const std::optional<int> value = toInt(arguments);
    if (!value) {
        raise(kDataTypeError);
        return std::nullopt;
    }
    if (*value < 0 || *value > 255) {
        raise(kDataOutOfRange);
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(*value);
}

void Instrument::raise(DeviceError error) {
    queueError(error);
    setEventStatus(eventBit(error));
}

void Instrument::queueError(DeviceError error) {
    errors_.push(error);
}

void Instrument::setEventStatus(std::uint8_t bits) {
    eventStatus_ |= bits;
}

std::uint8_t Instrument::statusByte() const {
    return (output_.empty() ? 0 : kMessageAvailable) |
           ((eventStatus_ & eventEnable_) != 0 ? kEventSummary : 0);
}

bool Instrument::serviceSummary() const {
    return (statusByte() & serviceEnable_) != 0;
}

// RQS rises with each new reason for service, stays until a serial poll reads it, and drops
// when the reason goes away.
void Instrument::updateServiceRequest() {
    const bool summary = serviceSummary();
    requestingService_ = summary && (requestingService_ || !summary_);
    summary_ = summary;
}

} // namespace gpibsim
