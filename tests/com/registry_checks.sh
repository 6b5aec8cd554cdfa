# Sourced by the installation tests: failures, Windows paths, regsvr32, and what a
# registration left in the registry, read with Wine's reg (one process per read, several
# at a time where the reads are independent). Needs wine_env and identity.sh first.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
work_files=$(mktemp -d)
trap 'rm -rf "$work_files"' EXIT

finish() {  # NAME: the verdict
    if [ "$failures" -ne 0 ]; then
        echo "$1: $failures check(s) failed"
        exit 1
    fi
    echo "$1: all checks passed"
}

# Runs regsvr32 OPTIONS on each DLL, all at once, and checks each exit status and message
# ("installed", "uninstalled", "registered", "unregistered").
#   Usage: regsvr WORD OPTIONS... -- DLL...
regsvr() {
    local word=$1 options=() dlls i out rc
    shift
    while [ "$1" != -- ]; do options+=("$1"); shift; done
    shift
    dlls=("$@")
    for i in "${!dlls[@]}"; do
        { wine_call regsvr32 "${options[@]}" "${dlls[i]}" 2>&1; echo "exit $?"; } \
            | tr -d '\r' >"$work_files/regsvr.$i" &
    done
    wait
    for i in "${!dlls[@]}"; do
        out=$(sed '$d' "$work_files/regsvr.$i")
        rc=$(sed -n '$s/^exit //p' "$work_files/regsvr.$i")
        [ "$rc" = 0 ] || fail "regsvr32 ${options[*]} ${dlls[i]}: exit $rc: $out"
        [[ $out == *"Successfully $word"* ]] || fail "regsvr32 ${options[*]} ${dlls[i]}: no '$word' message: $out"
    done
}

