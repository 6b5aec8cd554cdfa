#!/usr/bin/env bash
# The install kit under Wine's cmd, in a kit folder laid out as shipped (the build's DLLs in
# the folder of their bitness, x86\ or x64\, beside install.cmd and uninstall.cmd):
# installing and removing for all users and for the current user, with the registry checked
# after each step; a missing DLL, a bitness this Windows cannot register, usage and unknown
# arguments, each with its message and exit code. A win32 prefix is 32-bit Windows, where the
# kit serves x86\ alone; a win64 prefix is 64-bit Windows, where it serves both folders.
# indexfile.exe stands beside the DLLs: the scripts leave it alone, and it runs from there.
#   Usage: kit_test.sh ARCH PREFIX KEYSTACK_DLL PAGESTACK_DLL KIT_SOURCE WORK_FOLDER INDEXFILE_EXE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env"
. "$here/identity.sh"
wine_env "$1" "$2"
wine_prefix_ready
. "$here/registry_checks.sh"

# The folder of the build's bitness, and the other one, which the test kit leaves empty.
if [ "$1" = win32 ]; then
    bits=x86 hosts=32-bit other=x64
else
    bits=x64 hosts=64-bit other=x86
fi
kit=$6/kit
rm -rf "$kit"
mkdir -p "$kit/$bits"
cp "$3" "$4" "$7" "$kit/$bits/"
cp "$5/install.cmd" "$5/uninstall.cmd" "$kit/"
kit_windows=$(windows_path "$kit")
ks="$kit_windows\\$bits\\Keystack.dll"
ps="$kit_windows\\$bits\\Pagestack.dll"

# cmd reads labels and jumps wrongly in a file with bare LF line ends.
for script in install.cmd uninstall.cmd; do
    [ "$(grep -vc $'\r$' "$5/$script")" = 0 ] || fail "kit/$script has lines without CRLF"
done

