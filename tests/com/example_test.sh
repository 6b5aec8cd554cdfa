#!/usr/bin/env bash
# Runs an example report (examples/*.vbs) with cscript under Wine and compares what it prints
# with the output it must give. Wine's cscript hides script errors and exits 0, so the whole
# output is the verdict: any difference fails, and the difference is shown.
#   Usage: example_test.sh ARCH PREFIX SCRIPT EXPECTED_OUTPUT WORK_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env"
wine_env "$1" "$2"
wine_prefix_ready
script=$3
expected=$4
work=$5/$(basename "$script" | tr . _)
rm -rf "$work"
mkdir -p "$work"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

output=$(wine_call cscript //nologo "$(windows_path "$script")" "$(windows_path "$work")" 2>&1 | tr -d '\r')
if ! diff -u "$expected" - <<<"$output"; then
    echo "example_test: $(basename "$script") printed other than $(basename "$expected") (diff above: - expected, + printed)"
    exit 1
fi
printf '%s\n' "$output" | tail -n 3
echo "example_test: $(basename "$script") printed what it must"
