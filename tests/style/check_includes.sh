#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# No include climbs out of its folder with "../". The compiler looks for such an include next to
# the including file before it reads any include path, so the folders' libraries cannot stop it:
# this check does. Usage: check_includes.sh SOURCE_DIR
set -euo pipefail
cd "$1"
if grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][^">]*\.\./' \
    --include='*.cpp' --include='*.h' --include='*.c' --exclude-dir='build*' --exclude-dir=.git .
then
    echo "an include above climbs out of its folder: include it by its folder's path instead"
    exit 1
fi
echo "no include climbs out of its folder"
