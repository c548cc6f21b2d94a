// SPDX-License-Identifier: MIT
#include "driverfront/exports/unwindtables_win.h"

#include <windows.h>

// The start of the library's .eh_frame section, the tables, which the build has the linker
// define; and the registry of the unwinder linked into the library.
extern "C" char driverfront_eh_frame[];
extern "C" void __register_frame_info(const void *tables, void *object);
extern "C" void *__deregister_frame_info(const void *tables);

namespace driverfront {

namespace {

// Storage for the unwinder's record of the tables (a struct object of a few pointers).
void *record[16];
bool registered = false;

} // namespace

void registerUnwindTables() {
    // GCC's start-up code chose its runtime DLL only if the process held it.
    if (GetModuleHandleW(L"libgcc_s_dw2-1.dll") == nullptr)
        return;
    __register_frame_info(driverfront_eh_frame, record);
    registered = true;
}

void deregisterUnwindTables() {
    if (registered)
        __deregister_frame_info(driverfront_eh_frame);
    registered = false;
}

} // namespace driverfront
