// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/yamlfile.h"

#include <fmt/format.h>

namespace gpibsim::definitions {

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
    if (node.isNull())
        return {};
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
    if (!node.isMap() && !node.isNull())
        fail(node, fmt::format("{} is not a mapping", what));
}

void YamlFile::expectSequence(const YamlNode &node, std::string_view what) const {
    if (!node.isSequence() && !node.isNull())
        fail(node, fmt::format("{} is not a list", what));
}

} // namespace gpibsim::definitions
