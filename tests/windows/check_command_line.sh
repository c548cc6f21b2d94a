#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows program answers --help, --version and an unknown option on the console it was
# started from, with the texts and exit statuses of the Linux program.
# Usage: check_command_line.sh WINE-RUN PROGRAM.exe
set -uo pipefail
run=$1 program=$2
status=0
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# ARGUMENT, expected exit status, expected standard output's first line, expected standard error
check() {
    "$run" "$program" "$1" >"$out" 2>"$err"
    local code=$? first
    first=$(head -n 1 "$out" | tr -d '\r')
    if [ "$code" -eq "$2" ] && [ "$first" = "$3" ] && [ "$(tr -d '\r' <"$err")" = "$4" ]; then
        echo "ok: $1"
    else
        echo "FAIL: $1: exit $code, output '$first', error '$(cat "$err")'"
        status=1
    fi
}
source "$(dirname "$0")/../package/versions.sh"
check --version 0 "quorin-demo $(quorin_project_version)" ""
check --help 0 "Usage: quorin-demo [OPTION] [QT-OPTION...]" ""
check --verbose 2 "" "quorin-demo: Unknown option 'verbose'. Try 'quorin-demo --help'."
exit "$status"