# Reads the default value of each KEY, all at once, and checks that it is EXPECTED (ignoring
# case, as Windows compares paths).
#   Usage: expect_defaults KEY EXPECTED [KEY EXPECTED ...]
expect_defaults() {
    local pairs=("$@") i got
    for ((i = 0; i < ${#pairs[@]}; i += 2)); do
        wine_call reg query "${pairs[i]}" /ve 2>/dev/null | tr -d '\r' >"$work_files/default.$i" &
    done
    wait
    for ((i = 0; i < ${#pairs[@]}; i += 2)); do
        got=$(sed -n 's/^ *(Default) *REG_SZ *//p' "$work_files/default.$i")
        [ "${got,,}" = "${pairs[i + 1],,}" ] || fail "${pairs[i]}: '$got', expected '${pairs[i + 1]}'"
    done
}

# The top-level keys of a library's registration (LIB is KEYSTACK or PAGESTACK), relative to
# a classes root, one a line.
library_keys() {
    printf '%s\n' "${_library_keys[$1]}"
}
declare -A _library_keys
for _lib in KEYSTACK PAGESTACK; do
    _name=$(identity "${_lib}_LIBRARY_NAME")
    _library_keys[$_lib]="TypeLib\\{$(identity "${_lib}_LIBID")}
CLSID\\{$(identity "${_lib}_CLSID_ENTRY")}
CLSID\\{$(identity "${_lib}_CLSID_UFL")}
Interface\\{$(identity "${_lib}_IID_ENTRY")}
Interface\\{$(identity "${_lib}_IID_ENTRY_PAGES")}
Interface\\{$(identity "${_lib}_IID_UFL")}
$_name.Entry
$_name.UFL"
done

# One export of a registry key (HKCU\Software\Classes is small; one of HKLM\Software\Classes still
# beats a query per key), flattened into lines
# "key<TAB>name<TAB>value" with keys relative to the exported one; "@" is the default value.
#   Usage: export_snapshot ROOT FILE   (the raw export is kept as FILE.reg)
export_snapshot() {
    local root=$1 file=$2
    rm -f "$file.reg"
    wine_call reg export "$root" "$(windows_path "$file.reg")" /y >/dev/null 2>&1
    if [ ! -s "$file.reg" ]; then
        fail "reg could not export $root"
        : >"$file"
        return
    fi
    local full=${root/#HKCU/HKEY_CURRENT_USER}
    iconv -f UTF-16LE -t UTF-8 "$file.reg" | tr -d '\r' | ROOT="[${full/#HKLM/HKEY_LOCAL_MACHINE}\\" awk '
        index($0, ENVIRON["ROOT"]) == 1 { key = substr($0, length(ENVIRON["ROOT"]) + 1); sub(/\]$/, "", key); print key "\t\t"; next }
        /^\[/ { key = ""; next }
        /^(@|")/ && key != "" {
            if ($0 ~ /^@=/) { name = "@"; rest = substr($0, 3) }
            else { i = index($0, "\"="); name = substr($0, 2, i - 2); rest = substr($0, i + 2) }
            gsub(/^"|"$/, "", rest); gsub(/\\\\/, "\\", rest)
            print key "\t" name "\t" rest
        }' >"$file"
}

# Whether a snapshot holds KEY or anything under it.
snapshot_has() {  # FILE KEY
    KEY=${2,,} awk -F '\t' '
        { k = tolower($1) } k == ENVIRON["KEY"] || index(k, ENVIRON["KEY"] "\\") == 1 { found = 1; exit }
        END { exit !found }' "$1"
}

# Checks values in a snapshot, all in one pass: each line of standard input is
# "key<TAB>name<TAB>expected[<TAB>nocase]" ("@" names the default value).
#   Usage: expect_snapshot_values FILE WHERE < EXPECTATIONS
expect_snapshot_values() {
    local line
    while IFS= read -r line; do
        fail "$line"
    done < <(WHERE=$2 awk -F '\t' '
        FILENAME == ARGV[1] { k = tolower($1); keys[k] = 1; values[k "\t" tolower($2)] = $3; named[k "\t" tolower($2)] = 1; next }
        {
            k = tolower($1); where = ENVIRON["WHERE"] "\\" $1
            if (!(k in keys)) { print "missing key " where; next }
            v = k "\t" tolower($2)
            if (!(v in named)) { print where " " $2 ": no such value"; next }
            got = values[v]; want = $3
            if ($4 == "nocase") { got = tolower(got); want = tolower(want) }
            if (got != want) print where " " $2 ": \047" values[v] "\047, expected \047" $3 "\047"
        }' "$1" -)
}

# Every key and value of LIB's registration for the current user, in a snapshot of
# HKCU\Software\Classes: what DllRegisterServer writes for all users, with the type library's
# keys as RegisterTypeLib writes them.   Usage: check_user_registration FILE LIB DLL PLATFORM
check_user_registration() {
    local file=$1 lib=$2 dll=$3 platform=$4 name libid cls iid class title interface
    local marshaler='{00020424-0000-0000-C000-000000000046}'
    name=$(identity "${lib}_LIBRARY_NAME")
    libid="{$(identity "${lib}_LIBID")}"
    title=$(identity "FOLIO_TYPELIB_TITLE_${lib}")
    {
        for class in Entry UFL; do
            cls="{$(identity "${lib}_CLSID_${class^^}")}"
            printf '%s\t%s\t%s\t%s\n' \
                "CLSID\\$cls" @ "$name.$class" "" \
                "CLSID\\$cls\\InprocServer32" @ "$dll" nocase \
                "CLSID\\$cls\\InprocServer32" ThreadingModel Apartment "" \
                "CLSID\\$cls\\ProgID" @ "$name.$class" "" \
                "CLSID\\$cls\\TypeLib" @ "$libid" nocase \
                "CLSID\\$cls\\VERSION" @ 1.0 "" \
                "$name.$class" @ "$name.$class" "" \
                "$name.$class\\CLSID" @ "$cls" nocase
        done
        # The dual interfaces, by name and the identity.h name of their identifier.
        for interface in _Entry:ENTRY _EntryPages:ENTRY_PAGES _UFL:UFL; do
            iid="{$(identity "${lib}_IID_${interface#*:}")}"
            printf '%s\t%s\t%s\t%s\n' \
                "Interface\\$iid" @ "${interface%:*}" "" \
                "Interface\\$iid\\ProxyStubClsid" @ "$marshaler" nocase \
                "Interface\\$iid\\ProxyStubClsid32" @ "$marshaler" nocase \
                "Interface\\$iid\\TypeLib" @ "$libid" nocase \
                "Interface\\$iid\\TypeLib" Version 1.0 ""
        done
        printf '%s\t%s\t%s\t%s\n' \
            "TypeLib\\$libid\\1.0" @ "$title" "" \
            "TypeLib\\$libid\\1.0\\FLAGS" @ 0 "" \
            "TypeLib\\$libid\\1.0\\HELPDIR" @ "${dll%\\*}" nocase \
            "TypeLib\\$libid\\1.0\\409\\$platform" @ "$dll" nocase \
            "TypeLib\\$libid\\1.0\\0\\$platform" @ "$dll" nocase
    } | expect_snapshot_values "$file" 'HKCU\Software\Classes'
}

check_user_unregistered() {  # FILE LIB
    local key
    while read -r key; do
        snapshot_has "$1" "$key" && fail "HKCU\\Software\\Classes\\$key is still there"
    done < <(library_keys "$2")
}

# The keys directly under HKLM\Software\Classes and under its CLSID, Interface and TypeLib
# keys, relative to HKLM\Software\Classes, one a line: enough to tell which of a library's
# top-level keys are registered for all users.   Usage: machine_listing FILE
machine_listing() {
    local sub part=0
    for sub in "" '\CLSID' '\Interface' '\TypeLib'; do
        wine_call reg query "HKLM\\Software\\Classes$sub" 2>/dev/null | tr -d '\r' >"$1.$part" &
        part=$((part + 1))
    done
    wait
    cat "$1".[0-3] | sed -n 's/^HKEY_LOCAL_MACHINE\\Software\\Classes\\//p' >"$1"
    rm -f "$1".[0-3]
    [ -s "$1" ] || fail "reg could not list HKLM\\Software\\Classes"
}
machine_has() { grep -qixF -- "$2" "$1"; }  # FILE KEY

# None of LIB's keys, or all of them, under HKLM\Software\Classes.
check_machine() {  # FILE LIB present|absent WHEN
    local key
    while read -r key; do
        if machine_has "$1" "$key"; then
            [ "$3" = present ] || fail "$4: HKLM\\Software\\Classes\\$key is there"
        else
            [ "$3" = absent ] || fail "$4: HKLM\\Software\\Classes\\$key is missing"
        fi
    done < <(library_keys "$2")
}
