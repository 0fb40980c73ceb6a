#!/usr/bin/env bash
# The Windows resource script compiles, and the result carries the icon group Explorer shows and
# the version details of this release.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

rc=$1 version=$2
need x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64
need x86_64-w64-mingw32-objdump binutils-mingw-w64-x86-64
need cpp cpp
scratch_dir

# windres preprocesses with the MinGW compiler unless told otherwise; the host's cpp does the
# same job here. It takes the icon path relative to the script, as the Windows build does.
windres() {
    x86_64-w64-mingw32-windres --preprocessor=cpp --preprocessor-arg=-DRC_INVOKED "$@"
}
windres -i "$rc" -O res -o "$scratch/brelunda.res"
windres -i "$rc" -O coff -o "$scratch/brelunda.o"
x86_64-w64-mingw32-objdump -h "$scratch/brelunda.o" | grep -q '\.rsrc' ||
    fail "the object file has no .rsrc section to link"

# Read the compiled resources back as text: it lists every resource by type.
windres -i "$scratch/brelunda.res" -O rc -o "$scratch/decompiled.rc"
decompiled=$scratch/decompiled.rc

grep -q '^1 14 /\* RT_GROUP_ICON \*/' "$decompiled" || fail "no icon group named 1"
[[ $(grep -c '/\* RT_ICON \*/' "$decompiled") -ge 2 ]] || fail "the icon lost its images"

IFS=. read -r major minor patch <<<"$version"
expect_line() {
    grep -qF -- "$1" "$decompiled" || fail "the version resource lacks: $1"
}
expect_line "FILEVERSION $major, $minor, $patch, 0"
expect_line "PRODUCTVERSION $major, $minor, $patch, 0"
expect_line 'BLOCK "040904B0"'
expect_line "VALUE \"Translation\", 0x409, 1200"
short_version=$(printf '%d.%02d' "$major" "$minor")
for entry in "ProductName\", \"Brelunda\"" "InternalName\", \"Brelunda\"" \
    "OriginalFilename\", \"Brelunda.exe\"" "FileVersion\", \"$short_version\"" \
    "ProductVersion\", \"$short_version\"" "CompanyName\", \"Brelunda developers\""; do
    expect_line "VALUE \"$entry"
done
grep -q 'VALUE "FileDescription", "..*"' "$decompiled" || fail "no FileDescription"
grep -q 'VALUE "LegalCopyright", "..*"' "$decompiled" || fail "no LegalCopyright"

# Explorer reads the strings as UTF-16; make sure that is how they were stored.
utf16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -d ' \n'; }
od -An -tx1 "$scratch/brelunda.res" | tr -d ' \n' | grep -q "$(utf16 Brelunda.exe)" ||
    fail "\"Brelunda.exe\" is not stored as UTF-16"
echo "windows resource: icon group and version $short_version compiled"
