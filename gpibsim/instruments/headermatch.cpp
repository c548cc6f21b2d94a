// SPDX-License-Identifier: MIT
#include "gpibsim/instruments/headermatch.h"

#include "gpibsim/text/text.h"

#include <algorithm>
#include <cctype>

namespace gpibsim {

namespace {

bool nodeMatches(std::string_view pattern, std::string_view node) {
    const auto shortEnd =
        std::ranges::find_if(pattern, [](unsigned char c) { return std::islower(c) != 0; });
    const std::string_view shortForm(pattern.begin(), shortEnd);
    return equalsIgnoringCase(node, pattern) || equalsIgnoringCase(node, shortForm);
}

std::string_view withoutQueryMark(std::string_view header) {
    return header.ends_with('?') ? header.substr(0, header.size() - 1) : header;
}

} // namespace

bool headerMatches(std::string_view pattern, std::string_view header) {
    if (header.starts_with(':'))
        header.remove_prefix(1);
    if (pattern.ends_with('?') != header.ends_with('?'))
        return false;
    pattern = withoutQueryMark(pattern);
    header = withoutQueryMark(header);
    while (true) {
        const std::size_t patternEnd = pattern.find(':');
        const std::size_t headerEnd = header.find(':');
        if (!nodeMatches(pattern.substr(0, patternEnd), header.substr(0, headerEnd)))
            return false;
        if (patternEnd == std::string_view::npos || headerEnd == std::string_view::npos)
            return patternEnd == headerEnd;
        pattern.remove_prefix(patternEnd + 1);
        header.remove_prefix(headerEnd + 1);
    }
}

std::string_view headerOf(std::string_view unit) {
    unit = trim(unit);
    return unit.substr(0, std::min(unit.find_first_of(" \t"), unit.size()));
}

} // namespace gpibsim
