// SPDX-License-Identifier: MIT
#include "gpibsim/system/files.h"

#if defined(_WIN32)
#include "gpibsim/system/utf16_win.h"

#include <io.h>
#include <sys/stat.h>
#endif

namespace gpibsim {

std::filesystem::path filePath(std::string_view text) {
    return std::u8string(text.begin(), text.end());
}

std::string pathText(const std::filesystem::path &path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

int openFile(const std::string &path, int flags) {
#if defined(_WIN32)
    return ::_wopen(wideText(path).c_str(), flags | O_NOINHERIT | O_BINARY, _S_IREAD | _S_IWRITE);
#else
    return ::open(path.c_str(), flags | O_CLOEXEC, 0644);
#endif
}

} // namespace gpibsim
