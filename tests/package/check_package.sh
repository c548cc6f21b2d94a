#!/usr/bin/env bash
# Builds the Debian package from this build and checks what it installs and what it needs.
# Usage: check_package.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/quorin-demo_*.deb)
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
depends=$(dpkg-deb -f "$deb" Depends)
fail=0
for f in ./usr/bin/quorin-demo ./usr/lib/quorin-demo/libgpibsim.so ./usr/bin/gpibsim-run \
    ./usr/lib/quorin-demo/libgpib/{libgpib.so.0,libgpib.so,libgpibsim.so} \
    ./usr/share/quorin-demo/instruments/{bench,function-generator,multimeter,power-supply,scanner}.yaml \
    ./usr/share/applications/quorin-demo.desktop \
    ./usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/quorin-demo.png; do
    grep -qx "$f" <<<"$files" || { echo "FAIL: the package lacks $f"; fail=1; }
done
# Nothing but the program's own files: no build or test leftovers.
unexpected=$(grep -v -E '/$|^\./usr/(bin/(quorin-demo|gpibsim-run)|lib/quorin-demo/(libgpib/)?libgpib(sim)?\.so(\.0)?|share/quorin-demo/instruments/[a-z-]+\.yaml|share/applications/quorin-demo\.desktop|share/icons/hicolor/[0-9]+x[0-9]+/apps/quorin-demo\.png)$' <<<"$files" || true)
[ -z "$unexpected" ] || { echo "FAIL: unexpected files:"; echo "$unexpected"; fail=1; }
for d in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins libyaml-cpp0.7; do
    grep -q "\b$d\b" <<<"$depends" || { echo "FAIL: Depends lacks $d: $depends"; fail=1; }
done
[ "$fail" -eq 0 ] && echo "PASS: $(basename "$deb"): $(wc -l <<<"$files") entries; Depends: $depends"
exit "$fail"
