// SPDX-License-Identifier: MIT
#include "gpib/statuscodes.h"

namespace gpib {

namespace {

constexpr std::array<ErrorCode, 15> kErrorCodes{{
    {0, "EDVR", "Op System Error"},
    {1, "ECIC", "Not CIC"},
    {2, "ENOL", "No Listener"},
    {3, "EADR", "Address error"},
    {4, "EARG", "Invalid argument"},
    {5, "ESAC", "Not Sys Ctrlr"},
    {6, "EABO", "Operation aborted"},
    {7, "ENEB", "No GPIB board"},
    {10, "EOIP", "Async I/O in prg"},
    {11, "ECAP", "No capability"},
    {12, "EFSO", "File sys. error"},
    {14, "EBUS", "Command error"},
    {15, "ESTB", "Status byte lost"},
    {16, "ESRQ", "SRQ stuck on"},
    {20, "ETAB", "Table Overflow"},
}};

} // namespace

std::optional<ErrorCode> errorCode(int err) {
    for (const ErrorCode &e : kErrorCodes)
        if (e.code == err)
            return e;
    return std::nullopt;
}

} // namespace gpib
