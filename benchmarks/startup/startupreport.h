// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

// Shows the window and runs the event loop until its first paint has been flushed, then
// prints one line, "startup_ms=T cpu_ms=C rss_kib=R", and ends the loop. T runs from the
// process's start as the process itself can see it: the executable's pre-initialisers, which
// run once the loader has mapped and relocated every library and before any static
// initialiser. C is the processor time the process has used by then, which other load on the
// machine barely changes; R is its resident memory (VmRSS). Returns the event loop's exit code.
int showAndReportStartup(QWidget &window);
