// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/definitions/yamldocument.h"
#include "gpibsim/pyformat/value.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim::definitions {

// The node of `key` when `map` has one, else the map: where a report about the key points.
const YamlNode &keyOr(const YamlNode &map, std::string_view key);

// Why a definition file is refused: "file:line:column: what is wrong".
struct LoadFailure {
    std::string message{};
};

// The nodes of one definition file, read with checks whose failures name the file and the line
// and column of the node at fault, and are thrown as LoadFailure. The checks are those of
// pyvisa-sim's Python: a mapping where it looks a key up, text where it strips or splits.
class YamlFile {
public:
    explicit YamlFile(std::string path) : path_(std::move(path)) {}

    const std::string &path() const { return path_; }
    std::string where(const YamlNode &node) const;
    [[noreturn]] void fail(const YamlNode &at, std::string_view what) const;

    std::string text(const YamlNode &node, std::string_view what) const;
    std::optional<std::string> optionalText(const YamlNode &map, std::string_view key) const;
    std::string requiredText(const YamlNode &map, std::string_view key) const;
    void expectMap(const YamlNode &node, std::string_view what) const;
    // The items of a list; empty text or an empty mapping, which Python iterates without a
    // turn, give none.
    std::vector<const YamlNode *> listItems(const YamlNode &node, std::string_view what) const;

private:
    std::string path_;
};

// Whether Python takes the node as true: text, a list or a mapping that is not empty.
bool isTruthy(const YamlNode &node);

// A list or mapping holding more than this many items, counting those an alias repeats, is
// refused: its text would not fit in a reply.
inline constexpr std::size_t kMostValueItems = 100000;

// The node as Python holds it: text, a list, or a dict whose keys are text; nothing when it
// holds too many items.
std::optional<pyformat::Value> valueOf(const YamlNode &node);

// What Python's for loop gives over the node: a list's items, a text's characters, a mapping's
// keys; nothing when an item holds too many.
std::optional<std::vector<pyformat::Value>> iterated(const YamlNode &node);

} // namespace gpibsim::definitions
