#!/usr/bin/env bash
# Registers Keystack.dll and Pagestack.dll side by side with regsvr32, checks what each wrote
# under HKEY_CLASSES_ROOT, unregisters them one at a time (each removal leaves the other
# library whole and leaves none of its own keys), and registers both again for the tests
# that follow.   Usage: registration_test.sh ARCH PREFIX KEYSTACK_DLL PAGESTACK_DLL
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/wine-env"
. "$here/identity.sh"
wine_env "$1" "$2"
wine_prefix_ready
keystack_dll=$3
pagestack_dll=$4
platform=$1  # the TypeLib platform key is win32 or win64, as the Wine architecture

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# The checks read a snapshot of HKEY_CLASSES_ROOT (one regedit export, much faster than a
# `reg query` per value), flattened to lines "key<TAB>name<TAB>value"; "@" is the default.
snapshot=$(mktemp)
trap 'rm -f "$snapshot" "$snapshot.reg"' EXIT
take_snapshot() {
    rm -f "$snapshot.reg"
    wine_call regedit /e "$(windows_path "$snapshot.reg")" HKEY_CLASSES_ROOT >/dev/null 2>&1
    [ -s "$snapshot.reg" ] || { fail "regedit could not export HKEY_CLASSES_ROOT"; : >"$snapshot"; return; }
    iconv -f UTF-16LE -t UTF-8 "$snapshot.reg" | tr -d '\r' | awk '
        /^\[HKEY_CLASSES_ROOT\\/ { key = substr($0, 20, length($0) - 20); print key "\t\t"; next }
        /^(@|")/ && key != "" {
            if ($0 ~ /^@=/) { name = "@"; rest = substr($0, 3) }
            else { i = index($0, "\"="); name = substr($0, 2, i - 2); rest = substr($0, i + 2) }
            gsub(/^"|"$/, "", rest); gsub(/\\\\/, "\\", rest)
            print key "\t" name "\t" rest
        }' >"$snapshot"
}
# The value NAME ("@" for the default) of KEY in the snapshot; fails when the key is absent.
reg_value() {
    # Through the environment: awk -v would read the backslashes as escapes.
    KEY=${1,,} NAME=${2,,} awk -F '\t' '
        tolower($1) == ENVIRON["KEY"] { found = 1; if (tolower($2) == ENVIRON["NAME"]) { print $3; exit } }
        END { exit !found }' "$snapshot"
}
key_exists() { reg_value "$1" "@" >/dev/null; }

expect_value() {  # KEY NAME EXPECTED [nocase]
    local got
    got=$(reg_value "$1" "${2:-@}") || { fail "missing key HKCR\\$1"; return; }
    if [ "${4:-}" = nocase ]; then
        [ "${got,,}" = "${3,,}" ] || fail "HKCR\\$1 ${2:-(default)}: '$got', expected '$3'"
    else
        [ "$got" = "$3" ] || fail "HKCR\\$1 ${2:-(default)}: '$got', expected '$3'"
    fi
}

regsvr() {  # [/u] DLL: runs regsvr32 and checks its exit status and message
    local out rc
    out=$(wine_call regsvr32 "$@" 2>&1 | tr -d '\r'); rc=${PIPESTATUS[0]}
    local word=registered
    [ "$1" = /u ] && word=unregistered
    [ "$rc" -eq 0 ] || fail "regsvr32 $*: exit $rc: $out"
    [[ $out == *"Successfully $word"* ]] || fail "regsvr32 $*: no success message: $out"
}

# Every key that the library LIB (KEYSTACK or PAGESTACK) registers, with its value.
check_registered() {
    local lib=$1 dll=$2 name libid cls iid class
    name=$(identity "${lib}_LIBRARY_NAME")
    libid="{$(identity "${lib}_LIBID")}"
    for class in Entry UFL; do
        cls="{$(identity "${lib}_CLSID_${class^^}")}"
        iid="{$(identity "${lib}_IID_${class^^}")}"
        expect_value "CLSID\\$cls\\InprocServer32" "" "$dll" nocase
        expect_value "CLSID\\$cls\\InprocServer32" ThreadingModel Apartment
        expect_value "CLSID\\$cls\\ProgID" "" "$name.$class"
        expect_value "CLSID\\$cls\\TypeLib" "" "$libid" nocase
        expect_value "$name.$class\\CLSID" "" "$cls" nocase
        expect_value "Interface\\$iid" "" "_$class"
        expect_value "Interface\\$iid\\TypeLib" "" "$libid" nocase
    done
    # _EntryPages, the Entry class's default interface, which extends _Entry.
    iid="{$(identity "${lib}_IID_ENTRY_PAGES")}"
    expect_value "Interface\\$iid" "" "_EntryPages"
    expect_value "Interface\\$iid\\TypeLib" "" "$libid" nocase
    expect_value "Interface\\$iid\\ProxyStubClsid32" "" "{00020424-0000-0000-C000-000000000046}" nocase
    # Under the library's own locale (RegisterTypeLib) and under locale 0, which hosts ask for.
    expect_value "TypeLib\\$libid\\1.0\\409\\$platform" "" "$dll" nocase
    expect_value "TypeLib\\$libid\\1.0\\0\\$platform" "" "$dll" nocase
}

check_unregistered() {
    local lib=$1 name key
    name=$(identity "${lib}_LIBRARY_NAME")
    for key in "TypeLib\\{$(identity "${lib}_LIBID")}" \
               "CLSID\\{$(identity "${lib}_CLSID_ENTRY")}" "CLSID\\{$(identity "${lib}_CLSID_UFL")}" \
               "Interface\\{$(identity "${lib}_IID_ENTRY")}" "Interface\\{$(identity "${lib}_IID_UFL")}" \
               "Interface\\{$(identity "${lib}_IID_ENTRY_PAGES")}" \
               "$name.Entry" "$name.UFL"; do
        key_exists "$key" && fail "HKCR\\$key is still there after unregistering $name"
    done
}

ks=$(windows_path "$keystack_dll")
ps=$(windows_path "$pagestack_dll")

# A clean start; either may have been registered by an earlier run.
wine_call regsvr32 /s /u "$ks" >/dev/null 2>&1
wine_call regsvr32 /s /u "$ps" >/dev/null 2>&1

regsvr "$ks"
regsvr "$ps"
# Registering again changes nothing.
regsvr "$ks"
take_snapshot
check_registered KEYSTACK "$ks"
check_registered PAGESTACK "$ps"

regsvr /u "$ks"
take_snapshot
check_unregistered KEYSTACK
check_registered PAGESTACK "$ps"
regsvr /u "$ps"
# Unregistering what is not registered is no error.
regsvr /u "$ps"
take_snapshot
check_unregistered PAGESTACK

# Leave both registered for the tests that use them.
regsvr "$ks"
regsvr "$ps"
take_snapshot
check_registered KEYSTACK "$ks"
check_registered PAGESTACK "$ps"

if [ "$failures" -ne 0 ]; then
    echo "$failures registration check(s) failed"
    exit 1
fi
echo "registration: all checks passed"
