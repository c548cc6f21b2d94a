#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Every source, build and script file of the tree names its licence in an SPDX line at its top
# (after a #! line). Usage: check_licence.sh SOURCE_DIR
set -euo pipefail
cd "$1"
missing=0
while IFS= read -r file; do
    if ! head -n 2 "$file" | grep -q 'SPDX-License-Identifier: MIT'; then
        echo "no SPDX line: $file"
        missing=1
    fi
done < <(
    find . \( -name '*.cpp' -o -name '*.h' -o -name '*.c' -o -name '*.py' -o -name '*.sh' \
        -o -name '*.cmake' -o -name CMakeLists.txt -o -name '*.def' -o -name '*.def.in' \
        -o -name '*.rc.in' \) \
        -not -path './build*' -not -path './.git/*' -not -path '*/corpus/*'
    printf '%s\n' .ci/run scripts/{bench,fuzz,package,run,test} cmake/driver-run.in
    printf '%s\n' scripts/{package-windows,test-windows} cmake/windows/wine-run.in
    printf '%s\n' packaging/windows/NSIS.template.in
)
[ "$missing" -eq 0 ] && echo "every file names its licence"
exit "$missing"
