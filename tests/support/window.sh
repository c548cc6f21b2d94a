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

# Prints the centre of the control of the window named CONTROL (its object name in
# panel/Form1.ui: cmdSend, txtCmd, ...) in window coordinates, "X Y": the offsets of the group
# boxes it sits in added to its own geometry's. Usage: control_centre CONTROL
control_centre() {
    python3 - "$(dirname "${BASH_SOURCE[0]}")/../../panel/Form1.ui" "$1" <<'PY'
import sys
import xml.etree.ElementTree as ElementTree
form, name = sys.argv[1:]

def geometry(widget):
    rect = widget.find("property[@name='geometry']/rect")
    if rect is None:
        sys.exit(f"{form}: {widget.get('name')} has no geometry of its own")
    return [int(rect.findtext(field)) for field in ("x", "y", "width", "height")]

def centre(parent, left, top):
    for widget in parent.findall("widget"):
        x, y, width, height = geometry(widget)
        if widget.get("name") == name:
            return left + x + width // 2, top + y + height // 2
        found = centre(widget, left + x, top + y)
        if found:
            return found
    return None

found = centre(ElementTree.parse(form).getroot().find("widget"), 0, 0)
if not found:
    sys.exit(f"{form} has no control {name}")
print(*found)
PY
}

# Clicks the centre of a control of the window WINDOW, named as in panel/Form1.ui, then waits
# PAUSE seconds for the program to answer. Usage: click WINDOW PAUSE CONTROL
click() {
    local at x y
    at=$(control_centre "$3") || fail "no control $3 to click"
    read -r x y <<<"$at"
    xdotool mousemove --window "$1" "$x" "$y" click 1
    sleep "$2"
}

# Prints the text of the program's results box, copied through the clipboard (CR LF as LF):
# empties the clipboard, clicks into the box, selects and copies all of it, and waits up to
# 10 s for the copy. Usage: results_text WINDOW PAUSE
results_text() {
    local text=
    xclip -selection clipboard </dev/null >/dev/null 2>&1
    click "$1" "$2" txtResults
    xdotool key --delay 100 ctrl+a ctrl+c
    copied() {
        text=$(xclip -selection clipboard -o 2>/dev/null | tr -d '\r' || true)
        [ -n "$text" ]
    }
    await_within 10 0.3 copied || true
    printf '%s\n' "$text"
}

# Whether the program's standard error, in FILE, says that with no GPIB driver installed the
# bus is simulated, by the library named LIBRARY when given.
# Usage: reported_simulated_bus FILE [LIBRARY]
reported_simulated_bus() {
    grep -q "^quorin.driver: no GPIB driver installed; the bus is simulated (${2:+.*$2)}" "$1"
}

# Whether the program's standard error, in FILE, says that it reaches the bus through the "++"
# adapter at PORT. Usage: reported_adapter FILE PORT
reported_adapter() {
    grep -qF "quorin.driver: GPIB through the \"++\" adapter at $2 (" "$1"
}
