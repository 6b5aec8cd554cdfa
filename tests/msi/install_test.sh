#!/usr/bin/env bash
# The package's life on one machine: a quiet install puts the build's files in the install
# folder, registers the libraries for all users and adds one uninstall entry; a report host's
# script uses both libraries and indexfile.exe runs from there; a repair puts back a deleted
# DLL and a deleted key; removal leaves no file, no key of the libraries and no entry.
#   Usage: install_test.sh ARCH PREFIX PACKAGE WORK_FOLDER KEYSTACK_DLL PAGESTACK_DLL INDEXFILE_EXE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env"
. "$here/../com/identity.sh"
wine_env "$1" "$2"
wine_prefix_ready
. "$here/../com/registry_checks.sh"
. "$here/package_checks.sh"
package_setup "$3"
work=$4
mkdir -p "$work"
declare -A built=([Keystack.dll]=$5 [Pagestack.dll]=$6 [indexfile.exe]=$7)
pkg=$(windows_path "$PACKAGE")
entry="$PRODUCT_CODE"$'\t'"$PRODUCT_VERSION"

version_text() {  # what Help("version") answers: name, major.minor and (revision)
    printf '%s %s.%s (%s)' "$(identity "${1}_LIBRARY_NAME")" "$(identity "${1}_VERSION_MAJOR")" \
        "$(identity "${1}_VERSION_MINOR")" "$(identity "${1}_VERSION_REVISION")"
}
files_are_built() {  # WHEN: the install folder holds the build's three files, unchanged
    local name
    for name in "${!built[@]}"; do
        cmp -s "${built[$name]}" "$FOLDER/$name" || fail "$1: $FOLDER_WINDOWS\\$name is not the build's $name"
    done
}
servers_are_installed() {  # WHEN: the four classes' servers are the install folder's DLLs
    local lib class
    library_snapshot "$CLASSES" "$FOLDER_WINDOWS" "$work_files/classes"
    for lib in KEYSTACK PAGESTACK; do
        for class in ENTRY UFL; do
            grep -qiF "clsid\\{$(identity "${lib}_CLSID_$class")}\\inprocserver32"$'\t@\t'"<folder>\\$(identity "${lib}_LIBRARY_NAME").dll" \
                "$work_files/classes" || fail "$1: $(identity "${lib}_LIBRARY_NAME").${class} has no server in the install folder"
        done
    done
}

echo "== $PRODUCT_NAME $PRODUCT_VERSION: install"
remove_installed
msiexec_expect 0 "install" /i "$pkg" /qn /l*v "$(windows_path "$work/install.log")"
files_are_built "after the install"
expect_entries "$entry" "after the install"
servers_are_installed "after the install"
"$here/../com/run_script.sh" "$WINEARCH" "$WINEPREFIX" "$here/package_client.vbs" "$work" \
    "$FOLDER_WINDOWS" "$(version_text KEYSTACK)" "$(version_text PAGESTACK)" ||
    fail "a script could not use the installed libraries"
out=$(wine_bounded "$FOLDER_WINDOWS\\indexfile.exe" --version 2>&1 | tr -d '\r')
rc=${PIPESTATUS[0]}
echo "-- indexfile.exe --version: $out"
[ "$rc" = 0 ] || fail "indexfile.exe from the install folder: exit code $rc"
[[ $out == "indexfile of $(identity FOLIO_APPLICATION_NAME): "* ]] || fail "indexfile.exe --version printed '$out'"

echo "== repair"
# The repair Windows Installer makes of a damaged install: every file and every key of all
# users again (msiexec /fa on Windows, which Wine 8 does not serve).
rm -f "$FOLDER/Keystack.dll"
server_key="HKLM\\Software\\Classes\\CLSID\\{$(identity KEYSTACK_CLSID_ENTRY)}\\InprocServer32"
wine_bounded reg delete "$server_key" /f "${VIEW[@]}" >/dev/null 2>&1 || fail "could not delete $server_key"
msiexec_expect 0 "repair" /i "$pkg" REINSTALL=ALL REINSTALLMODE=amus /qn
files_are_built "after the repair"
servers_are_installed "after the repair"
expect_entries "$entry" "after the repair"

echo "== removal"
msiexec_expect 0 "removal" /x "$pkg" /qn
left=$(find "$FOLDER" 2>/dev/null)
[ -z "$left" ] || fail "removal left files: $left"
machine_listing "$work_files/machine"
check_machine "$work_files/machine" KEYSTACK absent "after the removal"
check_machine "$work_files/machine" PAGESTACK absent "after the removal"
expect_entries "" "after the removal"

finish "package install"
