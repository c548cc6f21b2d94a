#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The built program, out of process, on the simulated bus under a private X server: find the
# window by its title, check its size, click Initialize, type *IDN? and Send, Serial Poll,
# keep a screenshot, then Exit, which must end the process with status 0.
# Usage: session.sh PROGRAM ARTEFACT_DIR
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
program=$1
artefacts=$2
mkdir -p "$artefacts"

app=
QUORIN_XVFB=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    [ -n "$QUORIN_XVFB" ] && kill "$QUORIN_XVFB" 2>/dev/null || true
}
trap cleanup EXIT
quorin_start_xvfb || { echo "FAIL: Xvfb did not start"; exit 1; }

"$program" 2>"$artefacts/stderr.txt" &
app=$!
window=
for _ in $(seq 100); do
    window=$(xdotool search --name '^Quorin Velmar Demo$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window titled 'Quorin Velmar Demo'"; exit 1; }

size=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
[ "$size" = "635x487" ] || { echo "FAIL: window is $size, not 635x487"; exit 1; }

# Clicks at the centres of the controls, in window coordinates.
click() {
    xdotool mousemove --window "$window" "$1" "$2" click 1
    sleep 0.3
}
click 100 52    # Initialize
click 204 196   # the command box
xdotool type --delay 20 '*IDN?'
click 392 196   # Send
import -window root "$artefacts/identity.png"
click 536 144   # Serial Poll
sleep 0.5
import -window root "$artefacts/session.png"
grep -q '^quorin.driver: no GPIB driver installed; the bus is simulated (' "$artefacts/stderr.txt" ||
    { echo "FAIL: the program did not report the simulated bus"; cat "$artefacts/stderr.txt"; exit 1; }

click 544 448   # Exit
status=0
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then
    echo "FAIL: Exit did not end the program"
    exit 1
fi
wait "$app" || status=$?
app=
[ "$status" -eq 0 ] || { echo "FAIL: the program ended with status $status"; exit 1; }
echo "PASS: window found, 635x487, session clicked through, screenshot $artefacts/session.png, exit 0"
