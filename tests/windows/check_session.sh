#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The program from the unpacked zip on a Windows without a GPIB driver, on its Windows platform
# plugin under a private X server: Initialize, then "*IDN?" sent with Auto Query ticked shows the
# simulated multimeter's identity in the results box (read back through the clipboard), and
# Serial Poll its status byte; the bus trace GPIBSIM_TRACE names holds the *IDN? exchange.
#
# With no adapter named the program falls back to the simulated bus beside it and says so. Given
# ADAPTER_TOOL (gpibsim-adapter built for this machine) and a DIALECT, the simulated bus is served
# by it as a "++" adapter of that dialect on a pseudo-terminal, which Wine shows as COM9: the
# program reaches it through gpibplus.dll beside it, named by GPIBPLUS_PORT, and says so.
# Screenshot, trace and standard error are kept. Wine's server must not be running.
# Usage: check_session.sh ZIP WINEPREFIX ARTEFACTS [ADAPTER_TOOL DIALECT]
set -euo pipefail
source "$(dirname "$0")/winedesktop.sh"
zip=$1 artefacts=$3 adapter_tool=${4:-} dialect=${5:-}
work=$(mktemp -d) app= adapter=
trap '[ -n "$adapter" ] && kill "$adapter"; wine_desktop_stop "$work" "$app"' EXIT
wine_desktop_start "$2"

[ -e "$WINEPREFIX/drive_c/windows/system32/gpib-32.dll" ] &&
    fail "a gpib-32.dll is installed in $WINEPREFIX: this session needs none"
program=$(unpack "$zip" "$work")
mkdir -p "$artefacts"
name=session${dialect:+-$dialect}
trace="$artefacts/$name-trace.txt"
stderr="$artefacts/$name-stderr.txt"
rm -f "$trace"

# Nothing the prefix holds names an adapter: only the one started here.
unset GPIBPLUS_PORT GPIBPLUS_CONF
for folder in 'C:\ProgramData' "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')"; do
    [ -e "$(winepath -u "$folder\\Quorin Velmar Demo\\gpibplus.conf" 2>/dev/null)" ] &&
        fail "$folder names an adapter in Quorin Velmar Demo\\gpibplus.conf: this session needs none"
done
if [ -n "$adapter_tool" ]; then
    # The firmware's waits run 100 times faster, as in the Linux session.
    GPIBSIM_TRACE=$trace "$adapter_tool" --dialect "$dialect" \
        --pty="$WINEPREFIX/dosdevices/com9" --time-scale=100 >"$work/adapter.txt" 2>&1 &
    adapter=$!
    serving() { grep -q '^pty ' "$work/adapter.txt"; }
    await_within 10 0.1 serving || fail "gpibsim-adapter did not start: $(cat "$work/adapter.txt")"
    GPIBPLUS_PORT=COM9 wine "$program" 2>"$stderr" &
else
    GPIBSIM_TRACE=$(winepath -w "$trace") wine "$program" 2>"$stderr" &
fi
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
results=$(results_text "$window" "$pause")
identity='QUORIN,Simulated Multimeter,SIM0004,1.0'
[ "$results" = "$identity" ] || fail "the results box shows '$results', not '$identity'"
echo "ok: the results box shows $results"

click "$window" "$pause" cmdSpoll
traced 'bus: ATN SPD' || fail "Serial Poll did not reach the bus"
sleep 1
import -window root "$artefacts/$name-wine.png"
poll=$(results_text "$window" "$pause")
[ "$poll" = "Serial poll response for device 4 =  0" ] ||
    fail "after Serial Poll the results box shows '$poll'"
echo "ok: the results box shows $poll"

if [ -n "$adapter_tool" ]; then
    reported_adapter "$stderr" COM9 ||
        fail "the program did not report the adapter at COM9: $(cat "$stderr")"
    grep -qF 'gpibplus.dll)' "$stderr" || fail "the adapter's library is not gpibplus.dll: $(cat "$stderr")"
    echo "ok: $(grep -m1 'adapter at' "$stderr" | tr -d '\r')"
else
    reported_simulated_bus "$stderr" gpibsim.dll ||
        fail "the program did not report the simulated bus: $(cat "$stderr")"
    echo "ok: $(grep -m1 'the bus is simulated' "$stderr" | tr -d '\r')"
fi

# Whether the bus trace holds the lines given, one after the other.
holds() {
    local block
    block=$(printf '%s\n' "$@")
    [[ "$(cat "$trace")" == *"$block"* ]]
}
reply='bus: 4 -> 0: "QUORIN,Simulated Multimeter,SIM0004,1.0\n" END'
if [ -n "$adapter_tool" ]; then
    # The adapter addresses the device alone, and reads in a transaction of its own.
    holds 'bus: ATN UNT' 'bus: ATN MLA 4' 'bus: 0 -> 4: "*IDN?" END' &&
        holds 'bus: ATN MTA 4' "$reply"
else
    holds 'bus: ATN MTA 0' 'bus: ATN UNL' 'bus: ATN MLA 4' 'bus: 0 -> 4: "*IDN?" END' \
        'bus: ATN UNL' 'bus: ATN MLA 0' 'bus: ATN MTA 4' "$reply"
fi || fail "the bus trace lacks the *IDN? exchange: $(cat "$trace")"
holds 'bus: ATN SPE' 'bus: ATN MTA 4' 'bus: status byte of 4: 0x00' 'bus: ATN SPD' ||
    fail "the bus trace lacks the serial poll: $(cat "$trace")"
echo "ok: the bus trace holds the *IDN? exchange and the serial poll ($trace)"
echo "ok: screenshot $artefacts/$name-wine.png"
