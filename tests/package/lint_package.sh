#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Debian's and freedesktop.org's checks on the package: lintian (its default profile, where an
# error or a warning fails), the AppStream validator and the desktop entry validator. Then the
# packaged program answers --version, --help and a bad option without a display, and the
# package, the program, the changelog and the AppStream release all carry the project's version
# (as the Windows zip and installer do: tests/windows/check_installer.sh). The example
# configuration of the "++" adapter is one the packaged library accepts.
# Usage: lint_package.sh WORK_DIR (holding the package build_package.sh made)
set -euo pipefail
source "$(dirname "$0")/versions.sh"
work=$1
deb=$(ls "$work"/quorin-demo_*.deb)
root="$work/root"
rm -rf "$root"
dpkg-deb -x "$deb" "$root"
fail=0

# lintian says on stderr that it runs as root; its findings go to stdout.
if ! findings=$(lintian --fail-on error,warning "$deb" 2>/dev/null) || [ -n "$findings" ]; then
    echo "FAIL: lintian:"
    echo "$findings"
    fail=1
fi
metainfo="$root/usr/share/metainfo/org.quorin.VelmarDemo.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.txt" 2>&1 ||
    { echo "FAIL: appstreamcli validate:"; cat "$work/appstream.txt"; fail=1; }
desktop="$root/usr/share/applications/org.quorin.VelmarDemo.desktop"
findings=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$findings" ] ||
    { echo "FAIL: desktop-file-validate:"; echo "$findings"; fail=1; }

# The packaged program, with no display to reach and its Qt libraries from the system.
program() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/quorin-demo" "$@"; }
program_version=$(program --version) || { echo "FAIL: --version failed"; fail=1; }
program_version=${program_version#quorin-demo }
help=$(program --help) && grep -q GPIBSIM_BENCH <<<"$help" ||
    { echo "FAIL: --help: $help"; fail=1; }
status=0
refusal=$(program --bogus 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] && [ "$(wc -l <<<"$refusal")" -eq 1 ] && grep -q bogus <<<"$refusal" ||
    { echo "FAIL: --bogus gave status $status and: $refusal"; fail=1; }

# The example configuration, its settings uncommented, is one the packaged library accepts.
example="$root/usr/share/doc/quorin-demo/examples/gpibplus.conf"
sed -E 's/^#((port|baud) = )/\1/' "$example" >"$work/gpibplus.conf"
named=$(env -u GPIBPLUS_PORT GPIBPLUS_CONF="$work/gpibplus.conf" python3 -c '
import ctypes, sys
library = ctypes.CDLL(sys.argv[1])
library.gpibplus_port.restype = ctypes.c_char_p
print(library.gpibplus_port())' "$root/usr/lib/quorin-demo/libgpibplus.so")
[ "$named" = "b'/dev/ttyUSB0'" ] ||
    { echo "FAIL: the library reads the example configuration as port $named"; fail=1; }

package_version=$(dpkg-deb -f "$deb" Version)
zcat "$root/usr/share/doc/quorin-demo/changelog.gz" >"$work/changelog"
changelog_version=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
changelog_date=$(date -u -d "$(dpkg-parsechangelog -l "$work/changelog" -S Date)" +%F)
read -r release_version release_date < <(python3 -c '
import sys, xml.etree.ElementTree as tree
release = tree.parse(sys.argv[1]).find("releases/release")
print(release.get("version"), release.get("date"))' "$metainfo")
quorin_check_versions "package=$package_version" "--version=$program_version" \
    "changelog=$changelog_version" "AppStream release=$release_version" || fail=1
[ "$release_date" = "$changelog_date" ] ||
    { echo "FAIL: the AppStream release is dated $release_date, the changelog $changelog_date"; fail=1; }

[ "$fail" -eq 0 ] && echo "PASS: lintian, appstreamcli and desktop-file-validate accept" \
    "$(basename "$deb"); version $package_version of $changelog_date everywhere"
exit "$fail"
