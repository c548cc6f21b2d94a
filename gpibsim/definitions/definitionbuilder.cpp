// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/definitionbuilder.h"

#include "gpibsim/definitions/propertyvalue.h"
#include "gpibsim/instruments/headermatch.h"
#include "gpibsim/text/text.h"

#include <fmt/format.h>

#include <algorithm>
#include <ranges>

namespace gpibsim::definitions {

using pyformat::convert;
using pyformat::FormatString;
using pyformat::formatWithChannel;
using pyformat::parseFormatString;
using pyformat::parseInt;
using pyformat::SetterPattern;
using pyformat::str;
using pyformat::typeName;
using pyformat::typeNamed;
using pyformat::Value;
using pyformat::ValueType;

namespace {

constexpr std::string_view kSelectedChannel = "selected_channel";

// The interface types PyVISA knows, which an eom's key must name.
constexpr std::string_view kInterfaceTypes[] = {
    "unknown", "gpib",  "vxi",        "gpib_vxi",    "asrl",
    "pxi",     "tcpip", "usb",        "rio",         "firewire",
    "rsnrp",   "vicp",  "prlgx_asrl", "prlgx_tcpip", "ni_enet100_tcpip"};

// pyvisa-sim strips spaces, and only spaces, around q, r and e.
std::string stripped(std::string_view text) {
    return std::string(trim(text, " "));
}

// Each query does the action of its kind at its index; a later query replaces an earlier one.
void addActions(Actions &actions, const std::vector<std::string> &queries, Action::Kind kind,
                std::size_t channel = 0) {
    for (std::size_t i = 0; i < queries.size(); ++i)
        actions.insert_or_assign(queries[i], Action{kind, i, channel});
}

class Builder {
public:
    Builder(const YamlFile &file, const ChannelIds &channelIds)
        : file_(file), channelIds_(channelIds) {}

    std::shared_ptr<Definition> build(const std::string &name, const YamlNode &device);

private:
    std::optional<std::string> strippedText(const YamlNode &map, std::string_view key) const;
    void checkBases(const YamlNode &node);
    void readEom(const YamlNode &eom);
    void readErrors(const YamlNode &error);
    void readRegisters(const YamlNode &registers);
    void readQueues(const YamlNode &queues);
    void readComponent(const YamlNode &node, Component &component);
    void readDialogue(const YamlNode &dialogue, Component &component);
    void readProperty(const std::string &name, const YamlNode &node, Component &component);
    std::optional<Specs> readSpecs(const YamlNode &node);
    Value typed(const YamlNode &node, ValueType type, std::string_view what);
    void readChannels(const YamlNode &channels);
    std::vector<std::string> ids(const std::string &group, const YamlNode &node);
    void addChannelActions(ChannelGroup &group);
    std::string bytes(const YamlNode &at, std::string_view text);
    Response response(const YamlNode &at, ParsedResponse parsed);
    Value value(const YamlNode &node);

