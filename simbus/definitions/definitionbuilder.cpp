#include "simbus/definitions/definitionbuilder.h"

#include "simbus/definitions/propertyvalue.h"
#include "simbus/text.h"

#include <fmt/format.h>

#include <algorithm>
#include <ranges>

namespace gpibsim::definitions {

namespace {

constexpr std::string_view kSelectedChannel = "selected_channel";

// pyvisa-sim strips blanks around q, r and e.
std::string stripped(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == text.npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// A query written in the definition, compared as the instrument compares what it hears.
std::string queryKey(std::string_view query) {
    query = trim(query);
    const std::size_t gap = std::min(query.find_first_of(" \t"), query.size());
    return definitions::normalQuery(query.substr(0, gap), query.substr(gap));
}

// A setter's text with the gap after its header made one space, as a query's is.
std::string normalPattern(std::string_view pattern) {
    pattern = trim(pattern);
    const std::size_t gap = pattern.find_first_of(" \t");
    if (gap == pattern.npos || gap > pattern.find('{'))
        return std::string(pattern);
    return queryKey(pattern);
}

bool isFalse(std::string_view text) {
    constexpr std::string_view kFalse[] = {"False", "false", "FALSE", "no", "No",
                                           "NO",    "off",   "Off",   "OFF"};
    return std::ranges::find(kFalse, text) != std::ranges::end(kFalse);
}

// A query of a dialogue or getter, and the node that holds it.
struct Query {
    YAML::Node at{};
    std::string text{};
};

class Builder {
public:
    Builder(const YamlFile &file, const ChannelIds &channelIds)
        : file_(file), channelIds_(channelIds) {}

    std::shared_ptr<Definition> build(const std::string &name, const YAML::Node &device);

private:
    void readEom(const YAML::Node &eom);
    void readErrors(const YAML::Node &error);
    void readRegisters(const YAML::Node &registers);
    void readQueues(const YAML::Node &queues);
    void readComponent(const YAML::Node &node, Component &component, bool inChannel);
    Property readProperty(const std::string &name, const YAML::Node &node);
    std::optional<Specs> readSpecs(const YAML::Node &node);
    Value typed(const YAML::Node &node, const std::optional<Specs> &specs, std::string_view what);
    void checkGetter(const YAML::Node &at, const Property &property, const Response &response);
    void readChannels(const YAML::Node &channels);
    std::string bytes(const YAML::Node &at, std::string_view text);
    Response response(const YAML::Node &at, ParsedResponse parsed);
    std::vector<std::string> ids(const std::string &group, const YAML::Node &node);
    void addActions(Component &component, std::size_t channel,
                    const std::vector<std::string> &dialogueKeys,
                    const std::vector<std::string> &getterKeys);
    std::vector<std::string> queryKeys(const std::vector<Query> &queries);
    std::vector<std::vector<std::string>> channelKeys(const std::vector<Query> &queries,
                                                      const std::vector<std::string> &ids);

    const YamlFile &file_;
    const ChannelIds &channelIds_;
    std::shared_ptr<Definition> definition_;
    // The queries of the component just read, in the file's order.
    std::vector<Query> dialogueQueries_;
    std::vector<Query> getterQueries_;
};

std::shared_ptr<Definition> Builder::build(const std::string &name, const YAML::Node &device) {
    file_.expectMap(device, fmt::format("device \"{}\"", name));
    definition_ = std::make_shared<Definition>();
    definition_->name = name;
    if (device.IsNull())
        return definition_;
    if (device["bases"])
        file_.fail(device["bases"], "bases is not supported");
    if (const YAML::Node eom = device["eom"])
        readEom(eom);
    if (const YAML::Node error = device["error"])
        readErrors(error);
    readComponent(device, definition_->device, false);
    addActions(definition_->device, 0, queryKeys(dialogueQueries_), queryKeys(getterQueries_));
    if (const YAML::Node channels = device["channels"])
        readChannels(channels);
    return definition_;
}

void Builder::readEom(const YAML::Node &eom) {
    file_.expectMap(eom, "eom");
    if (!eom.IsMap() || !eom["GPIB INSTR"])
        return;
    const YAML::Node gpib = eom["GPIB INSTR"];
    file_.expectMap(gpib, "eom of GPIB INSTR");
    if (!gpib.IsMap())
        file_.fail(gpib, "eom of GPIB INSTR needs q and r");
    definition_->messageEnd = bytes(gpib["q"], stripped(file_.requiredText(gpib, "q")));
    definition_->responseEnd = bytes(gpib["r"], stripped(file_.requiredText(gpib, "r")));
}

void Builder::readErrors(const YAML::Node &error) {
    if (error.IsScalar() || error.IsNull()) {
        const std::string text = file_.text(error, "error");
        definition_->commandError = response(error, fixedResponse(text));
        definition_->queryError = definition_->commandError;
        return;
    }
    file_.expectMap(error, "error");
    if (const YAML::Node responses = error["response"]) {
        file_.expectMap(responses, "error response");
        if (responses.IsMap()) {
            definition_->commandError =
                response(responses, fixedResponse(file_.optionalText(responses, "command_error")));
            definition_->queryError =
                response(responses, fixedResponse(file_.optionalText(responses, "query_error")));
        }
    }
    // Registers win a query they share with a queue, so they are added last.
    if (const YAML::Node queues = error["error_queue"])
        readQueues(queues);
    if (const YAML::Node registers = error["status_register"])
        readRegisters(registers);
}

void Builder::readRegisters(const YAML::Node &registers) {
    file_.expectSequence(registers, "status_register");
    for (const YAML::Node &entry : registers) {
        file_.expectMap(entry, "a status register");
        DefinedRegister defined;
        for (const auto &item : entry) {
            const std::string name = file_.text(item.first, "a name");
            if (name == "q")
                continue;
            const std::optional<std::int64_t> bits = parseInt(file_.text(item.second, name));
            if (!bits)
                file_.fail(item.second, fmt::format("{} is not an integer", name));
            if (name == "command_error")
                defined.commandError = *bits;
            else if (name == "query_error")
                defined.queryError = *bits;
        }
        const std::string query = bytes(entry, file_.requiredText(entry, "q"));
        definition_->device.actions.insert_or_assign(
            queryKey(query), Action{Action::Kind::Register, definition_->registers.size()});
        definition_->registers.push_back(defined);
    }
}

void Builder::readQueues(const YAML::Node &queues) {
    file_.expectSequence(queues, "error_queue");
    for (const YAML::Node &entry : queues) {
        file_.expectMap(entry, "an error queue");
        const auto entryText = [&](const char *key) -> std::optional<std::string> {
            const std::optional<std::string> text = file_.optionalText(entry, key);
            if (!text)
                return std::nullopt;
            return bytes(entry[key], *text);
        };
        DefinedQueue defined{.whenEmpty = bytes(entry, file_.requiredText(entry, "default")),
                             .commandError = entryText("command_error"),
                             .queryError = entryText("query_error")};
        const std::string query = bytes(entry, file_.requiredText(entry, "q"));
        definition_->device.actions.insert_or_assign(
            queryKey(query), Action{Action::Kind::Queue, definition_->queues.size()});
        definition_->queues.push_back(std::move(defined));
    }
}

void Builder::readComponent(const YAML::Node &node, Component &component, bool inChannel) {
    dialogueQueries_.clear();
    getterQueries_.clear();
    if (const YAML::Node dialogues = node["dialogues"]) {
        file_.expectSequence(dialogues, "dialogues");
        for (const YAML::Node &dialogue : dialogues) {
            file_.expectMap(dialogue, "a dialogue");
            if (!dialogue.IsMap())
                file_.fail(dialogue, "a dialogue without q");
            const std::optional<std::string> reply = file_.optionalText(dialogue, "r");
            component.dialogues.push_back(
                response(dialogue["r"] ? dialogue["r"] : dialogue,
                         dialogueResponse(reply ? std::optional<std::string_view>(stripped(*reply))
                                                : std::nullopt)));
            dialogueQueries_.push_back(
                {dialogue, bytes(dialogue, stripped(file_.requiredText(dialogue, "q")))});
        }
    }
    if (const YAML::Node properties = node["properties"]) {
        file_.expectMap(properties, "properties");
        for (const auto &item : properties) {
            const std::string name = file_.text(item.first, "a property's name");
            const YAML::Node &value = item.second;
            component.properties.push_back(readProperty(name, value));
            const std::size_t index = component.properties.size() - 1;
            if (const YAML::Node getter = value["getter"]) {
                file_.expectMap(getter, "getter");
                const std::optional<std::string> reply =
                    getter.IsMap() ? file_.optionalText(getter, "r") : std::nullopt;
                Response shown =
                    response(getter["r"] ? getter["r"] : getter,
                             reply ? getterResponse(stripped(*reply)) : ParsedResponse{});
                checkGetter(getter, component.properties.back(), shown);
                component.getters.push_back({index, std::move(shown)});
                getterQueries_.push_back(
                    {getter, bytes(getter, stripped(file_.requiredText(getter, "q")))});
            }
            if (const YAML::Node setter = value["setter"]) {
                file_.expectMap(setter, "setter");
                if (!setter.IsMap())
                    file_.fail(setter, "a setter without q");
                SetterPattern::Parsed pattern = SetterPattern::parse(
                    normalPattern(stripped(file_.requiredText(setter, "q"))), inChannel);
                if (!pattern.error.empty())
                    file_.fail(setter["q"], fmt::format("setter of {}: {}", name, pattern.error));
                const auto fixed = [&](const char *key) {
                    const std::optional<std::string> text = file_.optionalText(setter, key);
                    return response(
                        setter[key] ? setter[key] : setter,
                        fixedResponse(text ? std::optional<std::string_view>(stripped(*text))
                                           : std::nullopt));
                };
                std::optional<Response> refused;
                if (setter["e"])
                    refused = fixed("e");
                component.setters.push_back(
                    {index, std::move(pattern.pattern), fixed("r"), std::move(refused)});
            }
        }
    }
}

Property Builder::readProperty(const std::string &name, const YAML::Node &node) {
    file_.expectMap(node, fmt::format("property {}", name));
    Property property{.name = name};
    if (node.IsNull())
        return property;
    property.specs = node["specs"] ? readSpecs(node["specs"]) : std::nullopt;
    const YAML::Node initial = node["default"];
    property.initial = initial ? typed(initial, property.specs, "default") : Value(std::string());
    if (!initial && property.specs && property.specs->type != ValueType::Text)
        file_.fail(node, fmt::format("property {} has no default {}", name,
                                     typeName(property.specs->type)));
    const Accepted accepted = acceptValue(property, property.initial);
    if (std::holds_alternative<DeviceError>(accepted))
        file_.fail(initial ? initial : node, fmt::format("default of {} outside its specs", name));
    return property;
}

std::optional<Specs> Builder::readSpecs(const YAML::Node &node) {
    file_.expectMap(node, "specs");
    if (node.IsNull() || node.size() == 0)
        return std::nullopt;
    const std::optional<ValueType> type =
        typeNamed(node["type"] ? file_.text(node["type"], "type") : "");
    if (!type)
        file_.fail(node["type"] ? node["type"] : node, "specs need a type: int, float or str");
    Specs specs{.type = *type};
    const std::optional<Specs> typeOnly = specs;
    if (const YAML::Node min = node["min"])
        specs.min = typed(min, typeOnly, "min");
    if (const YAML::Node max = node["max"])
        specs.max = typed(max, typeOnly, "max");
    if (const YAML::Node valid = node["valid"]) {
        file_.expectSequence(valid, "valid");
        for (const YAML::Node &value : valid)
            specs.valid.push_back(typed(value, typeOnly, "a valid value"));
    }
    return specs;
}

Value Builder::typed(const YAML::Node &node, const std::optional<Specs> &specs,
                     std::string_view what) {
    std::string text = file_.text(node, what);
    if (!specs)
        return text;
    std::optional<Value> value = convert(text, specs->type);
    if (!value)
        file_.fail(node, fmt::format("{} \"{}\" is not a {}", what, text, typeName(specs->type)));
    return std::move(*value);
}

// A getter must format its property's value: any value of the type its specs give, or else
// the default, which is all a property without specs has to go by.
void Builder::checkGetter(const YAML::Node &at, const Property &property, const Response &shown) {
    if (shown.kind != Response::Kind::Formatted)
        return;
    std::string wrong;
    if (!property.specs) {
        if (!formatProperty(shown.format, property.initial))
            wrong = fmt::format("cannot format the default \"{}\"",
                                std::get<std::string>(property.initial));
    } else {
        for (const Field *field : shown.format.fields()) {
            wrong = formatError(field->spec,
                                field->conversion != 0 ? ValueType::Text : property.specs->type);
            if (!wrong.empty())
                break;
        }
    }
    if (!wrong.empty())
        file_.fail(at["r"] ? at["r"] : at, fmt::format("getter of {}: {}", property.name, wrong));
}

void Builder::readChannels(const YAML::Node &channels) {
    file_.expectMap(channels, "channels");
    for (const auto &item : channels) {
        const std::string name = file_.text(item.first, "a channel group's name");
        const YAML::Node &node = item.second;
        file_.expectMap(node, fmt::format("channels {}", name));
        ChannelGroup &group = definition_->channels.emplace_back();
        if (node.IsNull())
            continue;
        group.ids = ids(name, node);
        group.canSelect =
            !(node["can_select"] && isFalse(file_.text(node["can_select"], "can_select")));
        readComponent(node, group, true);
        if (!group.canSelect) {
            addActions(group, 0, queryKeys(dialogueQueries_), queryKeys(getterQueries_));
            const auto &properties = definition_->device.properties;
            const auto selected = std::ranges::find(properties, kSelectedChannel, &Property::name);
            if (selected == properties.end())
                file_.fail(node["can_select"], "channels that cannot select need the device "
                                               "property selected_channel");
            definition_->selectedChannel = static_cast<std::size_t>(selected - properties.begin());
            continue;
        }
        const std::vector<std::vector<std::string>> dialogueKeys =
            channelKeys(dialogueQueries_, group.ids);
        const std::vector<std::vector<std::string>> getterKeys =
            channelKeys(getterQueries_, group.ids);
        // The first id wins a query that two ids share, so it is added last.
        for (std::size_t channel = group.ids.size(); channel-- > 0;)
            addActions(group, channel, dialogueKeys[channel], getterKeys[channel]);
    }
}

std::vector<std::string> Builder::ids(const std::string &group, const YAML::Node &node) {
    const auto given = channelIds_.find(group);
    if (given != channelIds_.end() && !given->second.empty())
        return given->second;
    std::vector<std::string> ids;
    if (const YAML::Node list = node["ids"]) {
        file_.expectSequence(list, "ids");
        for (const YAML::Node &id : list)
            ids.push_back(file_.text(id, "a channel id"));
    }
    return ids;
}

// Getters first, then dialogues, so that a dialogue wins a query both answer; within each,
// a later query wins over an earlier one.
void Builder::addActions(Component &component, std::size_t channel,
                         const std::vector<std::string> &dialogueKeys,
                         const std::vector<std::string> &getterKeys) {
    for (std::size_t i = 0; i < getterKeys.size(); ++i)
        component.actions.insert_or_assign(getterKeys[i], Action{Action::Kind::Getter, i, channel});
    for (std::size_t i = 0; i < dialogueKeys.size(); ++i)
        component.actions.insert_or_assign(dialogueKeys[i],
                                           Action{Action::Kind::Dialogue, i, channel});
}

std::vector<std::string> Builder::queryKeys(const std::vector<Query> &queries) {
    std::vector<std::string> keys;
    for (const Query &query : queries)
        keys.push_back(queryKey(query.text));
    return keys;
}

// For each channel, the queries with their {ch_id} fields showing the channel's id.
std::vector<std::vector<std::string>> Builder::channelKeys(const std::vector<Query> &queries,
                                                           const std::vector<std::string> &ids) {
    std::vector<std::vector<std::string>> keys(ids.size());
    for (const Query &query : queries) {
        const ParsedFormat format = parseFormatString(query.text);
        std::string wrong = format.error;
        for (const Field *field : format.format.fields())
            if (wrong.empty() && field->name != "ch_id")
                wrong = fmt::format("field {{{}}} where only {{ch_id}} can stand", field->name);
        if (!wrong.empty())
            file_.fail(query.at, fmt::format("channel query \"{}\": {}", query.text, wrong));
        for (std::size_t channel = 0; channel < ids.size(); ++channel) {
            const std::optional<std::string> key = formatWith(format.format, ids[channel]);
            if (!key)
                file_.fail(query.at, fmt::format("channel query \"{}\" cannot show the id {}",
                                                 query.text, ids[channel]));
            keys[channel].push_back(queryKey(*key));
        }
    }
    return keys;
}

std::string Builder::bytes(const YAML::Node &at, std::string_view text) {
    ParsedBytes parsed = definitionBytes(text);
    if (!parsed.error.empty())
        file_.fail(at, parsed.error);
    return std::move(parsed.bytes);
}

Response Builder::response(const YAML::Node &at, ParsedResponse parsed) {
    if (!parsed.error.empty())
        file_.fail(at, parsed.error);
    return std::move(parsed.response);
}

} // namespace

std::shared_ptr<Definition> buildDefinition(const YamlFile &file, const std::string &name,
                                            const YAML::Node &device,
                                            const ChannelIds &channelIds) {
    return Builder(file, channelIds).build(name, device);
}

} // namespace gpibsim::definitions
