// SPDX-License-Identifier: MIT
#include "gpibplus/port/configurationfiles.h"

#include <windows.h>

namespace gpibplus::port {

namespace {

// The folder a variable of the environment names; empty when it is not set.
std::filesystem::path folderOf(const wchar_t *variable) {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size =
            GetEnvironmentVariableW(variable, folder.data(), static_cast<DWORD>(folder.size()));
        if (size < folder.size()) {
            folder.resize(size);
            return folder;
        }
        folder.resize(size);
    }
}

} // namespace

// The folder the installer names after the program, in the user's roaming profile and in the
// machine's program data.
std::vector<std::filesystem::path> configurationFiles() {
    std::vector<std::filesystem::path> files;
    for (const wchar_t *variable : {L"APPDATA", L"ProgramData"})
        if (const std::filesystem::path folder = folderOf(variable); !folder.empty())
            files.push_back(folder / L"Quorin Velmar Demo" / L"gpibplus.conf");
    return files;
}

} // namespace gpibplus::port
