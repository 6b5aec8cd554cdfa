#!/usr/bin/env bash
# Registration for the current user (regsvr32 /n /i:user, the DLLs' DllInstall), in a prefix
# of its own: it writes the whole registration under HKCU\Software\Classes and nothing for all
# users, a script then creates the classes, removing it leaves no key behind, and neither
# step disturbs a registration for all users. Unknown command lines are refused. And
# unregistering one bitness keeps a programmatic identifier that the other still uses.
#   Usage: install_test.sh ARCH PREFIX KEYSTACK_DLL PAGESTACK_DLL WORK_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env"
. "$here/identity.sh"
wine_env "$1" "$2"
wine_prefix_ready
. "$here/registry_checks.sh"
platform=$1  # the TypeLib platform key is win32 or win64, as the Wine architecture
ks=$(windows_path "$3")
ps=$(windows_path "$4")
work=$5
mkdir -p "$work"

version_text() {  # what Help("version") answers: name, major.minor and (revision)
    printf '%s %s.%s (%s)' "$(identity "${1}_LIBRARY_NAME")" "$(identity "${1}_VERSION_MAJOR")" \
        "$(identity "${1}_VERSION_MINOR")" "$(identity "${1}_VERSION_REVISION")"
}
run_installed_script() {  # WHEN
    "$here/run_script.sh" "$platform" "$WINEPREFIX" "$here/scripts/installed.vbs" "$work" \
        "${ps%\\*}" "$(version_text KEYSTACK)" "$(version_text PAGESTACK)" ||
        fail "$1: the script could not use the libraries"
}
keystack_entry="CLSID\\{$(identity KEYSTACK_CLSID_ENTRY)}"

# A clean start: an earlier run may have stopped half-way.
wine_call reg delete "HKLM\\Software\\Classes\\$keystack_entry" /reg:32 /f >/dev/null 2>&1
for dll in "$ks" "$ps"; do
    wine_call regsvr32 /s /u "$dll" >/dev/null 2>&1 &
    wine_call regsvr32 /s /u /n /i:user "$dll" >/dev/null 2>&1 &
done
wait

echo "== for the current user, nothing for all users"
regsvr installed /n /i:user -- "$ks" "$ps"
export_snapshot 'HKCU\Software\Classes' "$work_files/user"
check_user_registration "$work_files/user" KEYSTACK "$ks" "$platform"
check_user_registration "$work_files/user" PAGESTACK "$ps" "$platform"
machine_listing "$work_files/machine"
check_machine "$work_files/machine" KEYSTACK absent "after regsvr32 /n /i:user"
check_machine "$work_files/machine" PAGESTACK absent "after regsvr32 /n /i:user"

# Windows looks classes up in the user's keys laid over the machine's; Wine's COM reads the
# machine's keys only. So the script runs with the two libraries' user keys, and nothing
# else, copied for all users: the view that Windows gives this user's programs here.
user_keys_as_machine() {  # add|remove
    local reg=$work_files/merged.reg
    {
        printf 'Windows Registry Editor Version 5.00\n\n'
        if [ "$1" = add ]; then
            iconv -f UTF-16LE -t UTF-8 "$work_files/user.reg" | tr -d '\r' |
                KEYS=$({ library_keys KEYSTACK; library_keys PAGESTACK; } | tr 'A-Z\n' 'a-z|') awk '
                BEGIN { n = split(ENVIRON["KEYS"], keys, "|"); root = "[HKEY_CURRENT_USER\\Software\\Classes\\" }
                /^\[/ {
                    copy = 0
                    if (index($0, root) == 1) {
                        key = tolower(substr($0, length(root) + 1)); sub(/\]$/, "", key)
                        for (i = 1; i <= n; i++)
                            if (keys[i] != "" && (key == keys[i] || index(key, keys[i] "\\") == 1)) copy = 1
                    }
                    if (copy) print "\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\" substr($0, length(root) + 1)
                    next
                }
                copy && NF { print }'
        else
            { library_keys KEYSTACK; library_keys PAGESTACK; } |
                sed 's/^\(.*\)$/[-HKEY_LOCAL_MACHINE\\Software\\Classes\\\1]/'
        fi
    } | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE | { printf '\377\376'; cat; } >"$reg"
    wine_call reg import "$(windows_path "$reg")" >/dev/null 2>&1 || fail "reg import ($1) failed"
}
user_keys_as_machine add
run_installed_script "registered for the current user"
user_keys_as_machine remove

