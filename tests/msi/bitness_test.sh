#!/usr/bin/env bash
# Both packages on 64-bit Windows, as a machine with hosts of both bitnesses has them: the 32-bit
# package installs into Program Files (x86) and serves 32-bit hosts while the 64-bit one serves
# 64-bit hosts; removing the 64-bit package leaves the 32-bit hosts their programmatic
# identifiers and type library, which both share; removing both leaves no file and no class,
# interface or type library entry (Wine keeps a copy of the shared keys, see below). The 32-bit
# package comes from the win32 build beside this one: without it, or where this prefix cannot
# run 32-bit programs, the test is skipped (exit code 77).
#   Usage: bitness_test.sh PREFIX X64_PACKAGE X86_BUILD_FOLDER WORK_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env"
. "$here/../com/identity.sh"
skip() { echo "SKIPPED: $*"; exit 77; }
x86_list=$3/installer/packages.txt
[ -f "$x86_list" ] || skip "no 32-bit package: the win32 build ($3) has not made it"
x86_package=$(head -n 1 "$x86_list")
[ -f "$x86_package" ] || skip "$x86_package has not been built"
wine_can_run win32 || skip "this machine cannot run 32-bit programs"
wine_env win64 "$1"
wine_prefix_ready
[ -f "$WINEPREFIX/drive_c/windows/syswow64/cscript.exe" ] || skip "this prefix has no 32-bit Windows programs"
. "$here/../com/registry_checks.sh"
. "$here/package_checks.sh"
work=$4
mkdir -p "$work"

# The client script with the cscript of one bitness, against the install folder it must use.
#   Usage: client WHEN CSCRIPT FOLDER
client() {
    local out
    out=$(wine_call "$2" //nologo "$(windows_path "$here/../com/scripts/installed.vbs")" "$(windows_path "$work")" \
          "$3" "$(version_text KEYSTACK)" "$(version_text PAGESTACK)" 2>&1 | tr -d '\r')
    if grep -q '^FAIL' <<<"$out" || ! grep -q '^ok' <<<"$out" || [ "$(tail -n 1 <<<"$out")" != "ALL DONE" ]; then
        fail "$1: $2 could not use the libraries of $3:"$'\n'"$out"
    else
        echo "-- $1: $2 uses $3: $(grep -c '^ok' <<<"$out") checks passed"
    fi
}

package_setup "$x86_package"
x86=$(windows_path "$PACKAGE") x86_folder=$FOLDER_WINDOWS
[ "$x86_folder" = 'C:\Program Files (x86)\Folioscope' ] || fail "the 32-bit package's folder: $x86_folder"
remove_installed
package_setup "$2"
x64=$(windows_path "$PACKAGE") x64_folder=$FOLDER_WINDOWS
remove_installed

echo "== both packages"
msiexec_expect 0 "install the 64-bit package" /i "$x64" /qn
msiexec_expect 0 "install the 32-bit package" /i "$x86" /qn
[ -f "$WINEPREFIX/drive_c/Program Files (x86)/Folioscope/Keystack.dll" ] || fail "no Keystack.dll in Program Files (x86)"
client "both installed" 'C:\windows\syswow64\cscript.exe' "$x86_folder"
client "both installed" 'C:\windows\system32\cscript.exe' "$x64_folder"

echo "== the 64-bit package removed"
msiexec_expect 0 "remove the 64-bit package" /x "$x64" /qn
client "the 32-bit package left" 'C:\windows\syswow64\cscript.exe' "$x86_folder"
out=$(wine_call reg query "HKLM\\Software\\Classes\\CLSID\\{$(identity KEYSTACK_CLSID_ENTRY)}" 2>&1)
[[ $out != *InprocServer32* && $out != *Keystack.Entry* ]] || fail "the 64-bit class stayed after its removal: $out"

echo "== the 32-bit package removed"
msiexec_expect 0 "remove the 32-bit package" /x "$x86" /qn
[ ! -e "$WINEPREFIX/drive_c/Program Files (x86)/Folioscope" ] || fail "the 32-bit install folder stayed"
# In the 32-bit view, nothing of either library.
while read -r key; do
    wine_call reg query "HKLM\\Software\\Classes\\$key" /reg:32 >/dev/null 2>&1 &&
        fail "HKLM\\Software\\Classes\\$key (32-bit view) stayed after both removals"
done < <(library_keys KEYSTACK; library_keys PAGESTACK)
# In the 64-bit view, no class, interface or type library entry. Windows keeps one copy of the
# shared keys for both views, which goes with the last package; Wine 8's msiexec writes a copy
# into each view and removes only the last package's: the identifiers and the type library's
# name that the 64-bit package wrote stay here, and nothing else may.
export_snapshot 'HKLM\Software\Classes' "$work_files/left"
left=$(KEYS=$({ library_keys KEYSTACK; library_keys PAGESTACK; } | tr 'A-Z\n' 'a-z|') awk -F '\t' '
    BEGIN { n = split(ENVIRON["KEYS"], keys, "|") }
    {
        k = tolower($1)
        for (i = 1; i <= n; i++) if (keys[i] != "" && (k == keys[i] || index(k, keys[i] "\\") == 1)) { print k; next }
    }' "$work_files/left" | grep -v -E '^(keystack|pagestack)\.(entry|ufl)(\\clsid)?$|^typelib\\\{[0-9a-f-]+\}(\\1\.0(\\flags)?)?$' | sort -u)
[ -z "$left" ] || fail "keys of the libraries stayed in the 64-bit view after both removals: $left"
# Those keys go, for the tests that share this prefix.
for lib in KEYSTACK PAGESTACK; do
    for key in "$(identity "${lib}_LIBRARY_NAME").Entry" "$(identity "${lib}_LIBRARY_NAME").UFL" "TypeLib\\{$(identity "${lib}_LIBID")}"; do
        wine_call reg delete "HKLM\\Software\\Classes\\$key" /f >/dev/null 2>&1
    done
done
finish "both packages"
