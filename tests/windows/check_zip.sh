#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows zip as a user gets it: unpacked into an empty folder, the program runs under Wine
# with nothing but what the zip holds (no Qt or MinGW runtime on the DLL search path), answers
# --version, and opens its window on its Windows platform plugin under a private X server.
# Usage: check_zip.sh ZIP WINEPREFIX ARTEFACTS
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
zip=$1 artefacts=$3
export WINEPREFIX=$2 WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
folder=$(mktemp -d)
trap 'rm -rf "$folder"; [ -n "${QUORIN_XVFB:-}" ] && kill "$QUORIN_XVFB"' EXIT
python3 -m zipfile -e "$zip" "$folder"
program=$(echo "$folder"/quorin-demo-*-win32/quorin-demo.exe)

version=$(wine "$program" --version)
[ "${version%$'\r'}" = "quorin-demo $(basename "$zip" | sed 's/quorin-demo-\(.*\)-win32.zip/\1/')" ] ||
    { echo "FAIL: --version said '$version'"; exit 1; }
echo "ok: --version: $version"

quorin_start_xvfb
wine "$program" &
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
