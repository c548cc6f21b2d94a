#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package from this build into WORK_DIR, for the package checks.
# Usage: build_package.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
ls "$work"/quorin-demo_*.deb
