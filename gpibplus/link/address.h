// SPDX-License-Identifier: MIT
#pragma once

#include <compare>

namespace gpibplus::link {

// An instrument's GPIB address: primary 0-30, secondary 96-126 as the "++" commands take it,
// or none.
struct Address {
    static constexpr int kNoSecondary = 0;
    static constexpr int kFirstSecondary = 96;
    static constexpr int kLastSecondary = 126;
    int pad = 0;
    int sad = kNoSecondary;

    bool hasSecondary() const { return sad != kNoSecondary; }
    auto operator<=>(const Address &) const = default;
};

} // namespace gpibplus::link