# Runs kit/SCRIPT.cmd ARGS... with Wine's cmd, and checks its exit code and its whole output.
#   Usage: run_kit EXIT_CODE EXPECTED_OUTPUT SCRIPT ARGS...
run_kit() {
    local expected_rc=$1 expected=$2 script=$3 out rc
    shift 3
    out=$(wine_call cmd /c "$kit_windows\\$script.cmd" "$@" 2>&1 | tr -d '\r'); rc=${PIPESTATUS[0]}
    # Now and then Wine's cmd fails to start a program it has just found ("Can't recognize
    # ... as an internal or external command", exit code 9009), a fault of the emulation and
    # not of the kit: the same call is made again once. (The kit's steps may be repeated.)
    if [[ $out == *"Can't recognize"* ]]; then
        echo "-- $script $*: Wine's cmd could not start a program; once more"
        sleep 1
        out=$(wine_call cmd /c "$kit_windows\\$script.cmd" "$@" 2>&1 | tr -d '\r'); rc=${PIPESTATUS[0]}
    fi
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

# What the other folder gives on this prefix. On 32-bit Windows x64\ is refused outright, and
# naming no folder means x86\ alone. On 64-bit Windows naming none means both, and x86\ is
# refused for the test kit's missing folder or, on a Wine without its 32-bit half, for the
# missing 32-bit regsvr32.
if [ "$1" = win32 ]; then
    other_refusal='x64\: this Windows is 32-bit and runs no 64-bit hosts.'
    default_rc=0 default_refusal=()
else
    if [ -f "$WINEPREFIX/drive_c/windows/syswow64/regsvr32.exe" ]; then
        other_refusal=$(lines 'x86\Keystack.dll was not found beside this script.' \
                              'x86\Pagestack.dll was not found beside this script.')
    else
        system_root=$(wine_call cmd /c echo %SystemRoot% 2>/dev/null | tr -d '\r')
        other_refusal="x86\\: $system_root\\SysWOW64\\regsvr32.exe was not found: this Windows cannot register 32-bit libraries."
    fi
    default_rc=1 default_refusal=("$other_refusal")
fi
# The kit's lines for both libraries of the build's folder: ACTION SCOPE ("all users", ...).
kit_lines() { lines "Keystack ($hosts hosts): $1 for $2." "Pagestack ($hosts hosts): $1 for $2."; }

# A clean start: an earlier run may have stopped half-way.
for options in "/s /u" "/s /u /n /i:user"; do
    for dll in "$ks" "$ps"; do
        # shellcheck disable=SC2086  # the options are separate arguments
        wine_call regsvr32 $options "$dll" >/dev/null 2>&1 &
    done
done
wait

run_kit 0 "$(kit_lines registered 'all users')" install $bits
machine_servers_are_kit
nothing_for_user
run_kit 0 "$(kit_lines unregistered 'all users')" uninstall $bits
nothing_for_machine "after uninstall $bits"

run_kit 0 "$(kit_lines registered 'the current user')" install $bits /user
export_snapshot 'HKCU\Software\Classes' "$work_files/user"
user_servers_are_kit
nothing_for_machine "after install $bits /user"
run_kit 0 "$(kit_lines unregistered 'the current user')" uninstall $bits /user
nothing_for_user

# No folder named: the build's folder, with the other one's refusal first on 64-bit Windows.
run_kit $default_rc "$(lines "${default_refusal[@]}" "$(kit_lines registered 'the current user')")" \
    install /user
export_snapshot 'HKCU\Software\Classes' "$work_files/user"
user_servers_are_kit
run_kit $default_rc "$(lines "${default_refusal[@]}" "$(kit_lines unregistered 'the current user')")" \
    uninstall /user
nothing_for_user

run_kit 1 "$other_refusal" install $other

# One DLL missing: it is named, and nothing of that folder is registered.
mv "$kit/$bits/Pagestack.dll" "$kit/Pagestack.dll.away"
run_kit 1 "$bits\\Pagestack.dll was not found beside this script." install $bits
mv "$kit/Pagestack.dll.away" "$kit/$bits/Pagestack.dll"
nothing_for_machine "after install $bits with a DLL missing"
nothing_for_user

usage='  x86    the libraries for 32-bit report hosts (folder x86\)
  x64    the libraries for 64-bit report hosts (folder x64\)
  both   both folders (the default on 64-bit Windows)
  /user  for the current user only; without it, for all users (needs elevation)'
run_kit 2 "Usage: install [x86 | x64 | both] [/user]"$'\n'"$usage" install '/?'
run_kit 2 "Usage: uninstall [x86 | x64 | both] [/user]"$'\n'"$usage" uninstall x64 '/?'
run_kit 2 "Unknown argument: x65"$'\n'"Usage: install [x86 | x64 | both] [/user]"$'\n'"$usage" install x65

# The console program of the kit's folder, after all the installing and removing above.
[ -f "$kit/$bits/indexfile.exe" ] || fail "the kit scripts removed indexfile.exe"
out=$(wine_call "$kit_windows\\$bits\\indexfile.exe" --version 2>&1 | tr -d '\r'); rc=${PIPESTATUS[0]}
expected="indexfile of Folioscope: writes index files as Keystack $(identity KEYSTACK_VERSION_MAJOR).$(identity KEYSTACK_VERSION_MINOR) ($(identity KEYSTACK_VERSION_REVISION)) and Pagestack $(identity PAGESTACK_VERSION_MAJOR).$(identity PAGESTACK_VERSION_MINOR) ($(identity PAGESTACK_VERSION_REVISION))"
echo "-- $bits\\indexfile.exe --version"
printf '%s\n' "$out"
[ "$rc" = 0 ] || fail "indexfile.exe --version: exit code $rc"
[ "$out" = "$expected" ] || fail "indexfile.exe --version: expected $expected"

finish "install kit"
