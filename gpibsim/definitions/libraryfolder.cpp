// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/libraryfolder.h"

#include "gpibsim/system/files.h"

#include <filesystem>
#include <optional>
#include <system_error>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace gpibsim::definitions {

namespace {

// The file this code was loaded from, through the links that give the library linux-gpib's
// names on Linux, to the library itself.
std::optional<std::filesystem::path> libraryFile() {
    const auto *here = reinterpret_cast<const void *>(&installedDefinitions);
#if defined(_WIN32)
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(here), &module))
        return std::nullopt;
    wchar_t name[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, name, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return std::nullopt;
    return std::filesystem::path(std::wstring(name, length));
#else
    Dl_info info{};
    if (dladdr(here, &info) == 0 || info.dli_fname == nullptr)
        return std::nullopt;
    std::error_code error;
    std::filesystem::path file = std::filesystem::canonical(info.dli_fname, error);
    if (error)
        return std::nullopt;
    return file;
#endif
}

} // namespace

std::string installedDefinitions() {
    const std::optional<std::filesystem::path> library = libraryFile();
    if (!library)
        return {};
    std::error_code error;
    for (const char *relative : {GPIBSIM_DEFINITIONS_FROM_LIBRARY, "instruments"}) {
        const std::filesystem::path folder = (library->parent_path() / relative).lexically_normal();
        if (std::filesystem::is_directory(folder, error))
            return pathText(folder);
    }
    return {};
}

} // namespace gpibsim::definitions
