#!/usr/bin/env bash
# The package for the current user: it installs into the user's programs folder and writes
# under HKEY_CURRENT_USER\Software\Classes what DllInstall writes there (regsvr32 /n /i:user of
# the same DLLs, compared value by value), nothing for all users; removal leaves no file, no
# key and no uninstall entry. (A script cannot use it here: Wine's COM reads the machine's keys
# only; tests/com/install_test.sh uses a registration for the current user that way.)
#   Usage: user_test.sh ARCH PREFIX USER_PACKAGE WORK_FOLDER KEYSTACK_DLL PAGESTACK_DLL INDEXFILE_EXE
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
[ "$CLASSES" = 'HKCU\Software\Classes' ] || fail "$PACKAGE is not a package for the current user"
ks=$(windows_path "$5")
ps=$(windows_path "$6")
nothing_for_anyone() {  # WHEN
    # Wine's removal also takes away the keys it leaves empty, HKCU\Software\Classes itself
    # in a prefix where nothing else is registered for the user.
    if wine_bounded reg query 'HKCU\Software\Classes' >/dev/null 2>&1; then
        export_snapshot 'HKCU\Software\Classes' "$work_files/user"
        check_user_unregistered "$work_files/user" KEYSTACK
        check_user_unregistered "$work_files/user" PAGESTACK
    fi
    machine_listing "$work_files/machine"
    check_machine "$work_files/machine" KEYSTACK absent "$1"
    check_machine "$work_files/machine" PAGESTACK absent "$1"
}

echo "== regsvr32 /n /i:user"
remove_installed
regsvr32_user() {  # OPTIONS...: both DLLs at once
    "$WINE_LOADER" regsvr32 /s "$@" "$ks" >/dev/null 2>&1 &
    "$WINE_LOADER" regsvr32 /s "$@" "$ps" >/dev/null 2>&1 &
    wait
}
regsvr32_user /u /n /i:user
regsvr installed /n /i:user -- "$ks" "$ps"
library_snapshot "$CLASSES" "$(windows_path "$(dirname "$5")")" "$work_files/dllinstall"
regsvr uninstalled /u /n /i:user -- "$ks" "$ps"
nothing_for_anyone "before the install"

echo "== $PRODUCT_NAME $PRODUCT_VERSION"
msiexec_expect 0 "install" /i "$(windows_path "$PACKAGE")" /qn
for file in "$5" "$6" "$7"; do
    cmp -s "$file" "$FOLDER/$(basename "$file")" || fail "$FOLDER_WINDOWS\\$(basename "$file") is not the build's"
done
expect_entries "$PRODUCT_CODE"$'\t'"$PRODUCT_VERSION" "after the install"
library_snapshot "$CLASSES" "$FOLDER_WINDOWS" "$work_files/package"
echo "-- $(wc -l <"$work_files/dllinstall") keys and values from DllInstall, $(wc -l <"$work_files/package") from the package"
if ! cmp -s "$work_files/dllinstall" "$work_files/package"; then
    fail "the package's registration differs from DllInstall's (< DllInstall, > package):"
    diff "$work_files/dllinstall" "$work_files/package" | head -n 40
fi
machine_listing "$work_files/machine"
check_machine "$work_files/machine" KEYSTACK absent "after the install for the current user"
check_machine "$work_files/machine" PAGESTACK absent "after the install for the current user"

msiexec_expect 0 "removal" /x "$(windows_path "$PACKAGE")" /qn
left=$(find "$FOLDER" 2>/dev/null)
[ -z "$left" ] || fail "removal left files: $left"
expect_entries "" "after the removal"
nothing_for_anyone "after the removal"
finish "package for the current user"
