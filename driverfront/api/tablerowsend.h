/* SPDX-License-Identifier: MIT */
/* The end of a table of exports (tablerows.h): the row macros are undefined again, so the next
 * includer of a table defines its own. */
#undef DRIVER_CALL
#undef DRIVER_PLAIN
#undef DRIVER_ABSENT
#undef DRIVER_VARIABLE
#undef DRIVER_ALIAS
