// SPDX-License-Identifier: MIT
#pragma once

#include "gpibsim/pyformat/formatstring.h"

#include <optional>
#include <string>
#include <string_view>

namespace gpibsim::definitions {

struct ParsedBytes {
    std::string bytes{};
    std::string error{}; // what is wrong, empty when nothing is
};

// The bytes a definition's text stands for, as pyvisa-sim's to_bytes makes them: the two
// characters \r and \n become CR and LF, and a BYTES(...) stands for its contents, each
// character one byte; the rest is UTF-8. A character above U+00FF in BYTES(...) is an error.
ParsedBytes definitionBytes(std::string_view text);

// RANDOM(min, max, count) in a reply: the reply is repeated for `count` readings drawn evenly
// between min and max, each formatted with what is left of the reply, separated by ", ".
struct RandomReadings {
    double min = 0;
    double max = 0;
    long long count = 0;
};

// Readings beyond this many are refused as pyvisa-sim's raising is: they would stall the bus.
inline constexpr long long kMostReadings = 10000;

// What a dialogue, a getter, a setter or an error answers. Raises is a reply pyvisa-sim raises
// an exception for whenever it is asked: a getter without r, a dialogue's reply that is no
// UTF-8, or a RANDOM it cannot read.
struct Response {
    enum class Kind { None, Fixed, Formatted, Random, Raises };
    Kind kind = Kind::None;
    std::string fixed{};             // Fixed
    pyformat::FormatString format{}; // Formatted: of the property's value; Random: of each reading
    RandomReadings random{};
};

struct ParsedResponse {
    Response response{};
    std::string error{}; // why the file is refused, empty when it is not
};

// A dialogue's r, or none when it has no r: fixed bytes unless it names RANDOM.
ParsedResponse dialogueResponse(std::optional<std::string_view> text);
// A getter's r: the property's value formatted, unless it names RANDOM.
Response getterResponse(std::optional<std::string_view> text);
// The r or e of a setter, or an error response: fixed bytes, or none.
ParsedResponse fixedResponse(std::optional<std::string_view> text);

} // namespace gpibsim::definitions
