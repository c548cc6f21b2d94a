// SPDX-License-Identifier: MIT
#include "simbus/definitions/definitionbuilder.h"

#include "simbus/definitions/propertyvalue.h"
#include "simbus/headermatch.h"
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
    const YamlNode *at = nullptr;
    std::string text{};
};

class Builder {
public:
    Builder(const YamlFile &file, const ChannelIds &channelIds)
        : file_(file), channelIds_(channelIds) {}

    std::shared_ptr<Definition> build(const std::string &name, const YamlNode &device);

private:
    void readEom(const YamlNode &eom);
    void readErrors(const YamlNode &error);
    void readRegisters(const YamlNode &registers);
    void readQueues(const YamlNode &queues);
    void readComponent(const YamlNode &node, Component &component, bool inChannel);
    void readDialogue(const YamlNode &dialogue, Component &component);
    void readGetter(const YamlNode &getter, Component &component);
    void readSetter(const YamlNode &setter, Component &component, bool inChannel);
    Property readProperty(const std::string &name, const YamlNode &node);
    std::optional<Specs> readSpecs(const YamlNode &node);
    Value typed(const YamlNode &node, const std::optional<Specs> &specs, std::string_view what);
    void checkGetter(const YamlNode &at, const Property &property, const Response &response);
    void readChannels(const YamlNode &channels);
    std::string bytes(const YamlNode &at, std::string_view text);
    Response response(const YamlNode &at, ParsedResponse parsed);
    std::vector<std::string> ids(const std::string &group, const YamlNode &node);
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

std::shared_ptr<Definition> Builder::build(const std::string &name, const YamlNode &device) {
    file_.expectMap(device, fmt::format("device \"{}\"", name));
    definition_ = std::make_shared<Definition>();
    definition_->name = name;
    if (const YamlNode *bases = device.find("bases"))
        file_.fail(*bases, "bases is not supported");
    if (const YamlNode *eom = device.find("eom"))
        readEom(*eom);
    if (const YamlNode *error = device.find("error"))
        readErrors(*error);
    readComponent(device, definition_->device, false);
    addActions(definition_->device, 0, queryKeys(dialogueQueries_), queryKeys(getterQueries_));
    for (const auto &entry : definition_->device.actions) {
        definition_->answersErrorQuery |= headerMatches("SYSTem:ERRor?", entry.first);
        definition_->answersEventStatus |= headerMatches("*ESR?", entry.first);
    }
    if (const YamlNode *channels = device.find("channels"))
        readChannels(*channels);
    return definition_;
}

void Builder::readEom(const YamlNode &eom) {
    file_.expectMap(eom, "eom");
    const YamlNode *gpib = eom.find("GPIB INSTR");
    if (gpib == nullptr)
        return;
    if (!gpib->isMap())
        file_.fail(*gpib, "eom of GPIB INSTR needs q and r");
    definition_->messageEnd = bytes(keyOr(*gpib, "q"), stripped(file_.requiredText(*gpib, "q")));
    definition_->responseEnd = bytes(keyOr(*gpib, "r"), stripped(file_.requiredText(*gpib, "r")));
}

void Builder::readErrors(const YamlNode &error) {
    if (error.isScalar() || error.isNull()) {
        const std::string text = file_.text(error, "error");
        definition_->commandError = response(error, fixedResponse(text));
        return;
    }
    file_.expectMap(error, "error");
    if (const YamlNode *responses = error.find("response")) {
        file_.expectMap(*responses, "error response");
        definition_->commandError =
            response(*responses, fixedResponse(file_.optionalText(*responses, "command_error")));
        response(keyOr(*responses, "query_error"),
                 fixedResponse(file_.optionalText(*responses, "query_error")));
    }
    // Registers win a query they share with a queue, so they are added last.
    if (const YamlNode *queues = error.find("error_queue"))
        readQueues(*queues);
    if (const YamlNode *registers = error.find("status_register"))
        readRegisters(*registers);
}

void Builder::readRegisters(const YamlNode &registers) {
    file_.expectSequence(registers, "status_register");
    for (const YamlNode *item : registers.items) {
        const YamlNode &entry = *item;
        file_.expectMap(entry, "a status register");
        DefinedRegister defined;
        for (const auto &[key, value] : entry.entries) {
            const std::string name = file_.text(*key, "a name");
            if (name == "q")
                continue;
            const std::optional<std::int64_t> bits = parseInt(file_.text(*value, name));
            if (!bits)
                file_.fail(*value, fmt::format("{} is not an integer", name));
            if (name == "command_error")
                defined.commandError = *bits;
        }
        const std::string query = bytes(entry, file_.requiredText(entry, "q"));
        definition_->device.actions.insert_or_assign(
            queryKey(query), Action{Action::Kind::Register, definition_->registers.size()});
        definition_->registers.push_back(defined);
    }
}

void Builder::readQueues(const YamlNode &queues) {
    file_.expectSequence(queues, "error_queue");
    for (const YamlNode *item : queues.items) {
        const YamlNode &entry = *item;
        file_.expectMap(entry, "an error queue");
        const auto entryText = [&](const char *key) -> std::optional<std::string> {
            const std::optional<std::string> text = file_.optionalText(entry, key);
            if (!text)
                return std::nullopt;
            return bytes(keyOr(entry, key), *text);
        };
        entryText("query_error");
        DefinedQueue defined{.whenEmpty = bytes(entry, file_.requiredText(entry, "default")),
                             .commandError = entryText("command_error")};
        const std::string query = bytes(entry, file_.requiredText(entry, "q"));
        definition_->device.actions.insert_or_assign(
            queryKey(query), Action{Action::Kind::Queue, definition_->queues.size()});
        definition_->queues.push_back(std::move(defined));
    }
}

void Builder::readComponent(const YamlNode &node, Component &component, bool inChannel) {
    dialogueQueries_.clear();
    getterQueries_.clear();
    if (const YamlNode *dialogues = node.find("dialogues")) {
        file_.expectSequence(*dialogues, "dialogues");
        for (const YamlNode *dialogue : dialogues->items)
            readDialogue(*dialogue, component);
    }
    if (const YamlNode *properties = node.find("properties")) {
        file_.expectMap(*properties, "properties");
        for (const auto &[key, value] : properties->entries) {
            const std::string name = file_.text(*key, "a property's name");
            component.properties.push_back(readProperty(name, *value));
            if (const YamlNode *getter = value->find("getter"))
                readGetter(*getter, component);
            if (const YamlNode *setter = value->find("setter"))
                readSetter(*setter, component, inChannel);
        }
    }
}

void Builder::readDialogue(const YamlNode &dialogue, Component &component) {
    if (!dialogue.isMap())
        file_.fail(dialogue, "a dialogue without q");
    const std::optional<std::string> reply = file_.optionalText(dialogue, "r");
    component.dialogues.push_back(
        response(keyOr(dialogue, "r"),
                 dialogueResponse(reply ? std::optional<std::string_view>(stripped(*reply))
                                        : std::nullopt)));
    dialogueQueries_.push_back(
        {&dialogue, bytes(dialogue, stripped(file_.requiredText(dialogue, "q")))});
}

// A getter of the property read last.
void Builder::readGetter(const YamlNode &getter, Component &component) {
    file_.expectMap(getter, "getter");
    const std::optional<std::string> reply = file_.optionalText(getter, "r");
    Response shown =
        response(keyOr(getter, "r"), reply ? getterResponse(stripped(*reply)) : ParsedResponse{});
    checkGetter(getter, component.properties.back(), shown);
    component.getters.push_back({component.properties.size() - 1, std::move(shown)});
    getterQueries_.push_back({&getter, bytes(getter, stripped(file_.requiredText(getter, "q")))});
}

// A setter of the property read last.
void Builder::readSetter(const YamlNode &setter, Component &component, bool inChannel) {
    file_.expectMap(setter, "setter");
    SetterPattern::Parsed pattern =
        SetterPattern::parse(normalPattern(stripped(file_.requiredText(setter, "q"))), inChannel);
    if (!pattern.error.empty())
        file_.fail(
            keyOr(setter, "q"),
            fmt::format("setter of {}: {}", component.properties.back().name, pattern.error));
    const auto fixed = [&](const char *key) {
        const std::optional<std::string> text = file_.optionalText(setter, key);
        return response(
            keyOr(setter, key),
            fixedResponse(text ? std::optional<std::string_view>(stripped(*text)) : std::nullopt));
    };
    std::optional<Response> refused;
    if (setter.find("e") != nullptr)
        refused = fixed("e");
    component.setters.push_back({component.properties.size() - 1, std::move(pattern.pattern),
                                 fixed("r"), std::move(refused)});
}

Property Builder::readProperty(const std::string &name, const YamlNode &node) {
    file_.expectMap(node, fmt::format("property {}", name));
    Property property{.name = name};
    const YamlNode *specs = node.find("specs");
    property.specs = specs != nullptr ? readSpecs(*specs) : std::nullopt;
    const YamlNode *initial = node.find("default");
    property.initial =
        initial != nullptr ? typed(*initial, property.specs, "default") : Value(std::string());
    if (!initial && property.specs && property.specs->type != ValueType::Text)
        file_.fail(node, fmt::format("property {} has no default {}", name,
                                     typeName(property.specs->type)));
    const Accepted accepted = acceptValue(property, property.initial);
    if (std::holds_alternative<DeviceError>(accepted))
        file_.fail(keyOr(node, "default"), fmt::format("default of {} outside its specs", name));
    return property;
}

std::optional<Specs> Builder::readSpecs(const YamlNode &node) {
    file_.expectMap(node, "specs");
    if (node.entries.empty())
        return std::nullopt;
    const std::optional<ValueType> type = typeNamed(file_.optionalText(node, "type").value_or(""));
    if (!type)
        file_.fail(keyOr(node, "type"), "specs need a type: int, float or str");
    Specs specs{.type = *type};
    const std::optional<Specs> typeOnly = specs;
    if (const YamlNode *min = node.find("min"))
        specs.min = typed(*min, typeOnly, "min");
    if (const YamlNode *max = node.find("max"))
        specs.max = typed(*max, typeOnly, "max");
    if (const YamlNode *valid = node.find("valid")) {
        file_.expectSequence(*valid, "valid");
        for (const YamlNode *value : valid->items)
            specs.valid.push_back(typed(*value, typeOnly, "a valid value"));
    }
    return specs;
}

Value Builder::typed(const YamlNode &node, const std::optional<Specs> &specs,
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
void Builder::checkGetter(const YamlNode &at, const Property &property, const Response &shown) {
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
        file_.fail(keyOr(at, "r"), fmt::format("getter of {}: {}", property.name, wrong));
}

void Builder::readChannels(const YamlNode &channels) {
    file_.expectMap(channels, "channels");
    for (const auto &[key, value] : channels.entries) {
        const std::string name = file_.text(*key, "a channel group's name");
        const YamlNode &node = *value;
        file_.expectMap(node, fmt::format("channels {}", name));
        ChannelGroup &group = definition_->channels.emplace_back();
        group.ids = ids(name, node);
        group.canSelect = !isFalse(file_.optionalText(node, "can_select").value_or(""));
        readComponent(node, group, true);
        if (!group.canSelect) {
            addActions(group, 0, queryKeys(dialogueQueries_), queryKeys(getterQueries_));
            const auto &properties = definition_->device.properties;
            const auto selected = std::ranges::find(properties, kSelectedChannel, &Property::name);
            if (selected == properties.end())
                file_.fail(keyOr(node, "can_select"), "channels that cannot select need the device "
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

std::vector<std::string> Builder::ids(const std::string &group, const YamlNode &node) {
    const auto given = channelIds_.find(group);
    if (given != channelIds_.end() && !given->second.empty())
        return given->second;
    std::vector<std::string> ids;
    if (const YamlNode *list = node.find("ids")) {
        file_.expectSequence(*list, "ids");
        for (const YamlNode *id : list->items)
            ids.push_back(file_.text(*id, "a channel id"));
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
            file_.fail(keyOr(*query.at, "q"),
                       fmt::format("channel query \"{}\": {}", query.text, wrong));
        for (std::size_t channel = 0; channel < ids.size(); ++channel) {
            const std::optional<std::string> key = formatWith(format.format, ids[channel]);
            if (!key)
                file_.fail(keyOr(*query.at, "q"),
                           fmt::format("channel query \"{}\" cannot show the id {}", query.text,
                                       ids[channel]));
            keys[channel].push_back(queryKey(*key));
        }
    }
    return keys;
}

std::string Builder::bytes(const YamlNode &at, std::string_view text) {
    ParsedBytes parsed = definitionBytes(text);
    if (!parsed.error.empty())
        file_.fail(at, parsed.error);
    return std::move(parsed.bytes);
}

Response Builder::response(const YamlNode &at, ParsedResponse parsed) {
    if (!parsed.error.empty())
        file_.fail(at, parsed.error);
    return std::move(parsed.response);
}

} // namespace

std::shared_ptr<Definition> buildDefinition(const YamlFile &file, const std::string &name,
                                            const YamlNode &device, const ChannelIds &channelIds) {
    return Builder(file, channelIds).build(name, device);
}

} // namespace gpibsim::definitions
