// SPDX-License-Identifier: MIT
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace gpibsim::definitions {

// A node of a definition file: a scalar's text, a list or a mapping, and where it starts. As with
// PyYAML's BaseLoader, which pyvisa-sim reads with, every scalar is text: an empty value is "",
// and ~ and null are those words. Only an empty document is Null.
struct YamlNode {
    enum class Kind { Null, Scalar, Sequence, Map };

    Kind kind = Kind::Null;
    int line = -1; // from 0; -1 where the file has no such place
    int column = -1;
    std::string text{};                    // Scalar
    std::vector<const YamlNode *> items{}; // Sequence
    // Map: each key, a scalar, once, where it first stands, with its last value, as a Python dict
    // keeps them.
    std::vector<std::pair<const YamlNode *, const YamlNode *>> entries{};

    bool isNull() const { return kind == Kind::Null; }
    bool isScalar() const { return kind == Kind::Scalar; }
    bool isSequence() const { return kind == Kind::Sequence; }
    bool isMap() const { return kind == Kind::Map; }
    // The value of `key` in a mapping (the last written, if the file repeats the key); null if
    // none.
    const YamlNode *find(std::string_view key) const;
};

// The one document of a YAML text, read through yaml-cpp's parser into plain nodes, which the
// definitions read several times faster than yaml-cpp's own. An alias shares its anchor's node.
// Malformed YAML throws YAML::ParserException, as do what PyYAML refuses besides (a second
// document, a list or mapping as a key) and an alias inside its own anchor, which would make a
// node hold itself.
class YamlDocument {
public:
    explicit YamlDocument(std::string_view text);
    YamlDocument(const YamlDocument &) = delete;
    YamlDocument &operator=(const YamlDocument &) = delete;

    const YamlNode &root() const { return *root_; }

private:
    class Builder;

    std::deque<YamlNode> nodes_; // a deque keeps the nodes where they are as it grows
    const YamlNode *root_;
};

} // namespace gpibsim::definitions
