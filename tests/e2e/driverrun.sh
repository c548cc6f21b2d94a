#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# gpibsim-run or gpibplus-run from the build tree, as its users run it: Python ctypes clients
# find the library under linux-gpib's names and talk to the instruments, a session with a power
# supply from a definition file and the multimeter session of tests/gpibsim/test_ctypes.py;
# exit statuses and the library path pass through; a missing program is reported with status
# 127. gpibplus-run reaches the simulated bus through gpibsim-adapter as a "++" adapter of the
# DIALECT given, and refuses to start, with status 1 and one line, when no adapter is named.
# Usage: driverrun.sh BUILD_DIR gpibsim-run|gpibplus-run [DIALECT]
set -uo pipefail
build=$(readlink -f "$1")
command=$2
dialect=${3:-}
run=$build/$command
library=$build/lib${command%-run}.so
failed=0
check() { # what, expected, actual
    if [ "$2" != "$3" ]; then
        printf 'FAIL: %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
        failed=1
    fi
}

# No adapter but the one started here, on the bench GPIBSIM_DEVICES names (the default one
# when empty); its port in GPIBPLUS_PORT. For gpibsim-run, the bench alone.
unset GPIBPLUS_PORT
export GPIBPLUS_CONF=/nonexistent/gpibplus.conf
adapter= work=$(mktemp -d)
trap '[ -n "$adapter" ] && kill "$adapter"; rm -rf "$work"' EXIT
bench() {
    export GPIBSIM_DEVICES=$1
    [ -n "$dialect" ] || return 0
    [ -n "$adapter" ] && kill "$adapter" && wait "$adapter" 2>/dev/null
    rm -f "$work/adapter.txt"
    GPIBSIM_DEVICES=$1 "$build/gpibsim-adapter" --dialect "$dialect" --pty --time-scale=100 \
        >"$work/adapter.txt" 2>&1 &
    adapter=$!
    for _ in $(seq 100); do grep -q '^pty ' "$work/adapter.txt" && break; sleep 0.1; done
    GPIBPLUS_PORT=$(sed -n 's/^pty //p' "$work/adapter.txt")
    [ -n "$GPIBPLUS_PORT" ] || { echo "FAIL: gpibsim-adapter: $(cat "$work/adapter.txt")"; exit 1; }
    export GPIBPLUS_PORT
}

bench power-supply.yaml
session=$("$run" python3 - 2>&1 <<'PY'
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
name=${command%-run}
check "ctypes session" "$name
$name
$name
VOLT1 12.5 -> OK
VOLT1? -> +12.500
VOLT1 40 -> LIMIT
VOLT1? -> +12.500" "$session"

bench ""
multimeter=$("$run" python3 "$(dirname "$0")/../gpibsim/test_ctypes.py" libgpib.so.0 2>&1)
check "test_ctypes.py through $command: status" 0 "$?"
[ "$failed" -eq 0 ] || echo "$multimeter"

message=$("$run" no-such-program --flag 2>&1)
check "status of a missing program" 127 "$?"
check "message for a missing program" "$command: no-such-program: program not found" "$message"
"$run" ./no/such/program 2>/dev/null
check "status of a missing path" 127 "$?"
"$run" 2>/dev/null
check "status without a program" 2 "$?"
"$run" sh -c 'exit 3'
check "status passed through" 3 "$?"
links=$(LD_LIBRARY_PATH=/opt/lib "$run" sh -c 'echo "$LD_LIBRARY_PATH"')
check "library path" "/opt/lib" "${links#*:}"
check "the first folder's libgpib.so.0" "$library" "$(readlink -f "${links%%:*}/libgpib.so.0")"

if [ "$command" = gpibplus-run ]; then
    message=$(env -u GPIBPLUS_PORT "$run" true 2>&1)
    check "status with no adapter named" 1 "$?"
    check "message with no adapter named" \
        "gpibplus-run: no adapter named: set GPIBPLUS_PORT, or port in $GPIBPLUS_CONF" "$message"
    printf '# the bench adapter\nport = %s\n' "$GPIBPLUS_PORT" >"$work/gpibplus.conf"
    GPIBPLUS_CONF=$work/gpibplus.conf env -u GPIBPLUS_PORT "$run" true
    check "status with the adapter named in the configuration file" 0 "$?"
fi

[ "$failed" -eq 0 ] && echo "PASS: $command${dialect:+ on gpibsim-adapter as $dialect}"
exit "$failed"
