// SPDX-License-Identifier: MIT
#include "gpibsim/system/environment.h"

#if defined(_WIN32)
#include "gpibsim/system/utf16_win.h"

#include <windows.h>
#else
#include <cstdlib>
#endif

namespace gpibsim {

std::optional<std::string> environmentValue(const char *name) {
#if defined(_WIN32)
    const std::wstring wideName = wideText(name);
    std::wstring value(32, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                     static_cast<DWORD>(value.size()));
        if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return std::nullopt;
        if (length < value.size())
            return utf8Text(std::wstring_view(value.data(), length));
        value.resize(length); // the size needed, its terminating null included
    }
#else
    const char *value = std::getenv(name);
    if (value == nullptr)
        return std::nullopt;
    return value;
#endif
}

} // namespace gpibsim
