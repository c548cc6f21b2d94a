// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The driver's status word bits and error codes, with the names that reports and traces show.
namespace gpib {

// Bit 15 of ibsta is the driver's error bit: a call failed exactly when ibsta is negative.
constexpr std::int16_t ERR = static_cast<std::int16_t>(0x8000);

constexpr std::int16_t EDVR = 0;
constexpr std::int16_t EARG = 4;
constexpr std::int16_t EBUS = 14;

struct StatusBit {
    std::uint16_t mask;
    std::string_view name;
};

// Every bit of ibsta, from the top bit down.
constexpr std::array<StatusBit, 16> kStatusBits{{
    {0x8000, "ERR"},
    {0x4000, "TIMO"},
    {0x2000, "END"},
    {0x1000, "SRQI"},
    {0x0800, "RQS"},
    {0x0400, "SPOLL"},
    {0x0200, "EVENT"},
    {0x0100, "CMPL"},
    {0x0080, "LOK"},
    {0x0040, "REM"},
    {0x0020, "CIC"},
    {0x0010, "ATN"},
    {0x0008, "TACS"},
    {0x0004, "LACS"},
    {0x0002, "DTAS"},
    {0x0001, "DCAS"},
}};

struct ErrorCode {
    int code;
    std::string_view name;
    std::string_view meaning;
};

// The iberr codes that have a name. Other codes (8, 9, 13, 17...) have none.
std::optional<ErrorCode> errorCode(int err);

} // namespace gpib
