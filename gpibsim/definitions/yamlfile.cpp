// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/yamlfile.h"

#include "gpibsim/text/text.h"

#include <fmt/format.h>

#include <algorithm>
#include <unordered_map>

namespace gpibsim::definitions {

using pyformat::Container;
using pyformat::Value;

const YamlNode &keyOr(const YamlNode &map, std::string_view key) {
    const YamlNode *value = map.find(key);
    return value != nullptr ? *value : map;
}

std::string YamlFile::where(const YamlNode &node) const {
    if (node.line < 0)
        return path_;
    return fmt::format("{}:{}:{}", path_, node.line + 1, node.column + 1);
}

void YamlFile::fail(const YamlNode &at, std::string_view what) const {
    throw LoadFailure{fmt::format("{}: {}", where(at), what)};
}

std::string YamlFile::text(const YamlNode &node, std::string_view what) const {
    if (!node.isScalar())
        fail(node, fmt::format("{} is not a single value", what));
    return node.text;
}

std::optional<std::string> YamlFile::optionalText(const YamlNode &map, std::string_view key) const {
    const YamlNode *node = map.find(key);
    if (node == nullptr)
        return std::nullopt;
    return text(*node, key);
}

std::string YamlFile::requiredText(const YamlNode &map, std::string_view key) const {
    std::optional<std::string> value = optionalText(map, key);
    if (!value)
        fail(map, fmt::format("no {}", key));
    return std::move(*value);
}

void YamlFile::expectMap(const YamlNode &node, std::string_view what) const {
    if (!node.isMap())
        fail(node, fmt::format("{} is not a mapping", what));
}

std::vector<const YamlNode *> YamlFile::listItems(const YamlNode &node,
                                                  std::string_view what) const {
    if (node.isSequence())
        return node.items;
    if (isTruthy(node))
        fail(node, fmt::format("{} is not a list", what));
    return {};
}

bool isTruthy(const YamlNode &node) {
    return !node.text.empty() || !node.items.empty() || !node.entries.empty();
}

namespace {

// Items under the node, each alias counted again, up to the limit.
std::size_t itemCount(const YamlNode &node,
                      std::unordered_map<const YamlNode *, std::size_t> &counted) {
    if (node.isScalar() || node.isNull())
        return 0;
    if (const auto known = counted.find(&node); known != counted.end())
        return known->second;
    std::size_t count = node.items.size() + node.entries.size();
    for (const YamlNode *item : node.items)
        count = std::min(count + itemCount(*item, counted), kMostValueItems + 1);
    for (const auto &entry : node.entries)
        count = std::min(count + itemCount(*entry.second, counted), kMostValueItems + 1);
    counted[&node] = count;
    return count;
}

// An alias shares its anchor's value.
Value built(const YamlNode &node, std::unordered_map<const YamlNode *, Value> &made) {
    if (node.isScalar() || node.isNull())
        return node.text;
    if (const auto known = made.find(&node); known != made.end())
        return known->second;
    auto container = std::make_shared<Container>();
    container->dict = node.isMap();
    for (const YamlNode *item : node.items)
        container->items.push_back(built(*item, made));
    for (const auto &[key, value] : node.entries) {
        container->keys.emplace_back(key->text);
        container->items.push_back(built(*value, made));
    }
    return made[&node] = std::move(container);
}

} // namespace

std::optional<Value> valueOf(const YamlNode &node) {
    std::unordered_map<const YamlNode *, std::size_t> counted;
    if (itemCount(node, counted) > kMostValueItems)
        return std::nullopt;
    std::unordered_map<const YamlNode *, Value> made;
    return built(node, made);
}

std::optional<std::vector<Value>> iterated(const YamlNode &node) {
    std::vector<Value> values;
    if (node.isSequence()) {
        for (const YamlNode *item : node.items) {
            std::optional<Value> value = valueOf(*item);
            if (!value)
                return std::nullopt;
            values.push_back(std::move(*value));
        }
    } else if (node.isMap()) {
        for (const auto &entry : node.entries)
            values.emplace_back(entry.first->text);
    } else {
        const std::string_view text = node.text;
        for (std::size_t at = 0; at < text.size(); at += firstCharacter(text.substr(at)))
            values.emplace_back(std::string(text.substr(at, firstCharacter(text.substr(at)))));
    }
    return values;
}

} // namespace gpibsim::definitions
