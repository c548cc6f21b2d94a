#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows installer under Wine, as an administrator runs it. A silent install puts the zip's
# files, the uninstaller, the Start-menu shortcut and the Apps & features entry in place, all
# with the project's version; the program starts from the shortcut, its window opens on a
# private X server, and --version answers. A silent uninstall with _?= removes all but itself,
# which its caller deletes. Installed again elsewhere, the first installation goes; the
# uninstall command registered for Apps & features removes everything. Each time, nothing of
# ours is left in the file system or the registry.
# The "++" adapter's port: /PORT= writes it to the machine's configuration file, and the
# installed program then uses gpibplus.dll at that port; a bad /PORT, or a /GPIB32 without a
# port or over a gpib-32.dll not ours, is refused with status 2, nothing installed. /GPIB32 puts
# gpibplus.dll in the system folder as gpib-32.dll; an upgrade keeps it and the configuration,
# the uninstaller removes them, but not once someone has replaced or added to them.
# Wine's server must not be running.
# Usage: check_installer.sh SETUP.exe ZIP WINEPREFIX ARTEFACTS
set -euo pipefail
source "$(dirname "$0")/winedesktop.sh"
source "$(dirname "$0")/../package/versions.sh"
setup=$1 zip=$2 artefacts=$4
work=$(mktemp -d) app=
trap 'wine_desktop_stop "$work" "$app"' EXIT
wine_desktop_start "$3"

name="Quorin Velmar Demo"
folder="C:\\Program Files\\$name"
key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\QuorinVelmarDemo"
shortcut="C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\$name.lnk"
settings="C:\\ProgramData\\$name"
configuration="$settings\\gpibplus.conf"
system_library='C:\windows\system32\gpib-32.dll'
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

# The configuration file's text as the installer writes it, naming the port PORT.
# Usage: written_configuration PORT
written_configuration() {
    printf '%s\r\n' "# Written by the $name installer: the port of the \"++\" GPIB adapter." \
        "port = $1"
}
# Fails unless FILE holds what the command after it prints. Usage: holds FILE COMMAND...
holds() {
    "${@:2}" | cmp -s - "$(unix "$1")" ||
        fail "$1 holds '$(cat "$(unix "$1")")', not '$("${@:2}")'"
}
# Fails unless the system's gpib-32.dll is the gpibplus.dll of the installation in FOLDER.
# Usage: system_library_of FOLDER
system_library_of() {
    cmp -s "$(unix "$system_library")" "$(unix "$1\\gpibplus.dll")" ||
        fail "$system_library is not $1\\gpibplus.dll"
}
# Fails unless the installer, given OPTIONS, ends with status 2.
refused() {
    local status=0
    wine "$setup" /S "$@" || status=$?
    [ "$status" = 2 ] || fail "the installer ended with status $status given $*, not 2"
}

# What an earlier run that failed half-way left is removed first.
rm -rf "$(unix "$folder")" "$(unix 'C:\Quorin')" "$(unix "$shortcut")" "$(unix "$settings")" \
    "$(unix "$system_library")"
wine reg delete "$key" /f >/dev/null 2>&1 || true
traces >"$work/before.txt"

started=$SECONDS
wine "$setup" /S /PORT=com7 || fail "the silent install ended with status $?"
echo "ok: silent install in $((SECONDS - started)) s"
holds "$configuration" written_configuration COM7
echo "ok: the adapter's port in $configuration"

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
# At its first bus operation, the program finds the port in gpibplus.dll's configuration: no
# adapter needs to be there for it to say which it uses.
wine "$folder\\quorin-demo.exe" 2>"$artefacts/installed-stderr.txt" &
app=$!
window=$(await program_window) || fail "no window within 30 s"
reported() { reported_adapter "$artefacts/installed-stderr.txt" COM7; }
for _ in 1 2 3; do
    click "$window" 0.5 cmdInitialize
    await_within 5 0.2 reported && break
done
reported || fail "the program did not report the adapter: $(cat "$artefacts/installed-stderr.txt")"
wine taskkill /im quorin-demo.exe >/dev/null
await no_window || fail "the program did not close"
app=
echo "ok: $(grep -m1 'adapter at' "$artefacts/installed-stderr.txt" | tr -d '\r')"
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

# Options at fault, each refused before anything is installed.
started=$SECONDS
for port in COM0 COM257 COM3x /dev/ttyUSB0 192.168.1.20 host:0 host:65536 '[::1]' '\\.\LPT1'; do
    refused "/PORT=$port"
done
refused /GPIB32
wine reg query "$key" >/dev/null 2>&1 && fail "a refused installer registered an installation"
[ ! -e "$installed" ] && [ ! -e "$(unix "$settings")" ] ||
    fail "a refused installer installed something"
echo "ok: bad /PORT values and /GPIB32 without a port refused in $((SECONDS - started)) s"

# Installed again into another folder, the installation there replaces the first, and keeps
# the adapter's port and gpib-32.dll.
wine "$setup" /S /PORT=192.168.1.20:1234 /GPIB32 || fail "the install ended with status $?"
system_library_of "$folder"
wine "$setup" /S '/D=C:\Quorin' || fail "the second install ended with status $?"
[ ! -e "$installed" ] || fail "the first installation stayed: $(ls -A "$installed")"
[ "$(value InstallLocation)" = 'C:\Quorin' ] || fail "registered: $(value InstallLocation)"
system_library_of 'C:\Quorin'
holds "$configuration" written_configuration 192.168.1.20:1234
echo "ok: installed again into C:\\Quorin, the first removed, port and gpib-32.dll kept"
cmdline "$(value QuietUninstallString)" || fail "the registered uninstall ended with status $?"
await test ! -e "$(unix 'C:\Quorin')" || fail "C:\\Quorin stayed after the registered uninstall"
check_nothing_left "the registered uninstall"

# Once another gpib-32.dll has taken the place of ours, and a line has been added to the
# configuration file, neither is the installer's any more.
wine "$setup" /S '/PORT=\\.\com12' /GPIB32 || fail "the silent install ended with status $?"
system_library_of "$folder"
echo 'not ours' >"$(unix "$system_library")"
printf 'baud = 9600\r\n' >>"$(unix "$configuration")"
refused /PORT=COM7 /GPIB32
wine "$setup" /S /PORT=COM7 || fail "the install over a foreign gpib-32.dll ended with status $?"
ours_and_theirs() {
    written_configuration '\\.\COM12'
    printf 'baud = 9600\r\n'
    written_configuration COM7
}
holds "$configuration" ours_and_theirs
cmdline "\"$folder\\Uninstall.exe\" /S _?=$folder" || fail "the uninstall ended with status $?"
holds "$system_library" echo 'not ours'
holds "$configuration" ours_and_theirs
echo "ok: a foreign gpib-32.dll and a configuration added to stay, through install and uninstall"
rm "$installed/Uninstall.exe" "$(unix "$system_library")" "$(unix "$configuration")"
rmdir "$installed" "$(unix "$settings")"
check_nothing_left "the installation beside a foreign gpib-32.dll"
