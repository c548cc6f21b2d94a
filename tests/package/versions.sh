# SPDX-License-Identifier: MIT
# The project's one version, the one in the top CMakeLists.txt's project(), and the check that
# what is built from it carries it: the Debian package and its texts, the Windows zip and
# installer. Sourced by the checks of the packages.
# shellcheck shell=bash

quorin_project_version() {
    sed -n 's/^project(QuorinVelmarDemo VERSION \([0-9.]*\).*/\1/p' \
        "$(dirname "${BASH_SOURCE[0]}")/../../CMakeLists.txt"
}

# Each argument is WHAT=VERSION. Prints those that differ from the project's version and
# returns 1 if any does.
quorin_check_versions() {
    local expected pair differing=()
    expected=$(quorin_project_version)
    for pair in "$@"; do
        [ "${pair#*=}" = "$expected" ] || differing+=("$pair")
    done
    [ ${#differing[@]} -eq 0 ] && return 0
    echo "FAIL: the project's version is $expected, but: ${differing[*]}"
    return 1
}
