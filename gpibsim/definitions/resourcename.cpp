// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/resourcename.h"

#include "driverfront/api/address.h"
#include "gpibsim/text/text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

namespace gpibsim::definitions {

namespace {

constexpr std::string_view kSeparator = "::";
constexpr int kLastVisaAddress = 30;

// The interface types PyVISA reads names of; a name must start with one, in any case.
constexpr std::string_view kInterfaces[] = {"GPIB", "PRLGX-ASRL", "PRLGX-TCPIP", "NI-ENET100-TCPIP",
                                            "ASRL", "TCPIP",      "VICP",        "USB",
                                            "PXI",  "VXI"};

std::optional<int> address(std::string_view text) {
    const bool digits = !text.empty() && std::ranges::all_of(text, [](unsigned char c) {
        return std::isdigit(c) != 0;
    });
    return digits ? toInt(text) : std::nullopt;
}

} // namespace

ResourceName parseResourceName(std::string_view name) {
    const auto skipped = [](std::string why) {
        return ResourceName{.kind = ResourceName::Kind::Skipped, .why = std::move(why)};
    };
    const auto malformed = [](std::string why) {
        return ResourceName{.kind = ResourceName::Kind::Malformed, .why = std::move(why)};
    };
    const auto *interface = std::ranges::find_if(kInterfaces, [&](std::string_view type) {
        return name.size() >= type.size() && equalsIgnoringCase(name.substr(0, type.size()), type);
    });
    if (interface == std::ranges::end(kInterfaces))
        return malformed("unknown interface type");
    if (*interface != "GPIB")
        return skipped("not a GPIB resource; the simulated bus holds the instruments of GPIB "
                       "board 0");
    // PyVISA's GPIB INSTR and INTFC: the class is the last part, if written exactly so.
    std::vector<std::string_view> pieces =
        name.size() > 4 ? split(name.substr(4), kSeparator) : std::vector<std::string_view>{};
    const bool board = !pieces.empty() && pieces.back() == "INTFC";
    if (!pieces.empty() && (pieces.back() == "INSTR" || board))
        pieces.pop_back();
    const std::size_t most = board ? 1 : 3;
    if (pieces.empty() || pieces.size() > most)
        return malformed(fmt::format("{} parts, not GPIB[board]::primary[::secondary][::INSTR]",
                                     pieces.empty() ? "too few" : "too many"));
    if (!board &&
        (pieces.size() < 2 || pieces[1].empty() || (pieces.size() == 3 && pieces[2].empty())))
        return malformed("not GPIB[board]::primary[::secondary][::INSTR]");
    if (board)
        return skipped("the interface, not an instrument");
    if (!pieces[0].empty() && address(pieces[0]) != 0)
        return skipped(fmt::format("on board {}; the simulated bus holds the instruments of GPIB "
                                   "board 0",
                                   pieces[0]));
    const std::optional<int> primary = address(pieces[1]);
    if (!primary || *primary < 1 || *primary > kLastVisaAddress)
        return skipped(fmt::format("primary address {} not 1..30 (0 is the board's)", pieces[1]));
    if (pieces.size() == 2)
        return {.kind = ResourceName::Kind::Instrument,
                .address = driverfront::makeAddress(*primary, NO_SAD)};
    const std::optional<int> secondary = address(pieces[2]);
    if (!secondary || *secondary > kLastVisaAddress)
        return skipped(fmt::format("secondary address {} not 0..30", pieces[2]));
    return {.kind = ResourceName::Kind::Instrument,
            .address =
                driverfront::makeAddress(*primary, driverfront::kFirstSecondary + *secondary)};
}

} // namespace gpibsim::definitions