    const YamlFile &file_;
    const ChannelIds &channelIds_;
    std::shared_ptr<Definition> definition_;
    // The queries of the component just read, as bytes, in the file's order.
    std::vector<std::string> dialogueQueries_;
    std::vector<std::string> getterQueries_;
    std::vector<std::string> registerQueries_;
    std::vector<std::string> queueQueries_;
};

std::shared_ptr<Definition> Builder::build(const std::string &name, const YamlNode &device) {
    file_.expectMap(device, fmt::format("device \"{}\"", name));
    definition_ = std::make_shared<Definition>();
    definition_->name = name;
    if (const std::optional<std::string> delimiter = file_.optionalText(device, "delimiter"))
        definition_->delimiter = *delimiter;
    checkBases(device);
    if (const YamlNode *error = device.find("error"))
        readErrors(*error);
    if (const YamlNode *eom = device.find("eom"))
        readEom(*eom);
    readComponent(device, definition_->device);
    // A dialogue wins over a getter, a getter over a register, a register over a queue; a later
    // one over an earlier one of its kind.
    Actions &actions = definition_->device.actions;
    addActions(actions, queueQueries_, Action::Kind::Queue);
    addActions(actions, registerQueries_, Action::Kind::Register);
    addActions(actions, getterQueries_, Action::Kind::Getter);
    addActions(actions, dialogueQueries_, Action::Kind::Dialogue);
    for (const auto &entry : actions) {
        definition_->answersErrorQuery |= headerMatches("SYSTem:ERRor?", entry.first);
        definition_->answersEventStatus |= headerMatches("*ESR?", entry.first);
    }
    const std::vector<Property> &properties = definition_->device.properties;
    if (const auto selected = std::ranges::find(properties, kSelectedChannel, &Property::name);
        selected != properties.end())
        definition_->selectedChannel = static_cast<std::size_t>(selected - properties.begin());
    if (const YamlNode *channels = device.find("channels"))
        readChannels(*channels);
    return definition_;
}

// The text of `key`, stripped; nothing when the map has no such key.
std::optional<std::string> Builder::strippedText(const YamlNode &map, std::string_view key) const {
    const std::optional<std::string> text = file_.optionalText(map, key);
    return text ? std::optional<std::string>(stripped(*text)) : std::nullopt;
}

void Builder::checkBases(const YamlNode &node) {
    if (const YamlNode *bases = node.find("bases"); bases != nullptr && isTruthy(*bases))
        file_.fail(*bases, "bases is not supported, by pyvisa-sim either");
}

// The eom of each "TYPE CLASS" must be well formed; that of "GPIB INSTR" is kept.
void Builder::readEom(const YamlNode &eom) {
    file_.expectMap(eom, "eom");
    for (const auto &[key, pair] : eom.entries) {
        const std::string typeClass = key->text;
        file_.expectMap(*pair, fmt::format("eom of {}", typeClass));
        const std::string query =
            bytes(keyOr(*pair, "q"), stripped(file_.requiredText(*pair, "q")));
        const std::optional<std::string> reply = strippedText(*pair, "r");
        const std::vector<std::string_view> words = split(typeClass, ' ');
        if (words.size() != 2)
            file_.fail(*key, fmt::format("eom \"{}\" is not an interface type and a resource "
                                         "class",
                                         typeClass));
        const std::string_view type = words[0];
        if (std::ranges::none_of(kInterfaceTypes, [&](std::string_view known) {
                return equalsIgnoringCase(type, known);
            }))
            file_.fail(*key, fmt::format("eom \"{}\": unknown interface type", typeClass));
        if (!equalsIgnoringCase(type, "gpib") || words[1] != "INSTR")
            continue;
        definition_->messageEnd = query;
        definition_->responseEnd.reset();
        if (reply)
            definition_->responseEnd = bytes(keyOr(*pair, "r"), *reply);
    }
}

void Builder::readErrors(const YamlNode &error) {
    if (error.isScalar()) {
        definition_->commandError = response(error, fixedResponse(error.text));
        return;
    }
    file_.expectMap(error, "error");
    if (const YamlNode *responses = error.find("response")) {
        file_.expectMap(*responses, "error response");
        definition_->commandError =
            response(*responses, fixedResponse(file_.optionalText(*responses, "command_error")));
        // Checked as pyvisa-sim checks it, though never raised.
        response(*responses, fixedResponse(file_.optionalText(*responses, "query_error")));
    }
    if (const YamlNode *registers = error.find("status_register"))
        readRegisters(*registers);
    if (const YamlNode *queues = error.find("error_queue"))
        readQueues(*queues);
}

void Builder::readRegisters(const YamlNode &registers) {
    for (const YamlNode *item : file_.listItems(registers, "status_register")) {
        const YamlNode &entry = *item;
        file_.expectMap(entry, "a status register");
        const std::string query = bytes(entry, file_.requiredText(entry, "q"));
        DefinedRegister defined;
        for (const auto &[key, value] : entry.entries) {
            if (key->text == "q")
                continue;
            const std::optional<std::int64_t> bits = parseInt(file_.text(*value, key->text));
            if (!bits)
                file_.fail(*value, fmt::format("{} is not an integer", key->text));
            if (key->text == "command_error") {
                defined.commandError = *bits;
                definition_->commandErrorRegister = definition_->registers.size();
            }
        }
        registerQueries_.push_back(query);
        definition_->registers.push_back(defined);
    }
}

void Builder::readQueues(const YamlNode &queues) {
    for (const YamlNode *item : file_.listItems(queues, "error_queue")) {
        const YamlNode &entry = *item;
        file_.expectMap(entry, "an error queue");
        const std::string query = bytes(entry, file_.requiredText(entry, "q"));
        DefinedQueue defined;
        for (const auto &[key, value] : entry.entries) {
            if (key->text == "q" || key->text == "strict")
                continue;
            const std::string entryBytes = bytes(*value, file_.text(*value, key->text));
            if (key->text == "command_error")
                defined.commandError = entryBytes;
            else if (key->text == "default")
                defined.whenEmpty = entryBytes;
        }
        file_.requiredText(entry, "default"); // a queue needs one
        queueQueries_.push_back(query);
        definition_->queues.push_back(std::move(defined));
    }
}

void Builder::readComponent(const YamlNode &node, Component &component) {
    dialogueQueries_.clear();
    getterQueries_.clear();
    if (const YamlNode *dialogues = node.find("dialogues"))
        for (const YamlNode *dialogue : file_.listItems(*dialogues, "dialogues"))
            readDialogue(*dialogue, component);
    if (const YamlNode *properties = node.find("properties")) {
        file_.expectMap(*properties, "properties");
        for (const auto &[key, value] : properties->entries)
            readProperty(key->text, *value, component);
    }
}

void Builder::readDialogue(const YamlNode &dialogue, Component &component) {
    if (!dialogue.isMap())
        file_.fail(dialogue, "a dialogue without q");
    const std::string query = stripped(file_.requiredText(dialogue, "q"));
    component.dialogues.push_back(
        response(keyOr(dialogue, "r"), dialogueResponse(strippedText(dialogue, "r"))));
    dialogueQueries_.push_back(bytes(dialogue, query));
}

void Builder::readProperty(const std::string &name, const YamlNode &node, Component &component) {
    file_.expectMap(node, fmt::format("property {}", name));
    const YamlNode *getter = node.find("getter");
    const YamlNode *setter = node.find("setter");
    if (getter != nullptr)
        file_.expectMap(*getter, fmt::format("getter of {}", name));
    if (setter != nullptr)
        file_.expectMap(*setter, fmt::format("setter of {}", name));
    Property property{.name = name};
    const YamlNode *specs = node.find("specs");
    property.specs = specs != nullptr ? readSpecs(*specs) : std::nullopt;
    const YamlNode *initial = node.find("default");
    const Accepted accepted =
        acceptValue(property, initial != nullptr ? value(*initial) : Value(std::string()));
    if (!std::holds_alternative<Value>(accepted))
        file_.fail(
            initial != nullptr ? *initial : node,
            std::holds_alternative<Raised>(accepted) ||
                    std::get<DeviceError>(accepted).code == kDataTypeError.code
                ? fmt::format("default of {} is not a {}", name, typeName(property.specs->type))
                : fmt::format("default of {} outside its specs", name));
    property.initial = std::get<Value>(accepted);
    const std::size_t index = component.properties.size();
    component.properties.push_back(std::move(property));
    if (getter != nullptr) {
        const std::string query = stripped(file_.requiredText(*getter, "q"));
        component.getters.push_back({index, getterResponse(strippedText(*getter, "r"))});
        getterQueries_.push_back(bytes(*getter, query));
    }
    if (setter == nullptr)
        return;
    SetterPattern::Parsed pattern =
        SetterPattern::parse(stripped(file_.requiredText(*setter, "q")));
    if (!pattern.error.empty())
        file_.fail(keyOr(*setter, "q"), fmt::format("setter of {}: {}", name, pattern.error));
    const auto fixed = [&](const char *key) {
        return response(keyOr(*setter, key), fixedResponse(strippedText(*setter, key)));
    };
    std::optional<Response> refused;
    if (setter->find("e") != nullptr)
        refused = fixed("e");
    component.setters.push_back(
        {index, std::move(pattern.pattern), fixed("r"), std::move(refused)});
}

// Empty specs are none; others need a type.
std::optional<Specs> Builder::readSpecs(const YamlNode &node) {
    if (!isTruthy(node))
        return std::nullopt;
    file_.expectMap(node, "specs");
    const YamlNode *typeNode = node.find("type");
    const std::optional<ValueType> type =
        typeNode != nullptr && typeNode->isScalar() ? typeNamed(typeNode->text) : std::nullopt;
    if (!type)
        file_.fail(keyOr(node, "type"), "specs need a type: int, float or str");
    Specs specs{.type = *type};
    if (const YamlNode *min = node.find("min"))
        specs.min = typed(*min, *type, "min");
    if (const YamlNode *max = node.find("max"))
        specs.max = typed(*max, *type, "max");
    if (const YamlNode *valid = node.find("valid")) {
        const std::optional<std::vector<Value>> values = iterated(*valid);
        if (!values)
            file_.fail(*valid, fmt::format("valid holds more than {} items", kMostValueItems));
        for (const Value &each : *values) {
            std::optional<Value> converted = convert(each, *type);
            if (!converted)
                file_.fail(*valid, fmt::format("a valid value \"{}\" is not a {}", str(each),
                                               typeName(*type)));
            specs.valid.push_back(std::move(*converted));
        }
    }
    return specs;
}

Value Builder::typed(const YamlNode &node, ValueType type, std::string_view what) {
    const Value given = value(node);
    std::optional<Value> converted = convert(given, type);
    if (!converted)
        file_.fail(node, fmt::format("{} \"{}\" is not a {}", what, str(given), typeName(type)));
    return std::move(*converted);
}

void Builder::readChannels(const YamlNode &channels) {
    file_.expectMap(channels, "channels");
    for (const auto &[key, value] : channels.entries) {
        const std::string &name = key->text;
        const YamlNode &node = *value;
        file_.expectMap(node, fmt::format("channels {}", name));
        checkBases(node);
        ChannelGroup &group = definition_->channels.emplace_back();
        group.ids = ids(name, node);
        const YamlNode *canSelect = node.find("can_select");
        // Not Python's truth of the value, by which pyvisa-sim reads `bundled` and `channels`:
        // it compares can_select with the text "False", so "false", "no" or "" still select.
        group.canSelect =
            canSelect == nullptr || !canSelect->isScalar() || canSelect->text != "False";
        readComponent(node, group);
        addChannelActions(group);
    }
}

std::vector<std::string> Builder::ids(const std::string &group, const YamlNode &node) {
    if (const auto given = channelIds_.find(group);
        given != channelIds_.end() && !given->second.empty())
        return given->second;
    std::vector<std::string> ids;
    if (const YamlNode *list = node.find("ids")) {
        const std::optional<std::vector<Value>> values = iterated(*list);
        if (!values)
            file_.fail(*list, fmt::format("ids hold more than {} items", kMostValueItems));
        for (const Value &id : *values)
            ids.push_back(str(id));
    }
    return ids;
}

// A group that cannot select compares queries as written. One that can compares them with each
// id in place of {ch_id}: the first id wins a query two ids share, and for one id a dialogue
// wins over a getter. Where Python raises as it puts an id into a query, every query that
// reaches the group raises too.
void Builder::addChannelActions(ChannelGroup &group) {
    if (!group.canSelect) {
        addActions(group.actions, getterQueries_, Action::Kind::Getter);
        addActions(group.actions, dialogueQueries_, Action::Kind::Dialogue);
        return;
    }
    const auto keysOf = [&](const std::vector<std::string> &queries, bool &raises) {
        std::vector<std::vector<std::string>> keys(group.ids.size());
        for (const std::string &query : queries) {
            const FormatString format = parseFormatString(query);
            for (std::size_t channel = 0; channel < group.ids.size(); ++channel) {
                const std::optional<std::string> key =
                    isUtf8(query) ? formatWithChannel(format, group.ids[channel]) : std::nullopt;
                raises |= !key;
                keys[channel].push_back(key.value_or(""));
            }
        }
        return keys;
    };
    const std::vector<std::vector<std::string>> dialogueKeys =
        keysOf(dialogueQueries_, group.dialogueQueriesRaise);
    const std::vector<std::vector<std::string>> getterKeys =
        keysOf(getterQueries_, group.getterQueriesRaise);
    for (std::size_t channel = group.ids.size(); channel-- > 0;) {
        addActions(group.actions, getterKeys[channel], Action::Kind::Getter, channel);
        addActions(group.actions, dialogueKeys[channel], Action::Kind::Dialogue, channel);
    }
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

Value Builder::value(const YamlNode &node) {
    std::optional<Value> held = valueOf(node);
    if (!held)
        file_.fail(node, fmt::format("a value of more than {} items", kMostValueItems));
    return std::move(*held);
}

} // namespace

std::shared_ptr<Definition> buildDefinition(const YamlFile &file, const std::string &name,
                                            const YamlNode &device, const ChannelIds &channelIds) {
    return Builder(file, channelIds).build(name, device);
}

} // namespace gpibsim::definitions
