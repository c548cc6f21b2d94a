// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/resourcename.h"

#include "gpibsim/api/address.h"
#include "gpibsim/text/text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

namespace gpibsim::definitions {

namespace {

constexpr std::string_view kSeparator = "::";
constexpr int kLastVisaAddress = 30;

std::vector<std::string_view> parts(std::string_view text) {
    std::vector<std::string_view> pieces;
    for (std::size_t at; (at = text.find(kSeparator)) != text.npos;) {
        pieces.push_back(text.substr(0, at));
        text.remove_prefix(at + kSeparator.size());
    }
    pieces.push_back(text);
    return pieces;
}

bool isDigits(std::string_view text) {
    return !text.empty() && std::ranges::all_of(
                                text, [](unsigned char c) { return std::isdigit(c) != 0; });
}

} // namespace

ResourceName parseResourceName(std::string_view name) {
    const auto elsewhere = [](std::string why) {
        return ResourceName{.kind = ResourceName::Kind::Elsewhere, .why = std::move(why)};
    };
    const auto malformed = [](std::string why) {
        return ResourceName{.kind = ResourceName::Kind::Malformed, .why = std::move(why)};
    };
    std::vector<std::string_view> pieces = parts(name);
    const std::string_view interface = pieces.front();
    if (interface.size() < 4 || !equalsIgnoringCase(interface.substr(0, 4), "GPIB") ||
        (interface.size() > 4 && !isDigits(interface.substr(4))))
        return elsewhere("not a GPIB resource");
    if (interface.size() > 4 && toInt(interface.substr(4)) != 0)
        return elsewhere(fmt::format("on board {}", interface.substr(4)));
    const bool instrument = pieces.size() > 2 && equalsIgnoringCase(pieces.back(), "INSTR");
    if (instrument)
        pieces.pop_back();
    else if (pieces.size() == 2 && !isDigits(pieces[1]))
        return elsewhere("not an instrument");
    if (pieces.size() < 2 || pieces.size() > 3)
        return malformed("not GPIB[board]::primary[::secondary][::INSTR]");
    const std::optional<int> primary = isDigits(pieces[1]) ? toInt(pieces[1]) : std::nullopt;
    if (!primary || *primary < 1 || *primary > kLastVisaAddress)
        return malformed("primary address not 1..30 (0 is the board's)");
    if (pieces.size() == 2)
        return {.kind = ResourceName::Kind::Instrument, .address = makeAddress(*primary, NO_SAD)};
    const std::optional<int> secondary = isDigits(pieces[2]) ? toInt(pieces[2]) : std::nullopt;
    if (!secondary || *secondary > kLastVisaAddress)
        return malformed("secondary address not 0..30");
    return {.kind = ResourceName::Kind::Instrument,
            .address = makeAddress(*primary, kFirstSecondary + *secondary)};
}

} // namespace gpibsim::definitions
