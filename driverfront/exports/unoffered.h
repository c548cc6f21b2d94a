// SPDX-License-Identifier: MIT
// Included right before a library's table of exports, in one source of the library: each call
// the library does not offer (DRIVER_ABSENT) fails with ERR and ECAP; on Windows each of
// gpib-32.dll's other names (DRIVER_ALIAS), which the .def file exports as the call it names,
// must have that call's type. The calls' parameters go unused: the includer lets
// -Wunused-parameter pass around the table.
#include "driverfront/exports/instance.h"

#define DRIVER_ABSENT(type, name, parameters)                                                      \
    extern "C" type DRIVER_STDCALL name parameters {                                               \
        return static_cast<type>(driverfront::front().unsupported());                              \
    }

#if defined(_WIN32)
#include <type_traits>

#define DRIVER_ALIAS(type, name, parameters, call)                                                 \
    static_assert(std::is_same_v<decltype(name), decltype(call)>, #name " is not " #call);
#endif
