#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows zip as a user gets it: unpacked into an empty folder, the program runs under Wine
# with nothing but what the zip holds (no Qt or MinGW runtime on the DLL search path), answers
# --version, and opens its window on its Windows platform plugin under a private X server.
# Wine's server must not be running.
# Usage: check_zip.sh ZIP WINEPREFIX ARTEFACTS
set -euo pipefail
source "$(dirname "$0")/winedesktop.sh"
zip=$1 artefacts=$3
work=$(mktemp -d) app=
trap 'wine_desktop_stop "$work" "$app"' EXIT
wine_desktop_start "$2"
program=$(unpack "$zip" "$work")

wine "$program" --version >"$work/version.txt"
version=$(tr -d '\r' <"$work/version.txt")
expected="quorin-demo $(basename "$zip" | sed 's/quorin-demo-\(.*\)-win32.zip/\1/')"
[ "$version" = "$expected" ] || fail "--version said '$version', not '$expected'"
echo "ok: --version: $version"

wine "$program" >/dev/null 2>&1 &
app=$!
await program_window >/dev/null || fail "no window within 30 s"
mkdir -p "$artefacts"
import -window root "$artefacts/zip-window.png"
echo "ok: the window opened from the unpacked zip ($artefacts/zip-window.png)"
