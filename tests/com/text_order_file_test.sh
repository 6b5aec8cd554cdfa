#!/usr/bin/env bash
# One file, one order: an index that Keystack.dll saves in text order (under Wine) must be in
# the order the portable build's indexfile finds in it, rows out of order counted (--strict).
#   Usage: text_order_file_test.sh ARCH PREFIX WORK_FOLDER NATIVE_INDEXFILE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
native=$4
if [ ! -x "$native" ]; then
    echo "text_order_file_test: no native build of indexfile at $native (build the native preset first)"
    exit 77
fi
"$here/run_script.sh" "$1" "$2" "$here/scripts/text_order_file.vbs" "$3" || exit 1
file=$3/text_order_file_vbs/text_order.xml
out=$("$native" check --strict "$file" 2>&1)
status=$?
printf '%s\n' "$out"
if [ $status -ne 0 ] || [ "$out" != "$file: ok" ]; then
    echo "text_order_file_test: the native indexfile finds the DLL's file out of its order"
    exit 1
fi
