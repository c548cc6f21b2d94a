// SPDX-License-Identifier: MIT
#pragma once

namespace driverfront {

// The library carries its own copy of GCC's exception unwinder (it is linked with its runtime,
// to run from the system folder alone). As it is loaded into a process that already holds
// GCC's runtime DLL, GCC's start-up code hands the tables of the library's code to that DLL
// rather than to the library's own unwinder, which then finds no handler for an exception
// thrown and caught inside the library, and ends the process. These give the tables to the
// library's own unwinder too, as it is loaded, and take them back as it is unloaded.
void registerUnwindTables();
void deregisterUnwindTables();

} // namespace driverfront
