// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/yamldocument.h"

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/exceptions.h>
#include <yaml-cpp/mark.h>
#include <yaml-cpp/parser.h>

#include <map>
#include <sstream>

namespace gpibsim::definitions {

const YamlNode *YamlNode::find(std::string_view key) const {
    const YamlNode *value = nullptr;
    for (const auto &[name, node] : entries)
        if (name->isScalar() && name->text == key)
            value = node;
    return value;
}

// Each event adds a node to the list or mapping open at the moment; a mapping takes a key, then
// its value.
class YamlDocument::Builder : public YAML::EventHandler {
public:
    explicit Builder(std::deque<YamlNode> &nodes) : nodes_(nodes) {}

    const YamlNode *root() const { return root_; }

    void OnDocumentStart(const YAML::Mark &) override {}
    void OnDocumentEnd() override {}
    void OnNull(const YAML::Mark &mark, YAML::anchor_t anchor) override {
        add(make(YamlNode::Kind::Null, mark, anchor));
    }
    void OnAlias(const YAML::Mark &mark, YAML::anchor_t anchor) override {
        const auto found = anchors_.find(anchor);
        add(found != anchors_.end() ? found->second : make(YamlNode::Kind::Null, mark, 0));
    }
    void OnScalar(const YAML::Mark &mark, const std::string &, YAML::anchor_t anchor,
                  const std::string &value) override {
        YamlNode *node = make(YamlNode::Kind::Scalar, mark, anchor);
        node->text = value;
        add(node);
    }
    void OnSequenceStart(const YAML::Mark &mark, const std::string &, YAML::anchor_t anchor,
                         YAML::EmitterStyle::value) override {
        open(make(YamlNode::Kind::Sequence, mark, anchor));
    }
    void OnSequenceEnd() override { open_.pop_back(); }
    void OnMapStart(const YAML::Mark &mark, const std::string &, YAML::anchor_t anchor,
                    YAML::EmitterStyle::value) override {
        open(make(YamlNode::Kind::Map, mark, anchor));
    }
    void OnMapEnd() override { open_.pop_back(); }

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

    std::deque<YamlNode> &nodes_;
    std::vector<Open> open_;
    std::map<YAML::anchor_t, const YamlNode *> anchors_;
    const YamlNode *root_ = nullptr;
};

YamlDocument::YamlDocument(std::string_view text) {
    std::istringstream stream{std::string(text)};
    YAML::Parser parser(stream);
    Builder builder(nodes_);
    parser.HandleNextDocument(builder);
    root_ = builder.root() != nullptr ? builder.root() : &nodes_.emplace_back();
}

} // namespace gpibsim::definitions
