#!/usr/bin/env bash
# A package's tables, read on Linux with msiinfo: its summary and properties, the three files
# (the build's, in their components), the components' identifiers and registry views, the
# upgrade rules, and every row of the Registry table against the keys the DLLs register
# (src/automation/registration.cpp), built here from identity.h. For all users, or (a file
# name ending in -user.msi) for the current user.
#   Usage: tables_test.sh ARCH PACKAGE KEYSTACK_DLL PAGESTACK_DLL INDEXFILE_EXE
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../com/identity.sh"
arch=$1 package=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
expect() {  # WHAT GOT EXPECTED
    [ "$2" = "$3" ] || fail "$1: [$2], expected [$3]"
}
# A table's rows without its three header lines, sorted.
table() { msiinfo export "$package" "$1" | tr -d '\r' | tail -n +4 | sort; }

if [ "$arch" = win64 ]; then
    bits=X64 template='x64;1033' base=ProgramFiles64Folder win64=256
else
    bits=X86 template='Intel;1033' base=ProgramFilesFolder win64=0
fi
# For all users: Program Files, the classes root (root 0, HKEY_LOCAL_MACHINE\Software\Classes
# in a package for all users), ALLUSERS 1, elevated (word count 2: compressed). For the current
# user: a folder of each bitness in the user's programs folder, HKEY_CURRENT_USER\Software\Classes
# (root 1), no ALLUSERS, no elevation (word count 10), and identifiers derived from identity.h's
# as name-based (SHA-1) identifiers with the name "user".
derived() { printf '%s' "$1"; }
suffix="" root=0 classes="" allusers=1 word_count=2 programs=. folder_suffix=""
if [[ $package == *-user.msi ]]; then
    suffix=-user root=1 classes='Software\Classes\' allusers="" word_count=10 base=LocalAppDataFolder programs=Programs
    folder_suffix=" (${bits,,})"
    derived() {
        perl -MDigest::SHA=sha1 -e '($ns = lc shift) =~ s/-//g; $h = sha1(pack("H*", $ns) . shift);
            substr($h, 6, 1) = chr(ord(substr($h, 6, 1)) & 0x0f | 0x50);
            substr($h, 8, 1) = chr(ord(substr($h, 8, 1)) & 0x3f | 0x80);
            ($x = uc unpack("H32", $h)) =~ s/(.{8})(.{4})(.{4})(.{4})(.{12})/$1-$2-$3-$4-$5/; print $x' "$1" user
    }
fi

msiinfo tables "$package" >"$work/tables" || fail "msiinfo cannot list the tables of $package"
for name in Property File Component Registry Upgrade LaunchCondition Feature FeatureComponents; do
    grep -qx "$name" "$work/tables" || fail "no table $name"
done
expect "Template" "$(msiinfo suminfo "$package" | sed -n 's/^Template: //p')" "$template"
expect "Word count" "$(msiinfo suminfo "$package" | sed -n 's/^Source: \([0-9]*\).*/\1/p')" "$word_count"

# The version: the libraries' major.minor and the sum of their revisions; the file is named by it.
version="$(identity KEYSTACK_VERSION_MAJOR).$(identity KEYSTACK_VERSION_MINOR).$(( $(identity KEYSTACK_VERSION_REVISION) + $(identity PAGESTACK_VERSION_REVISION) ))"
property() { table Property | awk -F '\t' -v name="$1" '$1 == name { print $2 }'; }
expect "ProductVersion" "$(property ProductVersion)" "$version"
expect "file name" "$(basename "$package")" "$(identity FOLIO_APPLICATION_NAME)-$version-${bits,,}$suffix.msi"
upgrade_code=$(derived "$(identity FOLIO_PACKAGE_UPGRADE_CODE_$bits)")
expect "UpgradeCode" "$(property UpgradeCode)" "{$upgrade_code}"
expect "ALLUSERS" "$(property ALLUSERS)" "$allusers"
expect "Manufacturer" "$(property Manufacturer)" "$(identity FOLIO_DEVELOPER_NAME)"
[[ $(property ProductCode) =~ ^\{[0-9A-F-]{36}\}$ ]] || fail "ProductCode: $(property ProductCode)"

# Files: name, component and size of the build's files.
expect "File table" "$(table File | cut -f 1-4)" "$(printf '%s\t%s\t%s\t%s\n' \
    Keystack.dll Keystack Keystack.dll "$(stat -c %s "$3")" \
    Pagestack.dll Pagestack Pagestack.dll "$(stat -c %s "$4")" \
    indexfile.exe indexfile indexfile.exe "$(stat -c %s "$5")" | sort)"
expect "Directory table" "$(table Directory)" "$(printf '%s\t%s\t%s\n' TARGETDIR "" SourceDir "$base" TARGETDIR . \
    PROGRAMS "$base" "$programs" INSTALLFOLDER PROGRAMS "$(identity FOLIO_APPLICATION_NAME)$folder_suffix" | sort)"

