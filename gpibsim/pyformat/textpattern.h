// SPDX-License-Identifier: MIT
#pragma once

#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim::pyformat {

// A regular expression of the few forms pyvisa-sim and stringparser build, put together piece by
// piece and matched in the order Python's re module tries it, so that it captures the same
// groups. A failure is remembered for its place in the pattern and the text, so a pattern with
// several lazy repeats still matches in polynomial time.
class TextPattern {
public:
    using Bytes = std::bitset<256>;

    static Bytes bytesOf(std::string_view members);
    static Bytes digits() { return bytesOf("0123456789"); }
    // Python's '.': anything but LF.
    static Bytes anyButLineFeed();

    static constexpr std::size_t kUnbounded = static_cast<std::size_t>(-1);

    TextPattern &text(std::string_view literal);
    // Between min and max of the bytes, as many as possible first, or as few when lazy.
    TextPattern &repeat(const Bytes &bytes, std::size_t min, std::size_t max, bool lazy = false);
    // A capturing group around what is added until closeGroup().
    TextPattern &openGroup();
    TextPattern &closeGroup();
    // The other pattern after this one, its groups after this one's.
    TextPattern &then(const TextPattern &other);
    // (?:inner)?, tried with the inner pattern first. The inner pattern has no groups.
    TextPattern &optional(const TextPattern &inner);

    struct Match {
        std::size_t end = 0;
        std::vector<std::string_view> groups{};
    };
    // The match that starts at `start`. With `toEnd` it must reach the end of the text, or stop
    // before a last LF, as Python's '$' allows.
    std::optional<Match> match(std::string_view text, std::size_t start, bool toEnd) const;

private:
    struct Node {
        enum class Kind { Text, Repeat, Open, Close, Optional };
        Kind kind{};
        std::string literal{};
        Bytes bytes{};
        std::size_t min = 0;
        std::size_t max = 0;
        bool lazy = false;
        std::size_t index = 0; // Open, Close: the group; Optional: the node after the inner part
    };
    class Matcher;

    std::vector<Node> nodes_;
    std::size_t groups_ = 0;
    std::vector<std::size_t> openGroups_;
};

} // namespace gpibsim::pyformat
