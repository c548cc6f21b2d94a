// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/definitions/yamldocument.h"

#include <optional>
#include <string>
#include <string_view>

namespace gpibsim::definitions {

// The node of `key` when `map` has one, else the map: where a report about the key points.
const YamlNode &keyOr(const YamlNode &map, std::string_view key);

// Why a definition file is refused: "file:line:column: what is wrong".
struct LoadFailure {
    std::string message{};
};

// The nodes of one definition file, read with checks whose failures name the file and the line
// and column of the node at fault, and are thrown as LoadFailure.
class YamlFile {
public:
    explicit YamlFile(std::string path) : path_(std::move(path)) {}

    const std::string &path() const { return path_; }
    std::string where(const YamlNode &node) const;
    [[noreturn]] void fail(const YamlNode &at, std::string_view what) const;

    // A scalar's text; a null node is empty text, as an empty value is.
    std::string text(const YamlNode &node, std::string_view what) const;
    std::optional<std::string> optionalText(const YamlNode &map, std::string_view key) const;
    std::string requiredText(const YamlNode &map, std::string_view key) const;
    // A mapping, a sequence, or nothing (null).
    void expectMap(const YamlNode &node, std::string_view what) const;
    void expectSequence(const YamlNode &node, std::string_view what) const;

private:
    std::string path_;
};

} // namespace gpibsim::definitions