# Components: identifier, folder, attributes (256: 64-bit registry view; 4: a registry key
# path) and key path; the key paths of the shared components are Registry rows (checked below).
expect "Component table" "$(table Component | awk -F '\t' -v OFS='\t' '{ if ($6 ~ /^reg/) $6 = "reg"; print $1, $2, $3, $4, $6 }')" \
    "$(printf '%s\t{%s}\tINSTALLFOLDER\t%s\t%s\n' \
        Keystack "$(derived "$(identity KEYSTACK_COMPONENT_$bits)")" $win64 Keystack.dll \
        KeystackShared "$(derived "$(identity KEYSTACK_COMPONENT_SHARED)")" $((win64 | 4)) reg \
        Pagestack "$(derived "$(identity PAGESTACK_COMPONENT_$bits)")" $win64 Pagestack.dll \
        PagestackShared "$(derived "$(identity PAGESTACK_COMPONENT_SHARED)")" $((win64 | 4)) reg \
        indexfile "$(derived "$(identity INDEXFILE_COMPONENT_$bits)")" $win64 indexfile.exe | sort)"
expect "FeatureComponents" "$(table FeatureComponents | cut -f 2 | tr '\n' ' ')" \
    "Keystack KeystackShared Pagestack PagestackShared indexfile "

# Upgrades: earlier versions are found and removed, a later one is detected and refused by the
# launch condition with its message.
upgrade=$(table Upgrade | cut -f 1-3,5,7)
expect "Upgrade table" "$upgrade" "$(printf '{%s}\t%s\t%s\t%s\t%s\n' \
    "$upgrade_code" "" "$version" 1 WIX_UPGRADE_DETECTED \
    "$upgrade_code" "$version" "" 2 WIX_DOWNGRADE_DETECTED | sort)"
grep -q $'^NOT WIX_DOWNGRADE_DETECTED\tA later version of \\[ProductName\\] is already installed' \
    <(table LaunchCondition) || fail "no launch condition refusing an earlier version with a message"
grep -qx RemoveExistingProducts <(table InstallExecuteSequence | cut -f 1) || fail "no RemoveExistingProducts"

# The Registry table: root, key, name, value, component.
platform=$arch
marshaler='{00020424-0000-0000-C000-000000000046}'
for lib in KEYSTACK PAGESTACK; do
    name=$(identity "${lib}_LIBRARY_NAME")
    libid="{$(identity "${lib}_LIBID")}"
    dll="[#$name.dll]"
    for class in Entry UFL; do
        cls="CLSID\\{$(identity "${lib}_CLSID_${class^^}")}"
        printf '%s\t%s%s\t%s\t%s\t%s\n' \
            "$root" "$classes" "$cls" "" "$name.$class" "$name" \
            "$root" "$classes" "$cls\\InprocServer32" "" "$dll" "$name" \
            "$root" "$classes" "$cls\\InprocServer32" ThreadingModel Apartment "$name" \
            "$root" "$classes" "$cls\\ProgID" "" "$name.$class" "$name" \
            "$root" "$classes" "$cls\\TypeLib" "" "$libid" "$name" \
            "$root" "$classes" "$cls\\VERSION" "" 1.0 "$name" \
            "$root" "$classes" "$name.$class" "" "$name.$class" "${name}Shared" \
            "$root" "$classes" "$name.$class\\CLSID" "" "{$(identity "${lib}_CLSID_${class^^}")}" "${name}Shared"
    done
    for interface in _Entry:ENTRY _EntryPages:ENTRY_PAGES _UFL:UFL; do
        key="Interface\\{$(identity "${lib}_IID_${interface#*:}")}"
        printf '%s\t%s%s\t%s\t%s\t%s\n' \
            "$root" "$classes" "$key" "" "${interface%:*}" "$name" \
            "$root" "$classes" "$key\\ProxyStubClsid" "" "$marshaler" "$name" \
            "$root" "$classes" "$key\\ProxyStubClsid32" "" "$marshaler" "$name" \
            "$root" "$classes" "$key\\TypeLib" "" "$libid" "$name" \
            "$root" "$classes" "$key\\TypeLib" Version 1.0 "$name"
    done
    printf '%s\t%sTypeLib\\%s\t%s\t%s\t%s\n' \
        "$root" "$classes" "$libid\\1.0" "" "$(identity "FOLIO_TYPELIB_TITLE_$lib")" "${name}Shared" \
        "$root" "$classes" "$libid\\1.0\\FLAGS" "" 0 "${name}Shared" \
        "$root" "$classes" "$libid\\1.0\\HELPDIR" "" "[INSTALLFOLDER]" "$name" \
        "$root" "$classes" "$libid\\1.0\\409\\$platform" "" "$dll" "$name" \
        "$root" "$classes" "$libid\\1.0\\0\\$platform" "" "$dll" "$name"
done | sort >"$work/expected"
table Registry | cut -f 2- | sort >"$work/registry"
if ! cmp -s "$work/expected" "$work/registry"; then
    fail "the Registry table differs from the DLLs' registration (< expected, > table):"
    diff "$work/expected" "$work/registry" | head -n 40
fi
echo "-- $(wc -l <"$work/registry") registry values, $(table File | wc -l) files, $(table Component | wc -l) components"

if [ "$failures" -ne 0 ]; then
    echo "package tables: $failures check(s) failed"
    exit 1
fi
echo "package tables: all checks passed"
