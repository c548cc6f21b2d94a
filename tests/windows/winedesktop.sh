# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the checks that run the Windows program on its own platform plugin: the window
# helpers of tests/support/window.sh, and the functions that start a private X server with Wine's
# server on it, stop them, and unpack the zip. Sourcing it only defines them. A check starts the
# desktop and sets its own ending:
#   work=$(mktemp -d) app=
#   trap 'wine_desktop_stop "$work" "$app"' EXIT
#   wine_desktop_start PREFIX
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/window.sh"

# Uses the 32-bit Wine prefix PREFIX, starts a private X server, and Wine's services on it, first
# and apart, so that they hold no output of the check open. Wine's server must not be running.
# Usage: wine_desktop_start PREFIX
wine_desktop_start() {
    export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all
    # No menu entries for the host's desktop from the installer's shortcut.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    quorin_start_xvfb || fail "Xvfb did not start"
    wineboot </dev/null >/dev/null 2>&1
}

# Stops the program started in the background, APP if any, Wine's server and the X server, and
# removes the work folder WORK. Usage: wine_desktop_stop WORK [APP]
wine_desktop_stop() {
    [ -n "${2:-}" ] && kill "$2" 2>/dev/null
    [ -n "${WINEPREFIX:-}" ] && { wineserver --kill || true; }
    quorin_stop_xvfb
    rm -rf "$1"
}

# Unpacks ZIP into the folder WORK and prints the program's path there.
# Usage: unpack ZIP WORK
unpack() {
    python3 -m zipfile -e "$1" "$2"
    echo "$2"/quorin-demo-*-win32/quorin-demo.exe
}
