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

// The bytes a definition's text stands for, as pyvisa-sim sends it: the two characters \r and
// \n become CR and LF, and BYTES(...) stands for its contents, each character one byte.
ParsedBytes definitionBytes(std::string_view text);

// The word that stands for no response at all.
inline constexpr std::string_view kNullResponse = "null_response";

// RANDOM(min, max, count) in a reply's only field: the reply is repeated for `count` readings
// drawn evenly between min and max, separated by ", ".
struct RandomReadings {
    double min = 0;
    double max = 0;
    int count = 0;
};

inline constexpr int kMostReadings = 10000;

// What a dialogue or a getter answers.
struct Response {
    enum class Kind { None, Fixed, Formatted, Random };
    Kind kind = Kind::None;
    std::string fixed{};   // Fixed
    FormatString format{}; // Formatted: of the property's value; Random: of each reading
    RandomReadings random{};
};

struct ParsedResponse {
    Response response{};
    std::string error{}; // what is wrong, empty when nothing is
};

// A dialogue's r, or none when it has no r: fixed bytes unless it holds random readings.
ParsedResponse dialogueResponse(std::optional<std::string_view> text);
// A getter's r: the property's value formatted, unless it holds random readings.
ParsedResponse getterResponse(std::string_view text);
// The r or e of a setter, or an error response: fixed bytes, or none.
ParsedResponse fixedResponse(std::optional<std::string_view> text);

} // namespace gpibsim::definitions
