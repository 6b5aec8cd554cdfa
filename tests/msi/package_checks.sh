# Sourced by the package tests, after wine_env, identity.sh and registry_checks.sh: what the
# package says of itself (read with msiinfo), msiexec under Wine with its exit code, the
# install folder, the uninstall entries, and the libraries' keys for all users.
#   Usage: package_setup PACKAGE   sets PACKAGE, PRODUCT_NAME, PRODUCT_VERSION, PRODUCT_CODE,
#                                  FOLDER (Unix path), FOLDER_WINDOWS and CLASSES (the classes
#                                  root the package registers under)
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# A package's install or removal may take minutes: every Wine call here is bounded by five
# (scaled under emulation, as wine_call scales every limit).
export WINE_CALL_SECONDS=300

package_property() {  # PACKAGE NAME
    msiinfo export "$1" Property | tr -d '\r' | awk -F '\t' -v name="$2" '$1 == name { print $2 }'
}

package_setup() {
    PACKAGE=$1
    PRODUCT_NAME=$(package_property "$PACKAGE" ProductName)
    PRODUCT_VERSION=$(package_property "$PACKAGE" ProductVersion)
    PRODUCT_CODE=$(package_property "$PACKAGE" ProductCode)
    [ -n "$PRODUCT_NAME" ] && [ -n "$PRODUCT_CODE" ] || { echo "FAIL: msiinfo cannot read $PACKAGE"; exit 1; }
    # A 32-bit package on 64-bit Windows goes to the 32-bit Program Files folder and registers
    # in the 32-bit registry view; a package for the current user (without ALLUSERS) goes to
    # the user's programs folder and registers under HKEY_CURRENT_USER.
    local program_files="C:\\Program Files"
    VIEW=()
    if [ "$WINEARCH" = win64 ] && msiinfo suminfo "$PACKAGE" | grep -q '^Template: Intel'; then
        program_files="C:\\Program Files (x86)"
        VIEW=(/reg:32)
    fi
    CLASSES='HKLM\Software\Classes'
    FOLDER_WINDOWS="$program_files\\$(identity FOLIO_APPLICATION_NAME)"
    if [ -z "$(package_property "$PACKAGE" ALLUSERS)" ]; then
        local bits=x64
        msiinfo suminfo "$PACKAGE" | grep -q '^Template: Intel' && bits=x86
        FOLDER_WINDOWS="$(wine_call cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')\\Programs\\$(identity FOLIO_APPLICATION_NAME) ($bits)"
        CLASSES='HKCU\Software\Classes'
    fi
    FOLDER=$(wine_call winepath -u "$FOLDER_WINDOWS" 2>/dev/null | tr -d '\r')
    FOLDER=${FOLDER%/}
    [ -n "$FOLDER" ] || { echo "FAIL: winepath cannot name $FOLDER_WINDOWS"; exit 1; }
}

# Runs msiexec ARGS... and checks its exit code. Wine hands a Linux parent only the low 8 bits
# of a program's exit code (1603 arrives as 67), so the codes are compared in that form.
#   Usage: msiexec_expect 'CODE[ CODE...]' WHAT ARGS...
msiexec_expect() {
    local codes=$1 what=$2 rc code
    shift 2
    wine_call msiexec "$@" >/dev/null 2>&1
    rc=$?
    for code in $codes; do
        [ "$rc" = $((code & 255)) ] && { echo "-- $what: exit code $code"; return 0; }
    done
    fail "$what: msiexec $*: exit code $rc (its low 8 bits), expected $codes"
}

# The uninstall entries named as the package's product, one line each: "CODE<TAB>VERSION". A
# package for the current user has its entry under HKEY_CURRENT_USER on Windows, under
# HKEY_LOCAL_MACHINE in Wine 8: both are read.
uninstall_entries() {
    local root
    for root in HKLM HKCU; do
        wine_call reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s "${VIEW[@]}" 2>/dev/null
    done | tr -d '\r' | NAME=$PRODUCT_NAME awk '
        /^HKEY_/ { key = $0; sub(/.*\\/, "", key); next }
        { n = split($0, f, "    ") }
        n >= 4 && f[2] == "DisplayName" { name[key] = f[4] }
        n >= 4 && f[2] == "DisplayVersion" { version[key] = f[4] }
        END { for (k in name) if (name[k] == ENVIRON["NAME"]) print k "\t" version[k] }' | sort
}
expect_entries() {  # EXPECTED WHEN: the entries as uninstall_entries prints them
    local got
    got=$(uninstall_entries)
    [ "$got" = "$1" ] || fail "$2: uninstall entries [$got], expected [$1]"
}

# Removes every installed version of the package's product: a clean start.
remove_installed() {
    local code
    for code in $(uninstall_entries | cut -f 1); do
        wine_call msiexec /x "$code" /qn >/dev/null 2>&1
    done
    [ -z "$(uninstall_entries)" ] || fail "could not remove the product installed before the test"
}

# The libraries' keys under a classes root (HKLM\Software\Classes or HKCU\Software\Classes,
# this bitness's view), as export_snapshot lines, with FOLDER (the DLLs' folder, a Windows
# path) written "<folder>" and without its final backslash where the value is that folder.
#   Usage: library_snapshot ROOT FOLDER FILE
library_snapshot() {
    local root=$1
    shift
    export_snapshot "$root" "$2.all"
    KEYS=$({ library_keys KEYSTACK; library_keys PAGESTACK; } | tr 'A-Z\n' 'a-z|') FOLDER=${1,,} awk -F '\t' '
        BEGIN { n = split(ENVIRON["KEYS"], keys, "|"); folder = ENVIRON["FOLDER"] }
        {
            k = tolower($1); mine = 0
            for (i = 1; i <= n; i++) if (keys[i] != "" && (k == keys[i] || index(k, keys[i] "\\") == 1)) mine = 1
            if (!mine) next
            v = $3; lv = tolower(v)
            if (index(lv, folder) == 1) { v = "<folder>" substr(v, length(folder) + 1); sub(/\\$/, "", v) }
            print k "\t" tolower($2) "\t" v
        }' "$2.all" | sort >"$2"
    rm -f "$2.all" "$2.all.reg"
    [ -s "$2" ] || fail "no key of the libraries under $root"
}

version_text() {  # LIB: what Help("version") answers: name, major.minor and (revision)
    printf '%s %s.%s (%s)' "$(identity "${1}_LIBRARY_NAME")" "$(identity "${1}_VERSION_MAJOR")" \
        "$(identity "${1}_VERSION_MINOR")" "$(identity "${1}_VERSION_REVISION")"
}

# Files of FOLDER whose status changed after MARKER was made (a file written anew).
changed_since() { find "$FOLDER" -type f -cnewer "$1" -printf '%f\n' 2>/dev/null | sort | tr '\n' ' '; }
