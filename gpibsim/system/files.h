// SPDX-License-Identifier: MIT
#pragma once

#include <fcntl.h>

#include <string_view>

namespace gpibsim {

// The open() flags that keep a file of the library's from the programs its process starts:
// close-on-exec on POSIX systems, not inherited (and not translated) on Windows.
#if defined(_WIN32)
inline constexpr int kOwnFile = O_NOINHERIT | O_BINARY;
#else
inline constexpr int kOwnFile = O_CLOEXEC;
#endif

// What separates file names in a list, as PATH does: ';' on Windows, where ':' belongs to
// "C:\", and ':' elsewhere.
#if defined(_WIN32)
inline constexpr char kPathSeparator = ';';
#else
inline constexpr char kPathSeparator = ':';
#endif

// What separates the folders of a path.
#if defined(_WIN32)
inline constexpr std::string_view kFolderSeparators = "/\\";
#else
inline constexpr std::string_view kFolderSeparators = "/";
#endif

} // namespace gpibsim
