#!/usr/bin/env bash
# The packages register what regsvr32 registers. For all users: both DLLs registered with
# regsvr32 in the tests' prefix, the package installed in its own. For the current user, in the
# package's prefix: regsvr32 /n /i:user (DllInstall) first, then the package for the user. The
# libraries' keys (classes, programmatic identifiers, type library, interfaces) are compared
# value by value, with each side's DLL folder as "<folder>".
#   Usage: registration_test.sh ARCH REGSVR32_PREFIX PACKAGE_PREFIX PACKAGE USER_PACKAGE KEYSTACK_DLL PAGESTACK_DLL
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/package_test_start.sh"
ks=$(windows_path "$6")
ps=$(windows_path "$7")
dll_folder=$(windows_path "$(dirname "$6")")

# Installs PACKAGE, takes its snapshot as FILE and removes it again.
package_snapshot() {  # PACKAGE FILE
    package_setup "$1"
    remove_installed
    msiexec_expect 0 "install $(basename "$1")" /i "$(windows_path "$PACKAGE")" /qn
    library_snapshot "$CLASSES" "$FOLDER_WINDOWS" "$2"
    msiexec_expect 0 "removal" /x "$(windows_path "$PACKAGE")" /qn
}
compare() {  # WHOSE EXPECTED GOT
    echo "-- $(wc -l <"$2") keys and values from $1, $(wc -l <"$3") from the package"
    grep -qi "^clsid\\\\{$(identity KEYSTACK_CLSID_ENTRY)}\\\\inprocserver32"$'\t@\t<folder>\\\\Keystack.dll$' "$2" ||
        fail "$1's snapshot lacks Keystack's server"
    if ! cmp -s "$2" "$3"; then
        fail "the package's registration differs from $1's (< $1, > package):"
        diff "$2" "$3" | head -n 40
    fi
}

echo "== for all users: regsvr32 in $2, the package in $3"
regsvr registered -- "$ks" "$ps"
library_snapshot 'HKLM\Software\Classes' "$dll_folder" "$work_files/regsvr32"
# Wine's RegisterTypeLib records in FLAGS the bit of a library loaded from a file
# (LIBFLAG_FHASDISKIMAGE, 8), which says how that copy was loaded and which Windows leaves
# out; the DLLs' own per-user registration and the package leave it out too.
awk -F '\t' -v OFS='\t' '$1 ~ /^typelib\\.*\\flags$/ && $3 ~ /^[0-9]+$/ && int($3 / 8) % 2 == 1 { $3 -= 8 } 1' \
    "$work_files/regsvr32" >"$work_files/regsvr32.flags" && mv "$work_files/regsvr32.flags" "$work_files/regsvr32"
wine_env "$1" "$3"
wine_prefix_ready
package_snapshot "$4" "$work_files/package"
compare regsvr32 "$work_files/regsvr32" "$work_files/package"

echo "== for the current user, in $3"
regsvr installed /n /i:user -- "$ks" "$ps"
library_snapshot 'HKCU\Software\Classes' "$dll_folder" "$work_files/dllinstall"
regsvr uninstalled /u /n /i:user -- "$ks" "$ps"
package_snapshot "$5" "$work_files/user_package"
compare "regsvr32 /n /i:user" "$work_files/dllinstall" "$work_files/user_package"
finish "package registration"
