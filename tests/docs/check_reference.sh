#!/usr/bin/env bash
# Holds the designer's reference to the libraries: runs every example script it shows and
# compares the output with the output it shows, and calls every case its tables list in both
# libraries (through tests/docs/extract_reference.pl). The libraries must be registered in the
# prefix; the indexfile tool is found in TOOL_FOLDER.
#   Usage: check_reference.sh ARCH PREFIX REFERENCE.md WORK_FOLDER TOOL_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env"
wine_env "$1" "$2"
wine_prefix_ready
reference=$3
work=$4
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# The examples run the tool by its name, as a report would once the kit's folder is on its path.
export WINEPATH="$(windows_path "$5")"
rm -rf "$work"
mkdir -p "$work/scripts" "$work/cases"
# What a script prints through a pipe: code page 437 and CR LF, as text of this machine.
run_vbs() { wine_call cscript //nologo "$(windows_path "$1")" "${@:2}" 2>&1 | tr -d '\r' | iconv -f CP437 -t UTF-8; }

perl "$here/extract_reference.pl" "$reference" "$work/scripts" || exit 1
failed=0

output=$(run_vbs "$work/scripts/cases.vbs" "$(windows_path "$work/cases")")
printf '%s\n' "$output" | grep -v '^ok ' || true
passed=$(printf '%s\n' "$output" | grep -c '^ok ')
echo "check_reference: $passed cases answered as the reference says"
if printf '%s\n' "$output" | grep -q '^FAIL' || [ "$passed" -eq 0 ] ||
   [ "$(printf '%s\n' "$output" | tail -n 1)" != "ALL DONE" ]; then
    echo "check_reference: the cases do not hold (or their script stopped)"
    failed=1
fi

for script in "$work"/scripts/example-*.vbs; do
    name=$(basename "$script" .vbs)
    folder="$work/$name"
    mkdir -p "$folder"
    # Each example runs in a folder of its own, which is its current folder.
    got=$(cd "$folder" && run_vbs "$script")
    if [ "$got" == "$(cat "${script%.vbs}.expected")" ]; then
        echo "ok $name: prints what the reference shows"
    else
        echo "FAIL $name: prints something else than the reference shows:"
        diff <(cat "${script%.vbs}.expected") <(printf '%s\n' "$got") | head -n 40
        failed=1
    fi
done
exit $failed
