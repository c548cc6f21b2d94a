// SPDX-License-Identifier: MIT
#include "gpib/driverlibrary.h"

#include <QDir>

#include <windows.h>

namespace gpib {

namespace {

HMODULE handle(void *module) {
    return static_cast<HMODULE>(module);
}

} // namespace

// LoadLibrary, which QLibrary calls, looks beside the program and in the current folder before
// the system folder. A bare name is therefore loaded from the system folder alone; a path
// (always absolute here) from its own folder, which is also searched for its dependencies.
bool DriverLibrary::load(const QString &place) {
    unload();
    const DWORD search = QDir::isAbsolutePath(place)
                             ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
                             : LOAD_LIBRARY_SEARCH_SYSTEM32;
    const QString native = QDir::toNativeSeparators(place);
    module_ = LoadLibraryExW(reinterpret_cast<const wchar_t *>(native.utf16()), nullptr, search);
    return module_ != nullptr;
}

void DriverLibrary::unload() {
    if (module_)
        FreeLibrary(handle(module_));
    module_ = nullptr;
}

bool DriverLibrary::isLoaded() const {
    return module_ != nullptr;
}

QFunctionPointer DriverLibrary::resolve(const char *name) {
    // FARPROC and QFunctionPointer are both "some function"; the caller casts to the real type.
    return reinterpret_cast<QFunctionPointer>(
        reinterpret_cast<void *>(GetProcAddress(handle(module_), name)));
}

QString DriverLibrary::fileName() const {
    if (!module_)
        return QString();
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(handle(module_), path, MAX_PATH);
    return QString::fromWCharArray(path, int(length));
}

} // namespace gpib
