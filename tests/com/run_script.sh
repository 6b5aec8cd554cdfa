#!/usr/bin/env bash
# Runs one test script (.vbs or .js) with cscript under Wine. Wine's cscript shows no script
# errors and exits 0 even when a script stops half-way, so the scripts print their own
# verdicts: this passes only when the script printed at least one "ok" line, no "FAIL" line,
# and its last line, "ALL DONE".
#   Usage: run_script.sh ARCH PREFIX SCRIPT WORK_FOLDER [ARGUMENTS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env"
wine_env "$1" "$2"
wine_prefix_ready
script=$3
work=$4/$(basename "$script" | tr . _)
rm -rf "$work"
mkdir -p "$work"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The script gets its work folder (for index files) as its first argument, then any others.
output=$(wine_call cscript //nologo "$(windows_path "$script")" "$(windows_path "$work")" "${@:5}" 2>&1 | tr -d '\r')
printf '%s\n' "$output"
last=$(printf '%s\n' "$output" | sed '/^$/d' | tail -n 1)
# Here-strings, not pipes: with pipefail, a grep -q that stops at its first match can leave
# the writer of a long output on a closed pipe, and the pipeline fails.
if grep -q '^FAIL' <<<"$output"; then
    echo "run_script: $(basename "$script") reported failures"
    exit 1
fi
if ! grep -q '^ok' <<<"$output"; then
    echo "run_script: $(basename "$script") passed no check"
    exit 1
fi
if [ "$last" != "ALL DONE" ]; then
    echo "run_script: $(basename "$script") stopped before its end (a script error?)"
    exit 1
fi
