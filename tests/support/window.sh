# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the checks that drive the program's window under a private X server, on Linux and
# under Wine: failing, waiting for a condition, finding the window and clicking its controls.

fail() {
    echo "FAIL: $*"
    exit 1
}

# Runs a command until it succeeds, every INTERVAL seconds for up to SECONDS; fails if it never
# does. Usage: await_within SECONDS INTERVAL COMMAND...
await_within() {
    local await_interval=$2 await_tries
    await_tries=$(awk -v limit="$1" -v interval="$2" 'BEGIN { printf "%d", limit / interval + 0.5 }')
    shift 2
    for _ in $(seq "$await_tries"); do
        "$@" && return 0
        sleep "$await_interval"
    done
    return 1
}
# Runs a command until it succeeds, for up to 30 s.
await() { await_within 30 0.5 "$@"; }

# Prints the id of the program's window, and fails while there is none.
program_window() { xdotool search --name '^Quorin Velmar Demo$' 2>/dev/null | head -1 | grep .; }
no_window() { ! program_window >/dev/null; }

# The centres of the window's controls, in window coordinates.
declare -gA controls=(
    [Initialize]="100 52"
    ['Serial Poll']="536 144"
    ['command box']="204 196"
    [Send]="392 196"
    ['results box']="240 320"
    [Exit]="544 448"
)
# The program's window, and the seconds a click then waits for the program to answer: set by
# the check.
window= click_pause=
# Clicks the centre of a named control of the window, then waits.
click() {
    local at
    read -ra at <<<"${controls[$1]}"
    xdotool mousemove --window "$window" "${at[@]}" click 1
    sleep "$click_pause"
}

# Whether the program's standard error, in FILE, says that with no GPIB driver installed the
# bus is simulated, by the library named LIBRARY when given.
# Usage: reported_simulated_bus FILE [LIBRARY]
reported_simulated_bus() {
    grep -q "^quorin.driver: no GPIB driver installed; the bus is simulated (${2:+.*$2)}" "$1"
}
