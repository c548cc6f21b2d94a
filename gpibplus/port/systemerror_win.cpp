// SPDX-License-Identifier: MIT
#include "gpibplus/port/systemerror.h"

#include <windows.h>

namespace gpibplus::port {

std::string systemErrorText(int errnum) {
    char text[512];
    DWORD size = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(errnum), 0, text, sizeof text, nullptr);
    // The system's sentences end with a full stop and CR LF; ours go on after the text.
    while (size > 0 && (text[size - 1] == '\n' || text[size - 1] == '\r' || text[size - 1] == '.'))
        --size;
    if (size == 0)
        return "error " + std::to_string(errnum);
    return std::string(text, size);
}

} // namespace gpibplus::port
