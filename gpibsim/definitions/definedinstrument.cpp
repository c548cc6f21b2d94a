// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/definedinstrument.h"

#include "gpibsim/definitions/propertyvalue.h"
#include "gpibsim/text/text.h"

#include <algorithm>

namespace gpibsim::definitions {

using pyformat::Container;
using pyformat::formatWith;
using pyformat::pythonEquals;
using pyformat::SetterPattern;
using pyformat::str;
using pyformat::Value;

namespace {

// pyvisa-sim's queues grow without end; these keep their first entries, up to this many.
constexpr std::size_t kLongestQueue = 100;

// The model in the identity: the device's name, without what would break the four fields.
std::string modelOf(std::string_view name) {
    std::string model = "Simulated " + std::string(name);
    std::ranges::replace_if(
        model, [](unsigned char c) { return c == ',' || c == ';' || c < 0x20; }, ' ');
    return model;
}

// The item of a dict under a text key, as Python's dict[key] finds it.
const Value *itemOf(const Value &value, std::string_view key) {
    const auto *container = std::get_if<std::shared_ptr<const Container>>(&value);
    if (container == nullptr || !(*container)->dict)
        return nullptr;
    const Container &dict = **container;
    for (std::size_t i = 0; i < dict.keys.size(); ++i)
        if (pythonEquals(dict.keys[i], Value(std::string(key))))
            return &dict.items[i];
    return nullptr;
}

// The index of the group's channel whose id equals `value` as Python compares them.
std::optional<std::size_t> channelOf(const ChannelGroup &group, const Value &value) {
    const auto id = std::ranges::find_if(
        group.ids, [&](const std::string &id) { return pythonEquals(value, Value(id)); });
    if (id == group.ids.end())
        return std::nullopt;
    return static_cast<std::size_t>(id - group.ids.begin());
}

} // namespace

DefinedInstrument::DefinedInstrument(std::shared_ptr<const Definition> definition,
                                     std::string_view serial, std::uint64_t seed)
    : Instrument(modelOf(definition->name), serial), definition_(std::move(definition)),
      registers_(definition_->registers.size()), queues_(definition_->queues.size()),
      random_(seed) {
    setTerminators(definition_->messageEnd, definition_->responseEnd.value_or("\n"));
    setUnitSeparator(definition_->delimiter);
    const auto start = [](const Component &component, std::size_t channels) {
        Values values;
        for (const Property &property : component.properties)
            values.ofProperty.emplace_back(std::max<std::size_t>(channels, 1), property.initial);
        return values;
    };
    device_ = start(definition_->device, 1);
    for (const ChannelGroup &group : definition_->channels)
        channels_.push_back(start(group, group.ids.size()));
}

bool DefinedInstrument::execute(std::string_view unit) {
    refusal_.reset();
    const Answer answer = answerDevice(unit);
    if (answer.kind != Answer::Kind::Unmatched) {
        deliver(answer);
        return true;
    }
    if (refusal_) {
        raise(*refusal_);
        deliver(commandError());
        return true;
    }
    // pyvisa-sim answers an empty query too: as a command error. Others may be common commands.
    if (!trim(unit).empty())
        return false;
    deliver(commandError());
    return true;
}

void DefinedInstrument::onUndefinedHeader() {
    deliver(commandError());
}

// The read times out, as in pyvisa-sim, whose definitions' query_error is never raised: the
// definition's registers and queues stay as they are, and the bus's own record the error only
// where the definition does not answer SYST:ERR? or *ESR? itself.
void DefinedInstrument::onEmptyRead() {
    if (!definition_->answersErrorQuery)
        queueError(kQueryUnterminated);
    if (!definition_->answersEventStatus)
        setEventStatus(kQueryError);
}

// pyvisa-sim's order: the device's dialogues, getters, registers and queues, compared byte for
// byte, its setters, then each group of channels, whose empty reply counts as no match.
DefinedInstrument::Answer DefinedInstrument::answerDevice(std::string_view query) {
    const Component &device = definition_->device;
    if (const auto found = device.actions.find(query); found != device.actions.end())
        return run(device, device_, found->second, 0);
    // pyvisa-sim reads the query as UTF-8 before it tries the setters.
    if (!isUtf8(query))
        return {.kind = Answer::Kind::Raises};
    if (Answer set = setDevice(query); set.kind != Answer::Kind::Unmatched)
        return set;
    for (std::size_t group = 0; group < definition_->channels.size(); ++group) {
        Answer answer = answerGroup(group, query);
        if (answer.kind != Answer::Kind::Unmatched &&
            !(answer.kind == Answer::Kind::Reply && answer.bytes.empty()))
            return answer;
    }
    return {};
}

// A group that cannot select answers for the channel the device's selected_channel names, and
// not at all when that is none of its ids. One that can tries its ids in turn, and leaves the
// last one selected for a setter without {ch_id}.
DefinedInstrument::Answer DefinedInstrument::answerGroup(std::size_t index,
                                                         std::string_view query) {
    const ChannelGroup &group = definition_->channels[index];
    Values &values = channels_[index];
    if (!group.canSelect) {
        if (!definition_->selectedChannel)
            return {.kind = Answer::Kind::Raises};
        const Value &selected = device_.ofProperty[*definition_->selectedChannel][0];
        const std::optional<std::size_t> channel = channelOf(group, selected);
        if (!channel)
            return {};
        values.selected = channel;
        if (const auto found = group.actions.find(query); found != group.actions.end())
            return run(group, values, found->second, *values.selected);
        return setChannel(index, query);
    }
    if (!group.ids.empty()) {
        const auto found = group.actions.find(query);
        const bool firstDialogue = found != group.actions.end() && found->second.channel == 0 &&
                                   found->second.kind == Action::Kind::Dialogue;
        if (group.dialogueQueriesRaise || (group.getterQueriesRaise && !firstDialogue))
            return {.kind = Answer::Kind::Raises};
        if (found != group.actions.end())
            return run(group, values, found->second, found->second.channel);
        values.selected = group.ids.size() - 1;
    }
    return setChannel(index, query);
}

DefinedInstrument::Answer DefinedInstrument::run(const Component &component, Values &values,
                                                 const Action &action, std::size_t channel) {
    switch (action.kind) {
    case Action::Kind::Dialogue:
        return answered(component.dialogues[action.index], nullptr);
    case Action::Kind::Getter: {
        const Getter &getter = component.getters[action.index];
        values.selected = channel;
        return answered(getter.response, &values.ofProperty[getter.property][channel]);
    }
    case Action::Kind::Register: {
        Answer answer{.kind = Answer::Kind::Reply,
                      .bytes = std::to_string(registers_[action.index])};
        registers_[action.index] = 0;
        return answer;
    }
    case Action::Kind::Queue:
        break;
    }
    std::deque<std::string> &queue = queues_[action.index];
    if (queue.empty())
        return {.kind = Answer::Kind::Reply, .bytes = definition_->queues[action.index].whenEmpty};
    Answer answer{.kind = Answer::Kind::Reply, .bytes = std::move(queue.front())};
    queue.pop_front();
    return answer;
}

// A device setter keeps the value it reads as it comes. A refused value gets the setter's e;
// without one, the next setter is tried.
DefinedInstrument::Answer DefinedInstrument::setDevice(std::string_view query) {
    const Component &device = definition_->device;
    for (const Setter &setter : device.setters) {
        SetterPattern::Reading reading = setter.pattern.read(query);
        if (reading.outcome == SetterPattern::Reading::Outcome::NoMatch)
            continue;
        if (reading.outcome == SetterPattern::Reading::Outcome::Raises)
            return {.kind = Answer::Kind::Raises};
        Accepted accepted = acceptValue(device.properties[setter.property], reading.value);
        if (auto *value = std::get_if<Value>(&accepted)) {
            device_.ofProperty[setter.property][0] = std::move(*value);
            return answered(setter.done, nullptr);
        }
        const auto *refused = std::get_if<DeviceError>(&accepted);
        if (refused == nullptr)
            return {.kind = Answer::Kind::Raises};
        if (!setter.refused) {
            refusal_ = *refused;
            continue;
        }
        raise(*refused);
        return answered(*setter.refused, nullptr);
    }
    return {};
}

// A channel setter keeps str() of what it reads; with {ch_id} it reads the channel and the
// unnamed field. A refused value gets the setter's e, or else is a command error. A channel
// that is none of the group's ids takes the value where nothing can read it back.
DefinedInstrument::Answer DefinedInstrument::setChannel(std::size_t index, std::string_view query) {
    const ChannelGroup &group = definition_->channels[index];
    Values &values = channels_[index];
    for (const Setter &setter : group.setters) {
        const SetterPattern::Reading reading = setter.pattern.read(query);
        if (reading.outcome == SetterPattern::Reading::Outcome::NoMatch)
            continue;
        if (reading.outcome == SetterPattern::Reading::Outcome::Raises)
            return {.kind = Answer::Kind::Raises};
        const Value *given = &reading.value;
        if (const Value *channel = itemOf(reading.value, "ch_id")) {
            values.selected = channelOf(group, *channel);
            given = itemOf(reading.value, "0");
            if (given == nullptr)
                return {.kind = Answer::Kind::Raises};
        }
        Accepted accepted = acceptValue(group.properties[setter.property], Value(str(*given)));
        if (auto *value = std::get_if<Value>(&accepted)) {
            if (values.selected)
                values.ofProperty[setter.property][*values.selected] = std::move(*value);
            return answered(setter.done, nullptr);
        }
        const auto *refused = std::get_if<DeviceError>(&accepted);
        if (refused == nullptr)
            return {.kind = Answer::Kind::Raises};
        raise(*refused);
        return setter.refused ? answered(*setter.refused, nullptr) : commandError();
    }
    return {};
}

DefinedInstrument::Answer DefinedInstrument::answered(const Response &response,
                                                      const Value *value) {
    std::optional<std::string> text;
    switch (response.kind) {
    case Response::Kind::None:
        return {.kind = Answer::Kind::Silent};
    case Response::Kind::Fixed:
        return {.kind = Answer::Kind::Reply, .bytes = response.fixed};
    case Response::Kind::Formatted:
        text = formatWith(response.format, *value);
        break;
    case Response::Kind::Random:
        text = randomReadings(response);
        break;
    case Response::Kind::Raises:
        break;
    }
    if (!text)
        return {.kind = Answer::Kind::Raises};
    return {.kind = Answer::Kind::Reply, .bytes = std::move(*text)};
}

// Readings spread evenly between min and max, from the top 53 bits of each draw.
std::optional<std::string> DefinedInstrument::randomReadings(const Response &response) {
    const RandomReadings &random = response.random;
    std::string text;
    for (long long i = 0; i < random.count; ++i) {
        const double unit = static_cast<double>(random_() >> 11) * 0x1.0p-53;
        const std::optional<std::string> reading =
            formatWith(response.format, random.min + (random.max - random.min) * unit);
        if (!reading)
            return std::nullopt;
        text += (i == 0 ? "" : ", ") + *reading;
    }
    return text;
}

// The definition's command error: the register that records it and each queue that does, and
// its reply.
DefinedInstrument::Answer DefinedInstrument::commandError() {
    if (const std::optional<std::size_t> index = definition_->commandErrorRegister)
        registers_[*index] |= definition_->registers[*index].commandError;
    for (std::size_t i = 0; i < queues_.size(); ++i) {
        const std::optional<std::string> &entry = definition_->queues[i].commandError;
        if (entry && queues_[i].size() < kLongestQueue)
            queues_[i].push_back(*entry);
    }
    return answered(definition_->commandError, nullptr);
}

// Where pyvisa-sim raises, the query gets the command error's reply, and the definition's
// registers and queues, which pyvisa-sim does not reach then, stay as they are.
void DefinedInstrument::deliver(const Answer &answer) {
    switch (answer.kind) {
    case Answer::Kind::Reply:
        say(answer.bytes);
        return;
    case Answer::Kind::Raises:
        raise(gpibsim::kExecutionError);
        if (definition_->commandError.kind == Response::Kind::Fixed)
            say(definition_->commandError.fixed);
        return;
    case Answer::Kind::Unmatched:
    case Answer::Kind::Silent:
        return;
    }
}

// Without a response terminator pyvisa-sim cannot send a reply: it raises.
void DefinedInstrument::say(std::string bytes) {
    if (!definition_->responseEnd) {
        raise(gpibsim::kExecutionError);
        return;
    }
    respond(std::move(bytes));
}

} // namespace gpibsim::definitions
