// SPDX-License-Identifier: MIT
#include "gpibplus/port/opened.h"

#include "gpibplus/port/systemerror.h"

namespace gpibplus::port {

Opened failedWith(int errnum, const std::string &what) {
    return {nullptr, errnum, what + ": " + systemErrorText(errnum)};
}

} // namespace gpibplus::port
