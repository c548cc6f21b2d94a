#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows installer under Wine, as an administrator runs it. A silent install puts the zip's
# files, the uninstaller, the Start-menu shortcut and the Apps & features entry in place, all
# with the project's version; the program starts from the shortcut, its window opens on a
# private X server, and --version answers. A silent uninstall with _?= removes all but itself,
# which its caller deletes. Installed again elsewhere, the first installation goes; the
# uninstall command registered for Apps & features removes everything. Each time, nothing of
# ours is left in the file system or the registry.
# Wine's server must not be running.
# Usage: check_installer.sh SETUP.exe ZIP WINEPREFIX ARTEFACTS
set -euo pipefail
source "$(dirname "$0")/winedesktop.sh"
source "$(dirname "$0")/../package/versions.sh"
setup=$1 zip=$2 artefacts=$4
work=$(mktemp -d)
trap 'wine_desktop_stop "$work"' EXIT
wine_desktop_start "$3"

name="Quorin Velmar Demo"
folder="C:\\Program Files\\$name"
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuorinVelmarDemo"
shortcut="C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\$name.lnk"
unix() { winepath -u "$1" 2>/dev/null; }
# A command line as Windows programs get it, unquoted where Wine would quote: _?= and /D= must
# be given so.
cmdline() {
    printf '%s\r\n' "$1" >"$work/command.bat"
    wine cmd /c "$(winepath -w "$work/command.bat")" >/dev/null
}
value() { wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"; }
# What of ours could stay behind: the files of the prefix's drive (but the temporary folders,
# where the uninstaller copies itself to run from) and, once Wine has saved it, the registry.
traces() {
    (cd "$WINEPREFIX/drive_c" && find . -not -path './users/*/Temp/*' | sort)
    wineserver --kill
    wineserver --wait
    grep -i -h quorin "$WINEPREFIX"/*.reg || true
    wineboot </dev/null >/dev/null 2>&1
}
# Nothing of ours left: the file system and the registry as before the installation.
check_nothing_left() {
    traces >"$work/after.txt"
    diff "$work/before.txt" "$work/after.txt" >"$work/left.txt" || {
        cat "$work/left.txt"
        fail "$1 left the above behind"
    }
    echo "ok: $1 left nothing behind"
}

# What an earlier run that failed half-way left is removed first.
rm -rf "$(unix "$folder")" "$(unix 'C:\Quorin')" "$(unix "$shortcut")"
wine reg delete "$key" /f >/dev/null 2>&1 || true
traces >"$work/before.txt"

started=$SECONDS
wine "$setup" /S || fail "the silent install ended with status $?"
echo "ok: silent install in $((SECONDS - started)) s"

# The zip's files, and the uninstaller.
installed=$(unix "$folder")
(cd "$installed" && find . -type f | cut -c3- | sort) >"$work/installed.txt"
{
    python3 -c 'import sys, zipfile
print("\n".join(n.split("/", 1)[1] for n in zipfile.ZipFile(sys.argv[1]).namelist()
                if not n.endswith("/")))' "$zip"
    echo Uninstall.exe
} | sort >"$work/expected.txt"
diff "$work/expected.txt" "$work/installed.txt" || fail "the installation differs from the zip"
echo "ok: $(wc -l <"$work/installed.txt") files installed, the zip's and the uninstaller"

grep -qaF "$folder\\quorin-demo.exe" "$(unix "$shortcut")" ||
    fail "no Start-menu shortcut to the program: $shortcut"
echo "ok: the Start-menu shortcut: $shortcut"

# The Apps & features entry.
version=$(value DisplayVersion)
while IFS='|' read -r entry expected; do
    [ "$(value "$entry")" = "$expected" ] || fail "$entry is '$(value "$entry")', not '$expected'"
done <<EOF
DisplayName|$name
Publisher|The Quorin Velmar Demo developers
DisplayIcon|$folder\\quorin-demo.exe,0
InstallLocation|$folder
UninstallString|"$folder\\Uninstall.exe"
QuietUninstallString|"$folder\\Uninstall.exe" /S
NoModify|0x1
NoRepair|0x1
EOF
# The size Apps & features shows, within 5 % of what is installed.
size=$(($(value EstimatedSize)))
actual=$(du -s -k --apparent-size "$installed" | cut -f1)
[ $((20 * (size - actual))) -le "$actual" ] && [ $((20 * (actual - size))) -le "$actual" ] ||
    fail "EstimatedSize is $size KB, the installation $actual KB"
echo "ok: Apps & features: $name $version, $size KB"

# The installed program, from the Start menu, and on the command line.
wine start "$shortcut"
await program_window >/dev/null || fail "no window within 30 s"
mkdir -p "$artefacts"
import -window root "$artefacts/installed-window.png"
wine taskkill /im quorin-demo.exe >/dev/null
await no_window || fail "the program did not close"
echo "ok: the window opened from the Start-menu shortcut ($artefacts/installed-window.png)"
program_version=$(wine "$folder\\quorin-demo.exe" --version | tr -d '\r')
echo "ok: --version: $program_version"

zip_version=$(basename "$zip" -win32.zip)
setup_version=$(basename "$setup" -win32-setup.exe)
quorin_check_versions "zip=${zip_version#quorin-demo-}" "installer=${setup_version#quorin-demo-}" \
    "DisplayVersion=$version" "--version=${program_version#quorin-demo }" || exit 1
echo "ok: version $version everywhere"

started=$SECONDS
cmdline "\"$folder\\Uninstall.exe\" /S _?=$folder" || fail "the silent uninstall ended with status $?"
[ "$(ls -A "$installed")" = Uninstall.exe ] || fail "left after uninstalling: $(ls -A "$installed")"
wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall key is still there"
echo "ok: silent uninstall with _?= in $((SECONDS - started)) s, its uninstaller left to delete"
rm "$installed/Uninstall.exe"
rmdir "$installed"
check_nothing_left "install and uninstall"

# Installed again into another folder, the installation there replaces the first.
wine "$setup" /S || fail "the silent install ended with status $?"
wine "$setup" /S '/D=C:\Quorin' || fail "the second install ended with status $?"
[ ! -e "$installed" ] || fail "the first installation stayed: $(ls -A "$installed")"
[ "$(value InstallLocation)" = 'C:\Quorin' ] || fail "registered: $(value InstallLocation)"
echo "ok: installed again into C:\\Quorin, the first installation removed"
cmdline "$(value QuietUninstallString)" || fail "the registered uninstall ended with status $?"
await test ! -e "$(unix 'C:\Quorin')" || fail "C:\\Quorin stayed after the registered uninstall"
check_nothing_left "the registered uninstall"
