#!/usr/bin/env bash
# The package registers what regsvr32 registers: both DLLs registered with regsvr32 in the
# tests' prefix, the package installed in its own, and the libraries' keys of all users
# (classes, programmatic identifiers, type library, interfaces) compared value by value, with
# each side's DLL folder as "<folder>".
#   Usage: registration_test.sh ARCH REGSVR32_PREFIX PACKAGE_PREFIX PACKAGE KEYSTACK_DLL PAGESTACK_DLL
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env"
. "$here/../com/identity.sh"
wine_env "$1" "$2"
wine_prefix_ready
. "$here/../com/registry_checks.sh"
. "$here/package_checks.sh"

echo "== regsvr32 in $2"
regsvr registered -- "$(windows_path "$5")" "$(windows_path "$6")"
library_snapshot 'HKLM\Software\Classes' "$(windows_path "$(dirname "$5")")" "$work_files/regsvr32"

echo "== the package in $3"
wine_env "$1" "$3"
wine_prefix_ready
package_setup "$4"
remove_installed
msiexec_expect 0 "install" /i "$(windows_path "$PACKAGE")" /qn
library_snapshot "$CLASSES" "$FOLDER_WINDOWS" "$work_files/package"
msiexec_expect 0 "removal" /x "$(windows_path "$PACKAGE")" /qn

# Wine's RegisterTypeLib records in FLAGS the bit of a library loaded from a file
# (LIBFLAG_FHASDISKIMAGE, 8), which says how that copy was loaded and which Windows leaves
# out; the DLLs' own per-user registration and the package leave it out too.
awk -F '\t' -v OFS='\t' '$1 ~ /^typelib\\.*\\flags$/ && $3 ~ /^[0-9]+$/ && int($3 / 8) % 2 == 1 { $3 -= 8 } 1' \
    "$work_files/regsvr32" >"$work_files/regsvr32.flags" && mv "$work_files/regsvr32.flags" "$work_files/regsvr32"
echo "-- $(wc -l <"$work_files/regsvr32") keys and values from regsvr32, $(wc -l <"$work_files/package") from the package"
grep -qi "^clsid\\\\{$(identity KEYSTACK_CLSID_ENTRY)}\\\\inprocserver32"$'\t@\t<folder>\\\\Keystack.dll$' \
    "$work_files/regsvr32" || fail "regsvr32's snapshot lacks Keystack's server"
if ! cmp -s "$work_files/regsvr32" "$work_files/package"; then
    fail "the package's registration differs from regsvr32's (< regsvr32, > package):"
    diff "$work_files/regsvr32" "$work_files/package" | head -n 40
fi
finish "package registration"
