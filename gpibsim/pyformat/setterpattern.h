// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/pyformat/formatstring.h"
#include "gpibsim/pyformat/textpattern.h"
#include "gpibsim/pyformat/value.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace gpibsim::pyformat {

// A setter's query read back as pyvisa-sim reads it, through stringparser: the text around the
// fields must match exactly, and each field reads what its format's type code allows
//   {} {:s} any text, without LF      {:d} decimal digits       {:b} {:o} {:x} {:X} those digits
//   {:e} {:f} {:g} {:%} (and capitals) at least two digits, a point between them or not, an
//   exponent for e and g, a '%' after for %
// with a '-' before it allowed ({:+} and {: } require a sign or a blank), and with '#' the 0x,
// 0o or 0b before the digits required. Fill, alignment, width and precision are not checked.
// One field gives its value; several give a list, or a dict when any has a name ({ch_id},
// {val}); none gives an empty dict. {_} matches but is not kept.
class SetterPattern {
public:
    struct Parsed;
    struct Reading {
        enum class Outcome { NoMatch, Read, Raises };
        Outcome outcome = Outcome::NoMatch;
        Value value{};
    };

    // Refused, as stringparser refuses it when pyvisa-sim loads the file: a format Python cannot
    // parse, a type code it has no pattern for (c, n, ...), '#' with a code other than b, o, x
    // and X, or a malformed field name.
    static Parsed parse(std::string_view text);

    // What the text reads as. A field name with an attribute or an index ({a.b}, {a[0]}), which
    // stringparser would build an object for, and an integer beyond 64 bits, give Raises.
    Reading read(std::string_view text) const;

private:
    enum class Conversion { Text, Integer, Float, Percent };
    struct Capture {
        std::size_t slot = 0; // in names_
        Conversion conversion{};
        int base = 10;
    };

    struct FieldPattern {
        TextPattern pattern{};
        Capture capture{};
        std::string error{}; // why stringparser refuses the field
    };

    static FieldPattern fieldPattern(const Field &field);
    std::optional<Value> convert(const Capture &capture, std::string_view text) const;

    TextPattern pattern_;
    std::vector<Capture> captures_;
    std::vector<std::string> names_; // the fields' names, each once, in order
    bool asList_ = false;            // names 0, 1, ... n-1: a list, ordered by number
    bool compound_ = false;
};

struct SetterPattern::Parsed {
    SetterPattern pattern{};
    std::string error{}; // what is wrong, empty when nothing is
};

} // namespace gpibsim::pyformat
