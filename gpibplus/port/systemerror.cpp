// SPDX-License-Identifier: MIT
#include "gpibplus/port/systemerror.h"

#include <cstring>

namespace gpibplus::port {

std::string systemErrorText(int errnum) {
    return std::strerror(errnum);
}

} // namespace gpibplus::port
