#include "simbus/definitions/yamlfile.h"

#include <fmt/format.h>

namespace gpibsim::definitions {

std::string YamlFile::where(const YAML::Node &node) const {
    const YAML::Mark mark = node.Mark();
    if (mark.is_null())
        return path_;
    return fmt::format("{}:{}:{}", path_, mark.line + 1, mark.column + 1);
}

void YamlFile::fail(const YAML::Node &at, std::string_view what) const {
    throw LoadFailure{fmt::format("{}: {}", where(at), what)};
}

std::string YamlFile::text(const YAML::Node &node, std::string_view what) const {
    if (node.IsNull())
        return {};
    if (!node.IsScalar())
        fail(node, fmt::format("{} is not a single value", what));
    return node.Scalar();
}

std::optional<std::string> YamlFile::optionalText(const YAML::Node &map, const char *key) const {
    const YAML::Node node = map[key];
    if (!node)
        return std::nullopt;
    return text(node, key);
}

std::string YamlFile::requiredText(const YAML::Node &map, const char *key) const {
    std::optional<std::string> value = optionalText(map, key);
    if (!value)
        fail(map, fmt::format("no {}", key));
    return std::move(*value);
}

void YamlFile::expectMap(const YAML::Node &node, std::string_view what) const {
    if (!node.IsMap() && !node.IsNull())
        fail(node, fmt::format("{} is not a mapping", what));
}

void YamlFile::expectSequence(const YAML::Node &node, std::string_view what) const {
    if (!node.IsSequence() && !node.IsNull())
        fail(node, fmt::format("{} is not a list", what));
}

} // namespace gpibsim::definitions
