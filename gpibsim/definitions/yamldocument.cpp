// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/yamldocument.h"

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/exceptions.h>
#include <yaml-cpp/mark.h>
#include <yaml-cpp/parser.h>

#include <algorithm>
#include <map>
#include <optional>
#include <sstream>
#include <unordered_map>

namespace gpibsim::definitions {

const YamlNode *YamlNode::find(std::string_view key) const {
    for (const auto &[name, node] : entries)
        if (name->text == key)
            return node;
    return nullptr;
}

// Each event adds a node to the list or mapping open at the moment; a mapping takes a key, then
// its value.
class YamlDocument::Builder : public YAML::EventHandler {
public:
    Builder(std::deque<YamlNode> &nodes, std::string_view text) : nodes_(nodes), text_(text) {}

    const YamlNode *root() const { return root_; }

    void OnDocumentStart(const YAML::Mark &) override {}
    void OnDocumentEnd() override { settleNull(std::nullopt); }
    // yaml-cpp reports ~, null and an empty value alike; the text tells them apart.
    void OnNull(const YAML::Mark &mark, YAML::anchor_t anchor) override {
        settleNull(mark.pos);
        YamlNode *node = make(YamlNode::Kind::Scalar, mark, anchor);
        pendingNull_ = {node, static_cast<std::size_t>(mark.pos)};
        add(node);
    }
    void OnAlias(const YAML::Mark &mark, YAML::anchor_t anchor) override {
        settleNull(mark.pos);
        const YamlNode *node = anchors_.at(anchor);
        if (std::ranges::any_of(open_, [&](const Open &open) { return open.node == node; }))
            throw YAML::ParserException(mark, "an alias inside its own anchor");
        add(node);
    }
    void OnScalar(const YAML::Mark &mark, const std::string &, YAML::anchor_t anchor,
                  const std::string &value) override {
        settleNull(mark.pos);
        YamlNode *node = make(YamlNode::Kind::Scalar, mark, anchor);
        node->text = value;
        add(node);
    }
    void OnSequenceStart(const YAML::Mark &mark, const std::string &, YAML::anchor_t anchor,
                         YAML::EmitterStyle::value) override {
        settleNull(mark.pos);
        open(make(YamlNode::Kind::Sequence, mark, anchor));
    }
    void OnSequenceEnd() override {
        settleNull(std::nullopt);
        open_.pop_back();
    }
    void OnMapStart(const YAML::Mark &mark, const std::string &, YAML::anchor_t anchor,
                    YAML::EmitterStyle::value) override {
        settleNull(mark.pos);
        open(make(YamlNode::Kind::Map, mark, anchor));
    }
    void OnMapEnd() override {
        settleNull(std::nullopt);
        keepLastOfEachKey(*open_.back().node);
        open_.pop_back();
    }

private:
    struct Open {
        YamlNode *node;
        const YamlNode *key; // of a mapping, waiting for its value
    };

    YamlNode *make(YamlNode::Kind kind, const YAML::Mark &mark, YAML::anchor_t anchor) {
        YamlNode &node = nodes_.emplace_back();
        node.kind = kind;
        node.line = mark.line;
        node.column = mark.column;
        if (anchor != YAML::NullAnchor)
            anchors_[anchor] = &node;
        return &node;
    }

    void add(const YamlNode *node) {
        if (open_.empty()) {
            root_ = node;
            return;
        }
        Open &into = open_.back();
        if (into.node->isSequence()) {
            into.node->items.push_back(node);
        } else if (into.key == nullptr) {
            if (!node->isScalar()) {
                YAML::Mark mark;
                mark.line = node->line;
                mark.column = node->column;
                throw YAML::ParserException(mark, "a list or mapping as a mapping's key");
            }
            into.key = node;
        } else {
            into.node->entries.emplace_back(into.key, node);
            into.key = nullptr;
        }
    }

    void open(YamlNode *node) {
        add(node);
        open_.push_back({node, nullptr});
    }

    // The null reported last is empty text when the next event starts where it does (an empty
    // value's place is that of what follows it); otherwise it is the word written there.
    void settleNull(std::optional<int> nextAt) {
        if (pendingNull_.node == nullptr)
            return;
        YamlNode &node = *pendingNull_.node;
        const std::size_t at = pendingNull_.at;
        pendingNull_ = {};
        if (nextAt && static_cast<std::size_t>(*nextAt) == at)
            return;
        for (const std::string_view word : {"~", "null", "Null", "NULL"}) {
            const std::string_view rest = at <= text_.size() ? text_.substr(at) : "";
            const bool ends = rest.size() == word.size() ||
                              (rest.size() > word.size() &&
                               std::string_view(" \t\r\n,]}#:").find(rest[word.size()]) !=
                                   std::string_view::npos);
            if (rest.starts_with(word) && ends)
                node.text = word;
        }
    }

    // A repeated key keeps its first place and takes the last value, as in a Python dict.
    static void keepLastOfEachKey(YamlNode &map) {
        std::unordered_map<std::string_view, std::size_t> placeOf;
        std::vector<std::pair<const YamlNode *, const YamlNode *>> kept;
        for (const auto &entry : map.entries) {
            const auto [place, added] = placeOf.try_emplace(entry.first->text, kept.size());
            if (added)
                kept.push_back(entry);
            else
                kept[place->second].second = entry.second;
        }
        map.entries = std::move(kept);
    }

    struct PendingNull {
        YamlNode *node = nullptr;
        std::size_t at = 0;
    };

    std::deque<YamlNode> &nodes_;
    std::string_view text_;
    std::vector<Open> open_;
    std::map<YAML::anchor_t, const YamlNode *> anchors_;
    const YamlNode *root_ = nullptr;
    PendingNull pendingNull_;
};

// Any event of a second document.
class SecondDocument : public YAML::EventHandler {
public:
    void OnDocumentStart(const YAML::Mark &mark) override {
        throw YAML::ParserException(mark, "a second document; a definition file holds one");
    }
    void OnDocumentEnd() override {}
    void OnNull(const YAML::Mark &, YAML::anchor_t) override {}
    void OnAlias(const YAML::Mark &, YAML::anchor_t) override {}
    void OnScalar(const YAML::Mark &, const std::string &, YAML::anchor_t,
                  const std::string &) override {}
    void OnSequenceStart(const YAML::Mark &, const std::string &, YAML::anchor_t,
                         YAML::EmitterStyle::value) override {}
    void OnSequenceEnd() override {}
    void OnMapStart(const YAML::Mark &, const std::string &, YAML::anchor_t,
                    YAML::EmitterStyle::value) override {}
    void OnMapEnd() override {}
};

YamlDocument::YamlDocument(std::string_view text) {
    std::istringstream stream{std::string(text)};
    YAML::Parser parser(stream);
    Builder builder(nodes_, text);
    parser.HandleNextDocument(builder);
    SecondDocument second;
    parser.HandleNextDocument(second);
    root_ = builder.root() != nullptr ? builder.root() : &nodes_.emplace_back();
}

} // namespace gpibsim::definitions
