# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the checks that run the Windows program on its own platform plugin: the 32-bit
# Wine prefix PREFIX, a work folder $work, a private X server with Wine's server started on it
# (Wine's server must not be running before), the window helpers of tests/support/window.sh,
# and the ending that stops the program started in the background ($app), both servers, and
# removes the work folder.
# Usage: source winedesktop.sh PREFIX
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/window.sh"
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all
# No menu entries for the host's desktop from the installer's shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
work=$(mktemp -d)
app=
ending() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    wineserver --kill || true
    quorin_stop_xvfb
    rm -rf "$work"
}
trap ending EXIT
# Unpacks the zip into the work folder and prints the program's path there.
unpack() {
    python3 -m zipfile -e "$1" "$work"
    echo "$work"/quorin-demo-*-win32/quorin-demo.exe
}

quorin_start_xvfb
# Wine's own services, started first and apart, so that they hold no output of the checks open.
wineboot </dev/null >/dev/null 2>&1
