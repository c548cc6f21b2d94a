// SPDX-License-Identifier: MIT
#include "simbus/definitions/definedinstrument.h"

#include "simbus/definitions/propertyvalue.h"

#include <algorithm>

namespace gpibsim::definitions {

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

} // namespace

DefinedInstrument::DefinedInstrument(std::shared_ptr<const Definition> definition,
                                     std::string_view serial, std::uint64_t seed)
    : Instrument(modelOf(definition->name), serial), definition_(std::move(definition)),
      registers_(definition_->registers.size()), queues_(definition_->queues.size()),
      random_(seed) {
    setTerminators(definition_->messageEnd, definition_->responseEnd);
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

// pyvisa-sim's order: the device's queries and setters, then each group of channels.
bool DefinedInstrument::execute(std::string_view header, std::string_view arguments) {
    const std::string query = normalQuery(header, arguments);
    if (answer(definition_->device, device_, query, 0, {}))
        return true;
    for (std::size_t i = 0; i < definition_->channels.size(); ++i) {
        const ChannelGroup &group = definition_->channels[i];
        const std::optional<std::size_t> channel =
            group.canSelect ? std::nullopt : selectedChannel(group.ids);
        if (!group.canSelect && !channel)
            continue;
        if (answer(group, channels_[i], query, channel, group.ids))
            return true;
    }
    return false;
}

void DefinedInstrument::onUndefinedHeader() {
    commandError();
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

void DefinedInstrument::onClearStatus() {
    std::ranges::fill(registers_, 0);
    for (std::deque<std::string> &queue : queues_)
        queue.clear();
}

// `channel` is the selected one for a group that cannot select; a selectable group's query
// names its own.
bool DefinedInstrument::answer(const Component &component, Values &values, std::string_view query,
                               std::optional<std::size_t> channel,
                               std::span<const std::string> ids) {
    if (const auto found = component.actions.find(query); found != component.actions.end()) {
        run(component, values, found->second, channel.value_or(found->second.channel));
        return true;
    }
    for (const Setter &setter : component.setters) {
        std::optional<SetterPattern::Match> match = setter.pattern.match(query, ids);
        if (!match)
            continue;
        if (!setter.pattern.hasChannel())
            match->channel = channel.value_or(values.selected);
        set(component, values, setter, std::move(*match));
        return true;
    }
    return false;
}

void DefinedInstrument::run(const Component &component, Values &values, const Action &action,
                            std::size_t channel) {
    switch (action.kind) {
    case Action::Kind::Dialogue:
        say(component.dialogues[action.index], nullptr);
        return;
    case Action::Kind::Getter: {
        const Getter &getter = component.getters[action.index];
        values.selected = channel;
        say(getter.response, &values.ofProperty[getter.property][channel]);
        return;
    }
    case Action::Kind::Register:
        respond(std::to_string(registers_[action.index]));
        registers_[action.index] = 0;
        return;
    case Action::Kind::Queue: {
        std::deque<std::string> &queue = queues_[action.index];
        if (queue.empty()) {
            respond(definition_->queues[action.index].whenEmpty);
            return;
        }
        respond(std::move(queue.front()));
        queue.pop_front();
        return;
    }
    }
}

void DefinedInstrument::set(const Component &component, Values &values, const Setter &setter,
                            SetterPattern::Match match) {
    values.selected = match.channel;
    Accepted accepted = acceptValue(component.properties[setter.property], match.value);
    if (auto *value = std::get_if<Value>(&accepted)) {
        values.ofProperty[setter.property][match.channel] = std::move(*value);
        say(setter.done, nullptr);
        return;
    }
    raise(std::get<DeviceError>(accepted));
    if (setter.refused)
        say(*setter.refused, nullptr);
    else
        commandError();
}

void DefinedInstrument::say(const Response &response, const Value *value) {
    std::optional<std::string> text;
    switch (response.kind) {
    case Response::Kind::None:
        return;
    case Response::Kind::Fixed:
        text = response.fixed;
        break;
    case Response::Kind::Formatted:
        text = formatProperty(response.format, *value);
        break;
    case Response::Kind::Random:
        text = randomReadings(response);
        break;
    }
    if (!text) {
        raise(kDataTypeError);
        commandError();
        return;
    }
    respond(std::move(*text));
}

// Readings spread evenly between min and max, from the top 53 bits of each draw.
std::optional<std::string> DefinedInstrument::randomReadings(const Response &response) {
    const RandomReadings &random = response.random;
    std::string text;
    for (int i = 0; i < random.count; ++i) {
        const double unit = static_cast<double>(random_() >> 11) * 0x1.0p-53;
        const std::optional<std::string> reading =
            formatWith(response.format, random.min + (random.max - random.min) * unit);
        if (!reading)
            return std::nullopt;
        text += (i == 0 ? "" : ", ") + *reading;
    }
    return text;
}

void DefinedInstrument::flagCommandError() {
    for (std::size_t i = 0; i < registers_.size(); ++i)
        registers_[i] |= definition_->registers[i].commandError;
    for (std::size_t i = 0; i < queues_.size(); ++i) {
        const std::optional<std::string> &entry = definition_->queues[i].commandError;
        if (entry && queues_[i].size() < kLongestQueue)
            queues_[i].push_back(*entry);
    }
}

void DefinedInstrument::commandError() {
    flagCommandError();
    say(definition_->commandError, nullptr);
}

std::optional<std::size_t>
DefinedInstrument::selectedChannel(std::span<const std::string> ids) const {
    const std::optional<Value> selected =
        convert(device_.ofProperty[*definition_->selectedChannel][0], ValueType::Text);
    const auto found = std::ranges::find(ids, std::get<std::string>(*selected));
    if (found == ids.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - ids.begin());
}

} // namespace gpibsim::definitions
