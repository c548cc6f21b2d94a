#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command with a DLL installed as the system's gpib-32.dll, then puts back what was
# there before, if anything.
# Usage: with_system_driver.sh SYSTEM_DRIVER DLL COMMAND [ARGUMENT...]
set -euo pipefail
driver=$1 dll=$2
shift 2
kept=
if [ -e "$driver" ]; then
    kept=$(mktemp)
    cp "$driver" "$kept"
fi
restore() {
    if [ -n "$kept" ]; then
        mv "$kept" "$driver"
    else
        rm -f "$driver"
    fi
}
trap restore EXIT
cp "$dll" "$driver"
"$@"
