#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The program from the unpacked zip on a Windows without a GPIB driver, on its Windows platform
# plugin under a private X server: it falls back to the simulated bus beside it and says so;
# Initialize, then "*IDN?" sent with Auto Query ticked shows the simulated multimeter's identity
# in the results box (read back through the clipboard), and the bus trace GPIBSIM_TRACE names
# holds that exchange. Screenshot, trace and standard error are kept. Wine's server must not be
# running.
# Usage: check_session.sh ZIP WINEPREFIX ARTEFACTS
set -euo pipefail
source "$(dirname "$0")/winedesktop.sh"
zip=$1 artefacts=$3
work=$(mktemp -d) app=
trap 'wine_desktop_stop "$work" "$app"' EXIT
wine_desktop_start "$2"

[ -e "$WINEPREFIX/drive_c/windows/system32/gpib-32.dll" ] &&
    fail "a gpib-32.dll is installed in $WINEPREFIX: this session needs none"
program=$(unpack "$zip" "$work")
mkdir -p "$artefacts"
trace="$artefacts/session-trace.txt"
rm -f "$trace"

GPIBSIM_TRACE=$(winepath -w "$trace") wine "$program" 2>"$artefacts/session-stderr.txt" &
app=$!
window=$(await program_window) || fail "no window within 30 s"
# The seconds a click waits for the program to answer.
pause=0.5
# Whether the bus trace shows a line within 5 s.
traced() { await_within 5 0.1 grep -qsF "$1" "$trace"; }
# Initialize, again until its interface clear crosses the bus: a window just shown may not
# take a click yet.
for _ in 1 2 3; do
    click "$window" "$pause" cmdInitialize
    traced 'bus: IFC' && break
done
traced 'bus: IFC' || fail "Initialize did not reach the bus"
traced 'bus: ATN MLA 30' || fail "Initialize did not look for listeners up to address 30"
click "$window" "$pause" txtCmd
xdotool type --delay 50 '*IDN?'
click "$window" "$pause" cmdSend # with Auto Query ticked by Initialize
traced 'bus: 4 -> 0: "QUORIN' || fail "no reply crossed the bus"
sleep 1
import -window root "$artefacts/session-wine.png"
results=$(results_text "$window" "$pause")

identity='QUORIN,Simulated Multimeter,SIM0004,1.0'
[ "$results" = "$identity" ] || fail "the results box shows '$results', not '$identity'"
echo "ok: the results box shows $results"

reported_simulated_bus "$artefacts/session-stderr.txt" gpibsim.dll ||
    fail "the program did not report the simulated bus: $(cat "$artefacts/session-stderr.txt")"
echo "ok: $(grep -m1 'the bus is simulated' "$artefacts/session-stderr.txt" | tr -d '\r')"

expected=(
    'bus: ATN MTA 0'
    'bus: ATN UNL'
    'bus: ATN MLA 4'
    'bus: 0 -> 4: "*IDN?" END'
    'bus: ATN UNL'
    'bus: ATN MLA 0'
    'bus: ATN MTA 4'
    'bus: 4 -> 0: "QUORIN,Simulated Multimeter,SIM0004,1.0\n" END'
)
exchange=$(printf '%s\n' "${expected[@]}")
shown=$(cat "$trace")
[[ "$shown" == *"$exchange"* ]] || fail "the bus trace lacks the *IDN? exchange: $shown"
echo "ok: the bus trace holds the *IDN? exchange ($trace)"
echo "ok: screenshot $artefacts/session-wine.png"
