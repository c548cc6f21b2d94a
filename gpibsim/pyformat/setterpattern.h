// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/pyformat/value.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim::definitions {

// What a setter's query accepts: its text around one value field and, in a channel, a {ch_id}
// field that stands for one of the channel's ids. The value field's format code decides what
// it reads: a decimal integer for d and n; binary, octal or hexadecimal digits, with or without
// their 0b, 0o or 0x, for b, o, x and X; a decimal number with an optional point and exponent
// for e, f, g and their capitals, and before a '%' for %; any text otherwise. A sign is always
// allowed before a number. Fill, alignment, width and precision are not checked.
class SetterPattern {
public:
    struct Parsed;
    struct Match {
        Value value{};
        std::size_t channel = 0; // the index of the id in a {ch_id} field
    };

    static Parsed parse(std::string_view text, bool inChannel);

    bool hasChannel() const;
    // The value and the channel that `text` gives, when it matches.
    std::optional<Match> match(std::string_view text, std::span<const std::string> ids) const;

private:
    enum class Kind { Text, Value, Channel };
    struct Part {
        Kind kind{};
        std::string text{};
    };

    bool matchFrom(std::size_t part, std::string_view rest, std::span<const std::string> ids,
                   Match &match) const;

    std::vector<Part> parts_;
    char code_ = 0;
};

struct SetterPattern::Parsed {
    SetterPattern pattern{};
    std::string error{}; // what is wrong, empty when nothing is
};

} // namespace gpibsim::definitions
