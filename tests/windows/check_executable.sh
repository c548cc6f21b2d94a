#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows program is a 32-bit (PE32) executable of the GUI subsystem, so no console window
# opens with it, and carries resources (its icon and version).
# Usage: check_executable.sh OBJDUMP PROGRAM.exe
set -euo pipefail
headers=$("$1" -p "$2")
status=0
expect() {
    if grep -qE "$1" <<<"$headers"; then
        echo "ok: $2"
    else
        echo "FAIL: $2"
        status=1
    fi
}
expect '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' "a 32-bit PE32 executable"
expect '^Subsystem[[:space:]]+00000002[[:space:]]+\(Windows GUI\)' "the GUI subsystem"
expect 'Resource Directory \[\.rsrc\]' "a resource directory"
exit "$status"