echo "== removed for the current user"
regsvr uninstalled /u /n /i:user -- "$ks" "$ps"
# Removing what is not there is no error.
regsvr uninstalled /u /n /i:user -- "$ps"
export_snapshot 'HKCU\Software\Classes' "$work_files/user"
check_user_unregistered "$work_files/user" KEYSTACK
check_user_unregistered "$work_files/user" PAGESTACK

echo "== unknown command lines"
refused=("/n /i:bogus" "/n /i" "/u /n /i:bogus")
for i in "${!refused[@]}"; do
    # shellcheck disable=SC2086  # the options are separate arguments
    { wine_call regsvr32 ${refused[i]} "$ks" >/dev/null 2>&1; echo $? >"$work_files/refused.$i"; } &
done
wait
for i in "${!refused[@]}"; do
    [ "$(cat "$work_files/refused.$i")" != 0 ] ||
        fail "regsvr32 ${refused[i]}: success for a command line that DllInstall does not know"
done
export_snapshot 'HKCU\Software\Classes' "$work_files/user"
check_user_unregistered "$work_files/user" KEYSTACK

echo "== a registration for all users stays whole"
regsvr registered -- "$ks" "$ps"
regsvr installed /n /i:user -- "$ks" "$ps"
regsvr uninstalled /u /n /i:user -- "$ks" "$ps"
machine_listing "$work_files/machine"
check_machine "$work_files/machine" KEYSTACK present "after installing and removing for the current user"
check_machine "$work_files/machine" PAGESTACK present "after installing and removing for the current user"
# The type library's own entries, which the library is found by.
typelib_pairs=()
for lib in KEYSTACK PAGESTACK; do
    for locale in 409 0; do
        typelib_pairs+=("HKLM\\Software\\Classes\\TypeLib\\{$(identity ${lib}_LIBID)}\\1.0\\$locale\\$platform")
        if [ $lib = KEYSTACK ]; then typelib_pairs+=("$ks"); else typelib_pairs+=("$ps"); fi
    done
done
expect_defaults "${typelib_pairs[@]}"
run_installed_script "registered for all users, after a registration for the current user came and went"

if [ "$platform" = win64 ]; then
    echo "== the other bitness's registration keeps its programmatic identifier"
    # Keystack's Entry class as a 32-bit regsvr32 leaves it, in the 32-bit registry view.
    wine_call reg add "HKLM\\Software\\Classes\\$keystack_entry\\InprocServer32" /ve \
        /d 'C:\Folioscope\x86\Keystack.dll' /reg:32 /f >/dev/null 2>&1 ||
        fail "could not write the 32-bit view"
    regsvr unregistered /u -- "$ks"
    machine_listing "$work_files/machine"
    machine_has "$work_files/machine" Keystack.Entry ||
        fail "unregistering the 64-bit Keystack removed Keystack.Entry, which the 32-bit class still uses"
    machine_has "$work_files/machine" Keystack.UFL && fail "Keystack.UFL stayed, though no view has its class"
    machine_has "$work_files/machine" "$keystack_entry" && fail "HKLM\\Software\\Classes\\$keystack_entry stayed"
    wine_call reg delete "HKLM\\Software\\Classes\\$keystack_entry" /reg:32 /f >/dev/null 2>&1
    # With no class left in either view, the identifier goes too (checked below).
fi
regsvr unregistered /u -- "$ks" "$ps"
machine_listing "$work_files/machine"
check_machine "$work_files/machine" KEYSTACK absent "at the end"
check_machine "$work_files/machine" PAGESTACK absent "at the end"

finish "registration for the current user"
