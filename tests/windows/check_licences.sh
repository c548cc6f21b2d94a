#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The licences in the Windows zip (and so in the installation, which holds the same files): the
# index LICENSES/THIRD-PARTY.txt names every program file of the zip and the uninstaller, each
# with the parts of its code, their licences and texts; every text it names is in the zip and
# not empty, and every text in a part's folder LICENSES/PART is named. Then packaging fails on a
# DLL that no row of the licence table names.
# Usage: check_licences.sh ZIP CPACK_CONFIG (the CPackConfig.cmake that made the zip)
set -euo pipefail
zip=$1 config=$2
python3 - "$zip" <<'PY'
import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
files = {n.split("/", 1)[1]: n for n in archive.namelist() if not n.endswith("/")}
index = archive.read(files["LICENSES/THIRD-PARTY.txt"]).decode().split("\n\n")[1:]
failures, named, listed = [], set(), {}
for entry in index:
    heading, *lines = entry.strip("\n").split("\n")
    program = heading.removesuffix(" (written by the installer)").replace("\\", "/")
    parts = [line.strip() for line in lines if not line.startswith(" " * 8)]
    texts = [line.strip().replace("\\", "/") for line in lines if line.startswith(" " * 8)]
    listed[program] = parts
    if not parts or not all(":" in part and part.split(":", 1)[1].strip() for part in parts):
        failures.append(f"{program}: a part without its licence: {parts}")
    for text in texts:
        named.add(text)
        if text not in files or not archive.read(files[text]).strip():
            failures.append(f"{program}: the licence text {text} is missing or empty")
for program in [f for f in files if f.endswith((".exe", ".dll"))] + ["Uninstall.exe"]:
    if program not in listed:
        failures.append(f"{program} is not in THIRD-PARTY.txt")
for text in files:
    if text.count("/") == 2 and text.startswith("LICENSES/") and text not in named:
        failures.append(f"{text} is named by no program file")
for failure in failures:
    print("FAIL:", failure)
if failures:
    sys.exit(1)
for program, parts in sorted(listed.items()):
    print(f"ok: {program}: {', '.join(part.split(':')[0] for part in parts)}")
PY

# A DLL that no row names stops the packaging, which names it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/more"
echo "not a real DLL" >"$work/more/unlisted.dll"
status=0
cpack --config "$config" -G ZIP -B "$work/out" -D "CPACK_INSTALLED_DIRECTORIES=$work/more;." \
    >"$work/cpack.txt" 2>&1 || status=$?
# CMake wraps its messages.
message=$(tr -s '[:space:]' ' ' <"$work/cpack.txt" | grep -o 'so their licences are unknown: [^ ]*')
if [ "$status" -eq 0 ] || [ "$message" != "so their licences are unknown: unlisted.dll" ]; then
    cat "$work/cpack.txt"
    echo "FAIL: packaging a DLL that no row names did not fail on it"
    exit 1
fi
echo "ok: packaging a DLL that no row names fails: $message"
