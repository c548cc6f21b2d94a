#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows zip as a user gets it: unpacked into an empty folder, the program runs under Wine
# with nothing but what the zip holds (no Qt or MinGW runtime on the DLL search path), answers
# --version, and opens its window on its Windows platform plugin under a private X server.
# Wine's server must not be running: it starts here on that X server, and is ended at the end.
# Usage: check_zip.sh ZIP WINEPREFIX ARTEFACTS
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
zip=$1 artefacts=$3
export WINEPREFIX=$2 WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
folder=$(mktemp -d)
ending() {
    wineserver --kill || true
    [ -n "${QUORIN_XVFB:-}" ] && kill "$QUORIN_XVFB"
    rm -rf "$folder"
}
trap ending EXIT
python3 -m zipfile -e "$zip" "$folder"
program=$(echo "$folder"/quorin-demo-*-win32/quorin-demo.exe)

quorin_start_xvfb
# Wine's own services, started first and apart, so that they hold no output of the checks open.
wineboot </dev/null >/dev/null 2>&1

wine "$program" --version >"$folder/version.txt"
version=$(tr -d '\r' <"$folder/version.txt")
expected="quorin-demo $(basename "$zip" | sed 's/quorin-demo-\(.*\)-win32.zip/\1/')"
if [ "$version" != "$expected" ]; then
    echo "FAIL: --version said '$version', not '$expected'"
    exit 1
fi
echo "ok: --version: $version"

wine "$program" >/dev/null 2>&1 &
started=$!
shown() { xdotool search --name '^Quorin Velmar Demo$' >/dev/null 2>&1; }
for _ in $(seq 60); do
    shown && break
    sleep 0.5
done
if ! shown; then
    kill "$started"
    echo "FAIL: no window within 30 s"
    exit 1
fi
mkdir -p "$artefacts"
import -window root "$artefacts/zip-window.png"
kill "$started"
wait "$started" 2>/dev/null || true
echo "ok: the window opened from the unpacked zip ($artefacts/zip-window.png)"
