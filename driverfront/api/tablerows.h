/* SPDX-License-Identifier: MIT */
/* The rows of a driver library's table of exports. Each library lists every export of its own
 * once, in a table that includes this file first; an includer defines the row macros it needs
 * and includes the table, and rows whose macro it leaves undefined expand to nothing. The
 * declarations, the definitions of the calls not offered, the linker's version script (Linux),
 * the .def file (Windows) and the exports test all come from the table.
 *
 *   DRIVER_CALL(type, name, (parameters))    a call the front carries out over the library's
 *                                             link; a script can make it fail or wait
 *   DRIVER_PLAIN(type, name, (parameters))   a call that reports without the link doing work
 *   DRIVER_ABSENT(type, name, (parameters))  a call not offered: ERR with ECAP
 *   DRIVER_VARIABLE(type, name)              a status variable
 *   DRIVER_ALIAS(type, name, (parameters), call)
 *                                             another name of a call, which gpib-32.dll has:
 *                                             exported on Windows only
 *
 * The build reads the rows: a row's type and name stand on its first line, and a row ends with
 * its last parenthesis. On 32-bit Windows each parameter takes 4 bytes on the stack, which the
 * .def file's names count; the link fails where that is wrong. A table ends by undefining the
 * row macros (tablerowsend.h). */

#ifndef DRIVER_CALL
#define DRIVER_CALL(type, name, parameters)
#endif
#ifndef DRIVER_PLAIN
#define DRIVER_PLAIN(type, name, parameters)
#endif
#ifndef DRIVER_ABSENT
#define DRIVER_ABSENT(type, name, parameters)
#endif
#ifndef DRIVER_VARIABLE
#define DRIVER_VARIABLE(type, name)
#endif
#ifndef DRIVER_ALIAS
#define DRIVER_ALIAS(type, name, parameters, call)
#endif
