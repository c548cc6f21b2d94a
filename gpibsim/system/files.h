// SPDX-License-Identifier: MIT
#pragma once

#include <fcntl.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace gpibsim {

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

// A path of the library's, UTF-8 text, as std::filesystem holds it, and a path back as such
// text, with '/' between its folders, which Windows takes too. std::filesystem's own narrow
// text is not UTF-8 both ways on Windows.
std::filesystem::path filePath(std::string_view text);
std::string pathText(const std::filesystem::path &path);

// Opens a file of the library's with open()'s flags, kept from the programs its process
// starts: close-on-exec on POSIX systems, not inherited on Windows, where it is also opened
// untranslated (binary). A file it creates is readable by all and writable by its owner. The
// name is UTF-8 on Windows, as the library's paths are there (std::filesystem's narrow form).
// Returns the descriptor, or -1 with errno set.
int openFile(const std::string &path, int flags);

} // namespace gpibsim
