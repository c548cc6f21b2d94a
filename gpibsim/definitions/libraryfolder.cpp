// SPDX-License-Identifier: MIT
#include "gpibsim/definitions/libraryfolder.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace gpibsim::definitions {

std::string installedDefinitions() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&installedDefinitions), &info) == 0 ||
        info.dli_fname == nullptr)
        return {};
    // Through the links that give the library linux-gpib's names, to the library itself.
    std::error_code error;
    const std::filesystem::path library =
        std::filesystem::canonical(info.dli_fname, error).parent_path();
    if (error)
        return {};
    for (const char *relative : {GPIBSIM_DEFINITIONS_FROM_LIBRARY, "instruments"}) {
        const std::filesystem::path folder = (library / relative).lexically_normal();
        if (std::filesystem::is_directory(folder, error))
            return folder.string();
    }
    return {};
}

} // namespace gpibsim::definitions
