// SPDX-License-Identifier: MIT
#include "driverfront/exports/errortext.h"

#include "driverfront/api/gpib.h"

#include <algorithm>
#include <utility>

namespace driverfront {

namespace {

constexpr std::pair<int, const char *> kTexts[] = {
    {EDVR, "EDVR: a system call failed"},
    {ECIC, "ECIC: the board is not controller-in-charge"},
    {ENOL, "ENOL: no listeners addressed"},
    {EADR, "EADR: the board is not addressed for the transfer"},
    {EARG, "EARG: invalid argument"},
    {ESAC, "ESAC: the board is not system controller"},
    {EABO, "EABO: transfer aborted (timeout or device clear)"},
    {ENEB, "ENEB: no such board"},
    {EDMA, "EDMA: DMA error"},
    {EOIP, "EOIP: asynchronous I/O in progress"},
    {ECAP, "ECAP: capability not offered"},
    {EFSO, "EFSO: file system error"},
    {EBUS, "EBUS: command bytes could not be sent"},
    {ESTB, "ESTB: serial poll bytes lost"},
    {ESRQ, "ESRQ: SRQ stuck asserted"},
    {ETAB, "ETAB: table full"},
};

} // namespace

const char *errorText(int iberr) {
    const auto *found = std::ranges::find(kTexts, iberr, &std::pair<int, const char *>::first);
    return found == std::ranges::end(kTexts) ? "unknown error code" : found->second;
}

} // namespace driverfront
