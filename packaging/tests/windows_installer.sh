#!/usr/bin/env bash
# The Windows installer and zip as a user meets them: the MSI's tables say what it installs; in a
# fresh Wine prefix it installs silently, the installed program starts on today's reading, the
# shortcut is in the Start menu; installing it again, another build of the same version, or a newer
# version over it leaves one copy; an older one does not replace a newer; removing it leaves the
# prefix as it was. Needs a display.
#   windows_installer.sh BUILD-WINDOWS-DIR VERSION
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$1 version=$2
msi=$build/Brelunda-$version-x64.msi zip=$build/Brelunda-$version-x64.zip
need msidump:msitools wine
scratch_dir

# The tables, read back.
(cd "$scratch" && msidump -t "$msi" >/dev/null)
table() { tail -n +4 "$scratch/$1.idt" | tr -d '\r'; }
for property in "ProductName	Brelunda" "ProductVersion	$version" "Manufacturer	Brelunda developers" \
    "UpgradeCode	{980203ec-dff1-40a2-9996-077023a7eeb2}" "ARPNOMODIFY	1" "ARPNOREPAIR	1" "ARPPRODUCTICON	lightbulb.ico"; do
    table Property | grep -qxF "$property" || fail "Property table lacks: $property"
done
files="Brelunda.exe COPYING.txt LICENSE-Liberation.txt LICENSE-TeXGyre.txt "
[[ $(table File | cut -f3 | sort | tr '\n' ' ') == "$files" && $(unzip -Z1 "$zip" | sort | tr '\n' ' ') == "$files" ]] ||
    fail "the MSI's File table or the zip do not hold the program and the licences"
table Shortcut | grep -qP '^StartMenu\tProgramMenuFolder\tBrelunda\tProgram\t\[#Brelunda.exe\]\t.*\tlightbulb\.ico\t' ||
    fail "Shortcut table: $(table Shortcut)"
[[ -z $(table Registry) && -z $(table ServiceInstall) ]] || fail "registry values or services of our own"

source "$here/tools/wine-env.sh"
export WINEPREFIX=$scratch/prefix
trap 'wineserver -k 2>/dev/null; wineserver -w; rm -rf "$scratch"' EXIT
wineboot -i >/dev/null 2>&1 && wineserver -w
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
state() {
    (cd "$WINEPREFIX/drive_c" && find "Program Files" ProgramData users/*/AppData/Roaming/Microsoft/Windows -print | sort)
    wine reg query "$uninstall" /s | tr -d '\r'
}
installed() { wine reg query "$uninstall" /s | tr -d '\r' | grep -c "DisplayName *REG_SZ *Brelunda$" || true; }
state >"$scratch/before"

wine msiexec /i "$msi" /qn || fail "msiexec /i failed"
program="$WINEPREFIX/drive_c/Program Files/Brelunda/Brelunda.exe"
[[ -f $program ]] || fail "Brelunda.exe is not in Program Files\\Brelunda"
find "$WINEPREFIX/drive_c" -path '*/Start Menu/Programs/Brelunda.lnk' | grep -q . || fail "no Start menu shortcut"
(cd "$here/tests/realwindow" && BRELUNDA_BUILD=wine BRELUNDA_PROGRAM=$program BRELUNDA_WIN32_PROBES=$build/tests/win32 \
    /usr/bin/python3 -B test_start.py StartOnADay.test_opensCentredWithTodaysReadingInItsLabels) ||
    fail "the installed program did not start on today's reading"
wine msiexec /i "$msi" /qn || fail "installing again failed"
(($(installed) == 1)) || fail "installing twice left $(installed) copies"

# Other builds from the files this one staged, made as the build makes its installer, dated now.
package() {
    local version=$1 out=$2 files=() file
    for file in "$build"/staging/*; do files+=("${file##*/}=$file"); done
    /usr/bin/python3 -B "$here/packaging/windows/package.py" --version "$version" --epoch "$(date +%s)" \
        --staging "$out.staging" --msi "$out" "${files[@]}"
}
package "$version" "$scratch/rebuilt.msi"
# The same product to Windows Installer: installed over the first (Wine), or refused as already
# installed (Windows, error 1638: the packages differ in their dates).
status=0
wine msiexec /i "$scratch/rebuilt.msi" /qn || status=$?
((status == 0 || status == 1638)) || fail "another build of $version: msiexec /i gave $status"
(($(installed) == 1)) || fail "another build of $version left $(installed) copies"

# A later version replaces it in place; the older one then refuses to go over it. (Windows
# Installer compares three fields of a version.)
IFS=. read -r major minor patch <<<"$version"
newer=$major.$minor.$((patch + 1))
package "$newer" "$scratch/newer.msi"
wine msiexec /i "$scratch/newer.msi" /qn || fail "the newer version did not install over the older"
(($(installed) == 1)) && wine reg query "$uninstall" /s | grep -q "DisplayVersion *REG_SZ *$newer" ||
    fail "after the upgrade: $(installed) copies"
! wine msiexec /i "$msi" /qn || fail "the older version went over the newer one"

wine msiexec /x "$scratch/newer.msi" /qn || fail "msiexec /x failed"
wineserver -w
diff -u "$scratch/before" <(state) || fail "removing it did not leave the prefix as it was"
echo "installer: $(stat -c %s "$msi") bytes; installed, started, upgraded, refused a downgrade, removed cleanly"
