#!/usr/bin/env bash
# Each server DLL must load on a bare Windows system: it may import system DLLs only (no
# MinGW runtime DLL), and it exports the server entry points by their plain names (no @n
# decoration) and nothing else: the four of every in-process server, and DllInstall. A program
# of the kit (indexfile.exe) must start there too: system DLLs only, and no exports.
#   Usage: check_exports.sh OBJDUMP DLL_OR_EXE...
set -uo pipefail
objdump=$1
shift
expected_exports="DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer"
failures=0
for dll in "$@"; do
    name=$(basename "$dll")
    if ! dump=$("$objdump" -p "$dll"); then
        echo "FAIL: $name: objdump cannot read it"
        failures=$((failures + 1))
        continue
    fi
    imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
    [ -n "$imports" ] || { echo "FAIL: $name: no imports found"; failures=$((failures + 1)); }
    while read -r import; do
        [ -n "$import" ] || continue
        case "${import,,}" in
            kernel32.dll|user32.dll|advapi32.dll|ole32.dll|oleaut32.dll|version.dll|msvcrt.dll|api-ms-win-*) ;;
            *) echo "FAIL: $name imports $import, which is not a system DLL"; failures=$((failures + 1)) ;;
        esac
    done <<<"$imports"
    # The export name table: lines such as "[   0] DllCanUnloadNow".
    expected=$expected_exports
    [[ $name == *.exe ]] && expected=""
    exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[[[:space:]]*[0-9]*\] //p' | sort | xargs)
    if [ "$exports" != "$expected" ]; then
        echo "FAIL: $name exports '$exports', expected '$expected'"
        failures=$((failures + 1))
    fi
    echo "$name imports: $(echo $imports)"
done
[ "$failures" -eq 0 ] && echo "exports and imports: all checks passed"
[ "$failures" -eq 0 ]
