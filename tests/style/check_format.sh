#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every C and C++ source of the tree as clang-format writes it with the committed .clang-format.
# Usage: check_format.sh SOURCE_DIR
set -euo pipefail
cd "$1"
# Every folder but the build trees and hidden ones, so that a new folder is never missed.
mapfile -t sources < <(find . \( -path ./build -o -name '.*' -not -name . \) -prune -o \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -not -path '*/corpus/*' -print | sort)
clang-format --dry-run --Werror "${sources[@]}"
echo "${#sources[@]} files formatted as clang-format writes them"
