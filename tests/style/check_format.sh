#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every C and C++ source of the tree as clang-format writes it with the committed .clang-format.
# Usage: check_format.sh SOURCE_DIR
set -euo pipefail
cd "$1"
mapfile -t sources < <(find gpib status operations panel driverfront gpibsim tests benchmarks \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -not -path '*/corpus/*' | sort)
clang-format --dry-run --Werror "${sources[@]}"
echo "${#sources[@]} files formatted as clang-format writes them"
