// SPDX-License-Identifier: MIT
#pragma once

#include "driverfront/api/gpib.h"

#include <cstddef>
#include <span>

namespace driverfront {

inline constexpr int kFirstListen = 0x20;
inline constexpr int kFirstTalk = 0x40;
inline constexpr int kFirstSecondary = 0x60;
inline constexpr int kLastSecondary = 0x7E;

constexpr bool isPrimary(int pad) {
    return pad >= 0 && pad <= 30;
}

// 0 stands for "no secondary address".
constexpr bool isSecondary(int sad) {
    return sad == NO_SAD || (sad >= kFirstSecondary && sad <= kLastSecondary);
}

constexpr Addr4882_t makeAddress(int pad, int sad) {
    return Addr4882_t(pad | sad << 8);
}

constexpr bool isAddress(Addr4882_t address) {
    return isPrimary(address & 0xFF) && isSecondary(address >> 8);
}

// The addresses of a list before its NOADDR; none in a null list.
constexpr std::span<const Addr4882_t> untilNoAddress(const Addr4882_t *list) {
    std::size_t count = 0;
    while (list != nullptr && list[count] != NOADDR)
        ++count;
    return {list, count};
}

} // namespace driverfront
