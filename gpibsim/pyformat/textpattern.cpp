// SPDX-License-Identifier: MIT
#include "gpibsim/pyformat/textpattern.h"

namespace gpibsim::pyformat {

TextPattern::Bytes TextPattern::bytesOf(std::string_view members) {
    Bytes bytes;
    for (const char c : members)
        bytes.set(static_cast<unsigned char>(c));
    return bytes;
}

TextPattern::Bytes TextPattern::anyButLineFeed() {
    Bytes bytes;
    bytes.set();
    bytes.reset('\n');
    return bytes;
}

TextPattern &TextPattern::text(std::string_view literal) {
    if (!literal.empty())
        nodes_.push_back({.kind = Node::Kind::Text, .literal = std::string(literal)});
    return *this;
}

TextPattern &TextPattern::repeat(const Bytes &bytes, std::size_t min, std::size_t max, bool lazy) {
    nodes_.push_back(
        {.kind = Node::Kind::Repeat, .bytes = bytes, .min = min, .max = max, .lazy = lazy});
    return *this;
}

TextPattern &TextPattern::openGroup() {
    openGroups_.push_back(groups_);
    nodes_.push_back({.kind = Node::Kind::Open, .index = groups_++});
    return *this;
}

TextPattern &TextPattern::closeGroup() {
    nodes_.push_back({.kind = Node::Kind::Close, .index = openGroups_.back()});
    openGroups_.pop_back();
    return *this;
}

TextPattern &TextPattern::then(const TextPattern &other) {
    const std::size_t offset = nodes_.size();
    for (Node node : other.nodes_) {
        if (node.kind == Node::Kind::Optional)
            node.index += offset;
        else if (node.kind == Node::Kind::Open || node.kind == Node::Kind::Close)
            node.index += groups_;
        nodes_.push_back(std::move(node));
    }
    groups_ += other.groups_;
    return *this;
}

TextPattern &TextPattern::optional(const TextPattern &inner) {
    nodes_.push_back(
        {.kind = Node::Kind::Optional, .index = nodes_.size() + 1 + inner.nodes_.size()});
    return then(inner);
}

// Tries the nodes from a place in the text by backtracking, as Python does; a node that failed
// at a place fails there again, whatever led to it, so it is not tried twice.
class TextPattern::Matcher {
public:
    Matcher(const TextPattern &pattern, std::string_view text, bool toEnd)
        : nodes_(pattern.nodes_), text_(text), toEnd_(toEnd),
          failed_((nodes_.size() + 1) * (text.size() + 1)), starts_(pattern.groups_),
          ends_(pattern.groups_) {}

    bool from(std::size_t node, std::size_t at) {
        if (node == nodes_.size())
            return finished(at);
        std::vector<bool>::reference failed = failed_[node * (text_.size() + 1) + at];
        if (failed)
            return false;
        if (step(nodes_[node], node, at))
            return true;
        failed = true;
        return false;
    }

    Match result() const {
        Match match{.end = end_};
        for (std::size_t i = 0; i < starts_.size(); ++i)
            match.groups.push_back(text_.substr(starts_[i], ends_[i] - starts_[i]));
        return match;
    }

private:
    bool finished(std::size_t at) {
        const bool atEnd = at == text_.size() || (at + 1 == text_.size() && text_.back() == '\n');
        if (toEnd_ && !atEnd)
            return false;
        end_ = at;
        return true;
    }

    bool step(const Node &node, std::size_t index, std::size_t at) {
        switch (node.kind) {
        case Node::Kind::Text:
            return text_.substr(at).starts_with(node.literal) &&
                   from(index + 1, at + node.literal.size());
        case Node::Kind::Open:
            starts_[node.index] = at;
            return from(index + 1, at);
        case Node::Kind::Close:
            ends_[node.index] = at;
            return from(index + 1, at);
        case Node::Kind::Optional:
            return from(index + 1, at) || from(node.index, at);
        case Node::Kind::Repeat:
            break;
        }
        std::size_t available = 0;
        while (available < node.max && at + available < text_.size() &&
               node.bytes.test(static_cast<unsigned char>(text_[at + available])))
            ++available;
        if (available < node.min)
            return false;
        const auto tried = [&](std::size_t count) {
            return from(index + 1, at + count);
        };
        if (node.lazy) {
            for (std::size_t count = node.min; count <= available; ++count)
                if (tried(count))
                    return true;
        } else {
            for (std::size_t count = available + 1; count-- > node.min;)
                if (tried(count))
                    return true;
        }
        // An unbounded repeat from a later place in the same run ends where this one could:
        // it fails too.
        if (node.max == kUnbounded)
            for (std::size_t later = 1; later <= available; ++later)
                failed_[index * (text_.size() + 1) + at + later] = true;
        return false;
    }

    const std::vector<Node> &nodes_;
    std::string_view text_;
    bool toEnd_;
    std::vector<bool> failed_;
    std::vector<std::size_t> starts_;
    std::vector<std::size_t> ends_;
    std::size_t end_ = 0;
};

std::optional<TextPattern::Match> TextPattern::match(std::string_view text, std::size_t start,
                                                     bool toEnd) const {
    Matcher matcher(*this, text, toEnd);
    if (!matcher.from(0, start))
        return std::nullopt;
    return matcher.result();
}

} // namespace gpibsim::pyformat
