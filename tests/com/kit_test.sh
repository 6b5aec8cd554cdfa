#!/usr/bin/env bash
# The install kit under Wine's cmd, in a kit folder laid out as shipped (x64\Keystack.dll,
# x64\Pagestack.dll, install.cmd, uninstall.cmd): installing and removing for all users and
# for the current user, with the registry checked after each step; a missing DLL, a bitness
# this Windows cannot register, usage and unknown arguments, each with its message and exit
# code.   Usage: kit_test.sh ARCH PREFIX KEYSTACK_DLL PAGESTACK_DLL KIT_SOURCE WORK_FOLDER
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env"
. "$here/identity.sh"
wine_env "$1" "$2"
wine_prefix_ready
. "$here/registry_checks.sh"

kit=$6/kit
rm -rf "$kit"
mkdir -p "$kit/x64"
cp "$3" "$4" "$kit/x64/"
cp "$5/install.cmd" "$5/uninstall.cmd" "$kit/"
kit_windows=$(windows_path "$kit")
ks="$kit_windows\\x64\\Keystack.dll"
ps="$kit_windows\\x64\\Pagestack.dll"

# cmd reads labels and jumps wrongly in a file with bare LF line ends.
for script in install.cmd uninstall.cmd; do
    [ "$(grep -vc $'\r$' "$5/$script")" = 0 ] || fail "kit/$script has lines without CRLF"
done

# Runs kit/SCRIPT.cmd ARGS... with Wine's cmd, and checks its exit code and its whole output.
#   Usage: run_kit EXIT_CODE EXPECTED_OUTPUT SCRIPT ARGS...
run_kit() {
    local expected_rc=$1 expected=$2 script=$3 out rc
    shift 3
    out=$("$WINE_LOADER" cmd /c "$kit_windows\\$script.cmd" "$@" 2>&1 | tr -d '\r'); rc=${PIPESTATUS[0]}
    echo "-- $script $*"
    printf '%s\n' "$out"
    [ "$rc" = "$expected_rc" ] || fail "$script $*: exit code $rc, expected $expected_rc"
    [ "$out" = "$expected" ] || fail "$script $*: output differs from:"$'\n'"$expected"
}
lines() { printf '%s\n' "$@"; }  # (the command substitution drops the last newline)

# The four classes' servers, read for all users (reg query) or from a snapshot of the user's.
machine_servers_are_kit() {
    local lib class pairs=()
    for lib in KEYSTACK PAGESTACK; do
        for class in ENTRY UFL; do
            pairs+=("HKLM\\Software\\Classes\\CLSID\\{$(identity "${lib}_CLSID_$class")}\\InprocServer32")
            if [ $lib = KEYSTACK ]; then pairs+=("$ks"); else pairs+=("$ps"); fi
        done
    done
    expect_defaults "${pairs[@]}"
}
user_servers_are_kit() {
    local lib class dll
    for lib in KEYSTACK PAGESTACK; do
        dll=$ks
        [ $lib = PAGESTACK ] && dll=$ps
        for class in ENTRY UFL; do
            printf '%s\t@\t%s\tnocase\n' "CLSID\\{$(identity "${lib}_CLSID_$class")}\\InprocServer32" "$dll"
        done
    done | expect_snapshot_values "$work_files/user" 'HKCU\Software\Classes'
}
nothing_for_user() {
    export_snapshot 'HKCU\Software\Classes' "$work_files/user"
    check_user_unregistered "$work_files/user" KEYSTACK
    check_user_unregistered "$work_files/user" PAGESTACK
}
nothing_for_machine() {  # WHEN
    machine_listing "$work_files/machine"
    check_machine "$work_files/machine" KEYSTACK absent "$1"
    check_machine "$work_files/machine" PAGESTACK absent "$1"
}

# What x86 gives on this prefix: a 64-bit prefix of a Wine without its 32-bit half has no
# 32-bit regsvr32; with it, the test kit's missing x86 folder is what stops it.
if [ -f "$WINEPREFIX/drive_c/windows/syswow64/regsvr32.exe" ]; then
    x86_refusal=$(lines 'x86\Keystack.dll was not found beside this script.' \
                        'x86\Pagestack.dll was not found beside this script.')
else
    system_root=$("$WINE_LOADER" cmd /c echo %SystemRoot% 2>/dev/null | tr -d '\r')
    x86_refusal="x86\\: $system_root\\SysWOW64\\regsvr32.exe was not found: this Windows cannot register 32-bit libraries."
fi

# A clean start: an earlier run may have stopped half-way.
for options in "/s /u" "/s /u /n /i:user"; do
    for dll in "$ks" "$ps"; do
        # shellcheck disable=SC2086  # the options are separate arguments
        "$WINE_LOADER" regsvr32 $options "$dll" >/dev/null 2>&1 &
    done
done
wait

run_kit 0 "$(lines 'Keystack (64-bit hosts): registered for all users.' \
                   'Pagestack (64-bit hosts): registered for all users.')" install x64
machine_servers_are_kit
nothing_for_user
run_kit 0 "$(lines 'Keystack (64-bit hosts): unregistered for all users.' \
                   'Pagestack (64-bit hosts): unregistered for all users.')" uninstall x64
nothing_for_machine "after uninstall x64"

run_kit 0 "$(lines 'Keystack (64-bit hosts): registered for the current user.' \
                   'Pagestack (64-bit hosts): registered for the current user.')" install x64 /user
export_snapshot 'HKCU\Software\Classes' "$work_files/user"
user_servers_are_kit
nothing_for_machine "after install x64 /user"
run_kit 0 "$(lines 'Keystack (64-bit hosts): unregistered for the current user.' \
                   'Pagestack (64-bit hosts): unregistered for the current user.')" uninstall x64 /user
nothing_for_user

# No bitness named: both on 64-bit Windows. Here the x86 half cannot be done, the x64 half is.
run_kit 1 "$(lines "$x86_refusal" 'Keystack (64-bit hosts): registered for the current user.' \
                   'Pagestack (64-bit hosts): registered for the current user.')" install /user
export_snapshot 'HKCU\Software\Classes' "$work_files/user"
user_servers_are_kit
run_kit 1 "$(lines "$x86_refusal" 'Keystack (64-bit hosts): unregistered for the current user.' \
                   'Pagestack (64-bit hosts): unregistered for the current user.')" uninstall /user
nothing_for_user

run_kit 1 "$x86_refusal" install x86

# One DLL missing: it is named, and nothing of that folder is registered.
mv "$kit/x64/Pagestack.dll" "$kit/Pagestack.dll.away"
run_kit 1 'x64\Pagestack.dll was not found beside this script.' install x64
mv "$kit/Pagestack.dll.away" "$kit/x64/Pagestack.dll"
nothing_for_machine "after install x64 with a DLL missing"
nothing_for_user

usage='  x86    the libraries for 32-bit report hosts (folder x86\)
  x64    the libraries for 64-bit report hosts (folder x64\)
  both   both folders (the default on 64-bit Windows)
  /user  for the current user only; without it, for all users (needs elevation)'
run_kit 2 "Usage: install [x86 | x64 | both] [/user]"$'\n'"$usage" install '/?'
run_kit 2 "Usage: uninstall [x86 | x64 | both] [/user]"$'\n'"$usage" uninstall x64 '/?'
run_kit 2 "Unknown argument: x65"$'\n'"Usage: install [x86 | x64 | both] [/user]"$'\n'"$usage" install x65

finish "install kit"
