#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The built program, out of process, under a private X server, with its call trace on: find the
# window by its title, check its size, click Initialize, type *IDN? and Send (Auto Query reads
# the reply), Serial Poll, keep screenshots, then Exit, which must end the process with status
# 0. The results box must show the identity, then the status byte; no call may fail, so the
# error box stays empty; standard error must name the bus the program chose.
#
# The bus is the simulated one, loaded as the program finds it; given ADAPTER_TOOL (the built
# gpibsim-adapter) and a DIALECT, the same simulated bus served by it as a "++" adapter of that
# dialect on a pseudo-terminal, which the program reaches through GPIBPLUS_PORT.
# Usage: session.sh PROGRAM ARTEFACT_DIR [ADAPTER_TOOL DIALECT]
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$(dirname "$0")/../support/window.sh"
program=$(realpath "$1")
artefacts=$2
adapter_tool=${3:-}
dialect=${4:-}
mkdir -p "$artefacts"

app= adapter=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    [ -n "$adapter" ] && kill "$adapter" 2>/dev/null
    quorin_stop_xvfb
}
trap cleanup EXIT
# What the program wrote to its standard error and, when it left a core, where it stopped.
aftermath() {
    cat "$artefacts/stderr.txt"
    local core
    for core in "$artefacts"/core*; do
        [ -f "$core" ] && command -v gdb >/dev/null &&
            gdb -batch -ex 'thread apply all bt' "$program" "$core" 2>&1 | grep '^#\|^Thread'
    done
    true
}
quorin_start_xvfb || fail "Xvfb did not start"

# Nothing the machine names decides the bus: no adapter but the one started here.
unset GPIBPLUS_PORT
export GPIBPLUS_CONF=/nonexistent/gpibplus.conf
if [ -n "$adapter_tool" ]; then
    # The firmware's waits run 100 times faster: on a Prologix the listener search polls each
    # address, and every absent one costs a timeout.
    "$adapter_tool" --dialect "$dialect" --pty --time-scale=100 >"$artefacts/adapter.txt" 2>&1 &
    adapter=$!
    serving() { grep -q '^pty ' "$artefacts/adapter.txt"; }
    await_within 10 0.1 serving || fail "gpibsim-adapter did not start: $(cat "$artefacts/adapter.txt")"
    GPIBPLUS_PORT=$(sed -n 's/^pty //p' "$artefacts/adapter.txt")
    export GPIBPLUS_PORT
fi

# Started in the artefact folder with core dumps allowed, so that a crash leaves a core there
# for the backtrace below.
ulimit -c unlimited 2>/dev/null || true
rm -f "$artefacts"/core*
(cd "$artefacts" && QT_LOGGING_RULES="quorin.driver.debug=true" exec "$program") \
    2>"$artefacts/stderr.txt" &
app=$!
window=$(await_within 10 0.1 program_window) ||
    fail "no window titled 'Quorin Velmar Demo': $(aftermath)"

size=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
[ "$size" = "635x487" ] || fail "window is $size, not 635x487"

# The seconds a click waits for the program to answer.
pause=0.3
click "$window" "$pause" cmdInitialize
click "$window" "$pause" txtCmd
xdotool type --delay 20 '*IDN?'
click "$window" "$pause" cmdSend
identity=$(results_text "$window" "$pause")
import -window root "$artefacts/identity.png"
[ "$identity" = "QUORIN,Simulated Multimeter,SIM0004,1.0" ] ||
    fail "after *IDN? the results box shows '$identity': $(aftermath)"
click "$window" "$pause" cmdSpoll
poll=$(results_text "$window" "$pause")
import -window root "$artefacts/session.png"
[ "$poll" = "Serial poll response for device 4 =  0" ] ||
    fail "after Serial Poll the results box shows '$poll': $(aftermath)"

if [ -n "$adapter_tool" ]; then
    reported_adapter "$artefacts/stderr.txt" "$GPIBPLUS_PORT" ||
        fail "the program did not report the adapter at $GPIBPLUS_PORT: $(aftermath)"
else
    reported_simulated_bus "$artefacts/stderr.txt" ||
        fail "the program did not report the simulated bus: $(aftermath)"
fi
grep -q 'ReadStatusByte(' "$artefacts/stderr.txt" || fail "no call trace: $(aftermath)"
failed=$(grep -E '^quorin\.driver: [0-9:.]+ .*<ERR' "$artefacts/stderr.txt" || true)
[ -z "$failed" ] || fail "calls failed, and the error box showed them: $failed"

click "$window" "$pause" cmdExit
status=0
ended() { ! kill -0 "$app" 2>/dev/null; }
await_within 5 0.1 ended || fail "Exit did not end the program"
wait "$app" || status=$?
app=
[ "$status" -eq 0 ] || fail "the program ended with status $status: $(aftermath)"
echo "PASS: window found, 635x487, session clicked through on ${dialect:-the simulated bus}," \
    "screenshot $artefacts/session.png, exit 0"
