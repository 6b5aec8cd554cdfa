#!/usr/bin/env bash
# A package's life on one machine, for all users and for the current user: a quiet install
# puts the build's files in the install folder, registers the libraries (under the classes root
# of its scope, nothing in the other) and adds one uninstall entry; a report host's script uses
# both libraries and indexfile.exe runs from there; a repair puts back a deleted DLL and a
# deleted key; removal leaves no file, no key of the libraries and no entry. (Scripts use the
# package for all users only: Wine's COM reads the machine's keys.)
#   Usage: install_test.sh ARCH PREFIX PACKAGE USER_PACKAGE WORK_FOLDER KEYSTACK_DLL PAGESTACK_DLL INDEXFILE_EXE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/package_test_start.sh"
work=$5
mkdir -p "$work"
built=("$6" "$7" "$8")

files_are_built() {  # WHEN: the install folder holds the build's three files, unchanged
    local file
    for file in "${built[@]}"; do
        cmp -s "$file" "$FOLDER/$(basename "$file")" || fail "$1: $FOLDER_WINDOWS\\$(basename "$file") is not the build's"
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
nothing_registered() {  # ROOT WHEN: none of the libraries' keys for all users, or for the user
    if [ "$1" = HKLM ]; then
        machine_listing "$work_files/machine"
        check_machine "$work_files/machine" KEYSTACK absent "$2"
        check_machine "$work_files/machine" PAGESTACK absent "$2"
    # Wine's removal also takes away the keys it leaves empty: HKCU\Software\Classes itself where
    # nothing else is registered for the user.
    elif wine_call reg query 'HKCU\Software\Classes' >/dev/null 2>&1; then
        export_snapshot 'HKCU\Software\Classes' "$work_files/user"
        check_user_unregistered "$work_files/user" KEYSTACK
        check_user_unregistered "$work_files/user" PAGESTACK
    fi
}

for package in "$3" "$4"; do
    package_setup "$package"
    pkg=$(windows_path "$PACKAGE")
    entry="$PRODUCT_CODE"$'\t'"$PRODUCT_VERSION"
    scope=${CLASSES%%\\*} other=HKCU
    [ "$scope" = HKCU ] && other=HKLM

    echo "== $PRODUCT_NAME $PRODUCT_VERSION: install"
    remove_installed
    msiexec_expect 0 "install" /i "$pkg" /qn /l*v "$(windows_path "$work/install.log")"
    files_are_built "after the install"
    expect_entries "$entry" "after the install"
    servers_are_installed "after the install"
    nothing_registered $other "after the install"
    if [ "$scope" = HKLM ]; then
        "$here/../com/run_script.sh" "$WINEARCH" "$WINEPREFIX" "$here/../com/scripts/installed.vbs" "$work" \
            "$FOLDER_WINDOWS" "$(version_text KEYSTACK)" "$(version_text PAGESTACK)" ||
            fail "a script could not use the installed libraries"
    fi
    out=$(wine_call "$FOLDER_WINDOWS\\indexfile.exe" --version 2>&1 | tr -d '\r')
    rc=${PIPESTATUS[0]}
    echo "-- indexfile.exe --version: $out"
    [ "$rc" = 0 ] || fail "indexfile.exe from the install folder: exit code $rc"
    [[ $out == "indexfile of $(identity FOLIO_APPLICATION_NAME): "* ]] || fail "indexfile.exe --version printed '$out'"

    echo "== repair"
    # The repair Windows Installer makes of a damaged install: every file and key again
    # (msiexec /fa on Windows, which Wine 8 does not serve).
    rm -f "$FOLDER/Keystack.dll"
    server_key="$CLASSES\\CLSID\\{$(identity KEYSTACK_CLSID_ENTRY)}\\InprocServer32"
    wine_call reg delete "$server_key" /f "${VIEW[@]}" >/dev/null 2>&1 || fail "could not delete $server_key"
    msiexec_expect 0 "repair" /i "$pkg" REINSTALL=ALL REINSTALLMODE=amus /qn
    files_are_built "after the repair"
    servers_are_installed "after the repair"

    echo "== removal"
    msiexec_expect 0 "removal" /x "$pkg" /qn
    left=$(find "$FOLDER" 2>/dev/null)
    [ -z "$left" ] || fail "removal left files: $left"
    nothing_registered "$scope" "after the removal"
    expect_entries "" "after the removal"
done
finish "package install"
