#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# gpibsim-run from the build tree: a Python ctypes client finds the simulated bus under linux-gpib's
# names and talks to the instruments GPIBSIM_DEVICES names; exit statuses and the library path
# pass through; a missing program is reported with status 127.
# Usage: test_gpibsimrun.sh BUILD_DIR
set -uo pipefail
run=$1/gpibsim-run
failed=0
check() { # what, expected, actual
    if [ "$2" != "$3" ]; then
        printf 'FAIL: %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
        failed=1
    fi
}

session=$(GPIBSIM_DEVICES=power-supply.yaml "$run" python3 - 2>&1 <<'PY'
import ctypes
import ctypes.util

for name in ("libgpib.so.0", "libgpib.so", ctypes.util.find_library("gpib")):
    version = ctypes.c_char_p()
    ctypes.CDLL(name).ibvers(ctypes.byref(version))
    print(version.value.decode().split()[0])
gpib = ctypes.CDLL("libgpib.so.0")
ibcnt = ctypes.c_int.in_dll(gpib, "ibcnt")
ud = gpib.ibdev(0, 6, 0, 12, 1, 0)
for command in (b"VOLT1 12.5", b"VOLT1?", b"VOLT1 40", b"VOLT1?"):
    gpib.ibwrt(ud, command + b"\n", len(command) + 1)
    reply = ctypes.create_string_buffer(100)
    gpib.ibrd(ud, reply, len(reply))
    print(command.decode(), "->", reply.raw[: ibcnt.value].decode().strip())
PY
)
check "ctypes session" "gpibsim
gpibsim
gpibsim
VOLT1 12.5 -> OK
VOLT1? -> +12.500
VOLT1 40 -> LIMIT
VOLT1? -> +12.500" "$session"

message=$("$run" no-such-program --flag 2>&1)
check "status of a missing program" 127 "$?"
check "message for a missing program" "gpibsim-run: no-such-program: program not found" "$message"
"$run" ./no/such/program 2>/dev/null
check "status of a missing path" 127 "$?"
"$run" 2>/dev/null
check "status without a program" 2 "$?"
"$run" sh -c 'exit 3'
check "status passed through" 3 "$?"
path=$(LD_LIBRARY_PATH=/opt/lib "$run" sh -c 'echo "$LD_LIBRARY_PATH"')
check "library path" "$(readlink -f "$1")/libgpib:/opt/lib" "$path"

[ "$failed" -eq 0 ] && echo "PASS: gpibsim-run"
exit "$failed"
