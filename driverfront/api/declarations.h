/* SPDX-License-Identifier: MIT */
/* Turns the rows of a table of exports into their declarations: include it right before the
 * table, inside extern "C". gpib-32.dll's other names are declared on Windows only. */
#include "driverfront/api/gpib.h"

#define DRIVER_CALL(type, name, parameters) DRIVER_EXPORT type DRIVER_STDCALL name parameters;
#define DRIVER_PLAIN(type, name, parameters) DRIVER_EXPORT type DRIVER_STDCALL name parameters;
#define DRIVER_ABSENT(type, name, parameters) DRIVER_EXPORT type DRIVER_STDCALL name parameters;
#define DRIVER_VARIABLE(type, name) DRIVER_EXPORT extern type name;
#if defined(_WIN32)
#define DRIVER_ALIAS(type, name, parameters, call) type DRIVER_STDCALL name parameters;
#endif
