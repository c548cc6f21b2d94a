#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks what the Debian package installs and what it needs.
# Usage: check_package.sh WORK_DIR (holding the package build_package.sh made)
set -euo pipefail
work=$1
deb=$(ls "$work"/quorin-demo_*.deb)
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
depends=$(dpkg-deb -f "$deb" Depends)
fail=0
for f in ./usr/bin/{quorin-demo,gpibsim-run,gpibsim-adapter,gpibplus-run} \
    ./usr/lib/quorin-demo/{libgpibsim.so,libgpibplus.so} \
    ./usr/lib/quorin-demo/libgpib/{libgpib.so.0,libgpib.so,libgpibsim.so} \
    ./usr/lib/quorin-demo/libgpib-plus/{libgpib.so.0,libgpib.so,libgpibplus.so} \
    ./usr/share/quorin-demo/instruments/{bench,function-generator,multimeter,power-supply,scanner}.yaml \
    ./usr/share/applications/org.quorin.VelmarDemo.desktop \
    ./usr/share/metainfo/org.quorin.VelmarDemo.metainfo.xml \
    ./usr/share/doc/quorin-demo/{copyright,changelog.gz,examples/gpibplus.conf} \
    ./usr/share/man/man1/{quorin-demo,gpibsim-run,gpibsim-adapter,gpibplus-run}.1.gz \
    ./usr/share/man/man7/gpibplus.7.gz \
    ./usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/quorin-demo.png; do
    grep -qx "$f" <<<"$files" || { echo "FAIL: the package lacks $f"; fail=1; }
done
# Every command has its manual page.
for command in $(grep -E '^\./usr/bin/[^/]+$' <<<"$files"); do
    grep -qx "./usr/share/man/man1/${command##*/}.1.gz" <<<"$files" ||
        { echo "FAIL: no manual page for $command"; fail=1; }
done
# Nothing but the program's own files: no build or test leftovers.
unexpected=$(grep -v -E '/$|^\./usr/(bin/[^/]+|lib/quorin-demo/(libgpib(-plus)?/)?libgpib(sim|plus)?\.so(\.0)?|share/applications/org\.quorin\.VelmarDemo\.desktop|share/metainfo/org\.quorin\.VelmarDemo\.metainfo\.xml|share/doc/quorin-demo/(copyright|changelog\.gz|examples/gpibplus\.conf)|share/man/man1/[^/]+\.1\.gz|share/man/man7/gpibplus\.7\.gz|share/quorin-demo/instruments/[a-z-]+\.yaml|share/icons/hicolor/[0-9]+x[0-9]+/apps/quorin-demo\.png)$' <<<"$files" || true)
[ -z "$unexpected" ] || { echo "FAIL: unexpected files:"; echo "$unexpected"; fail=1; }
for d in libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins libyaml-cpp0.7; do
    grep -q "\b$d\b" <<<"$depends" || { echo "FAIL: Depends lacks $d: $depends"; fail=1; }
done
[ "$fail" -eq 0 ] && echo "PASS: $(basename "$deb"): $(wc -l <<<"$files") entries; Depends: $depends"
exit "$fail"
