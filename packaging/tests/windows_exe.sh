#!/usr/bin/env bash
# Brelunda.exe as Windows and Explorer see the file: one file that imports Windows' own DLLs only,
# with the hardening Windows expects in its PE header, the light bulb as its icon, and the version
# block (read from the file) naming Brelunda 1.00 in US English.
#   windows_exe.sh BRELUNDA.EXE VERSION
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
exe=$1 version=$2
need x86_64-w64-mingw32-objdump binutils-mingw-w64-x86-64
need wrestool icoutils
scratch_dir

headers=$(x86_64-w64-mingw32-objdump -p "$exe")
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort | tr '\n' ' ')
for dll in $imports; do
    [[ $dll =~ ^(kernel32|user32|gdi32|msvcrt|ole32|oleaut32|shell32|comctl32|uxtheme|advapi32)\.dll$ ]] ||
        fail "imports $dll, which Windows does not provide"
done
for flag in DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT; do
    grep -qw "$flag" <<<"$headers" || fail "the PE header lacks $flag"
done

# wrestool rebuilds the icon file with some padding after the images; the images are the same.
icon=$(dirname "$0")/../../ui/assets/lightbulb.ico
wrestool -x -t 14 -n 1 "$exe" | cmp -s -n "$(stat -c %s "$icon")" - "$icon" || fail "the file's own icon is not the light bulb"
strings=$(wrestool -x --raw -t 16 "$exe" | strings -el | tr '\n' '|')
IFS=. read -r major minor patch <<<"$version"
short=$(printf '%d.%02d' "$major" "$minor")
for pair in "ProductName|Brelunda" "InternalName|Brelunda" "OriginalFilename|Brelunda.exe" "FileVersion|$short" \
    "ProductVersion|$short" "040904B0"; do
    [[ $strings == *"|$pair|"* ]] || fail "the version block lacks $pair"
done
# The fixed part follows the 0xFEEF04BD signature: after the structure's version, the file version
# as two 32-bit numbers, each a high and a low 16-bit half.
wrestool -x --raw -t 16 "$exe" >"$scratch/version"
at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$scratch/version" | cut -d: -f1)
read -r minor_field major_field zero_field patch_field < <(od -An -tu2 -j $((at + 8)) -N 8 "$scratch/version")
[[ $major_field.$minor_field.$patch_field.$zero_field == "$major.$minor.$patch.0" ]] ||
    fail "the fixed file version is $major_field.$minor_field.$patch_field.$zero_field"
echo "windows exe: imports $imports; $(stat -c %s "$exe") bytes; version $short"
