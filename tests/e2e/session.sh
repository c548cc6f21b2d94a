#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The built program, out of process, on the simulated bus under a private X server: find the
# window by its title, check its size, click Initialize, type *IDN? and Send, Serial Poll,
# keep a screenshot, then Exit, which must end the process with status 0.
# Usage: session.sh PROGRAM ARTEFACT_DIR
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
source "$(dirname "$0")/../support/window.sh"
program=$(realpath "$1")
artefacts=$2
mkdir -p "$artefacts"

app=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
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

# Started in the artefact folder with core dumps allowed, so that a crash leaves a core there
# for the backtrace below.
ulimit -c unlimited 2>/dev/null || true
rm -f "$artefacts"/core*
(cd "$artefacts" && exec "$program") 2>"$artefacts/stderr.txt" &
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
import -window root "$artefacts/identity.png"
click "$window" "$pause" cmdSpoll
sleep 0.5
import -window root "$artefacts/session.png"
reported_simulated_bus "$artefacts/stderr.txt" ||
    fail "the program did not report the simulated bus: $(cat "$artefacts/stderr.txt")"

click "$window" "$pause" cmdExit
status=0
ended() { ! kill -0 "$app" 2>/dev/null; }
await_within 5 0.1 ended || fail "Exit did not end the program"
wait "$app" || status=$?
app=
[ "$status" -eq 0 ] || fail "the program ended with status $status: $(aftermath)"
echo "PASS: window found, 635x487, session clicked through, screenshot $artefacts/session.png, exit 0"
