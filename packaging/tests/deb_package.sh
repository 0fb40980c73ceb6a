#!/usr/bin/env bash
# Builds the Debian package from the current build, as a release would, and checks it: lintian
# without errors or warnings, exactly the files we mean to ship, this release's Qt among the
# dependencies, the desktop entry and metainfo valid and paired, the desktop entry starting the
# installed program with the installed icon and a Portuguese comment, the newest release the one
# built, the hardening Debian builds with and no RPATH pointing the installed program back into a
# build tree.
#   deb_package.sh CPACK CPACK-CONFIG COMPILER VERSION APP-ID ICON-SIZE...
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cpack=$1 cpack_config=$2 compiler=$3 version=$4 id=$5
shift 5
build_dir=$(dirname "$cpack_config")
need lintian desktop-file-validate:desktop-file-utils appstreamcli:appstream hardening-check:devscripts
scratch_dir
build_deb "$cpack" "$cpack_config" "$version"
root=$scratch/root
dpkg -x "$deb" "$root"
metainfo=$root/usr/share/metainfo/$id.metainfo.xml

# The project has no public homepage yet and the metainfo names none (BRELUNDA_HOMEPAGE is empty):
# AppStream 1.0 warns of exactly that, and that one warning is accepted, as the information it is.
# Every other finding still fails, here and in lintian, which runs the same validator.
lintian_options=(--fail-on error,warning --display-info)
((EUID != 0)) || lintian_options+=(--allow-root)
accepted='^\s*W: [^ ]+: url-homepage-missing$'
grep -q '<url type="homepage">' "$metainfo" && accepted='^$'
if ! appstreamcli validate-tree --no-net "$root" >"$scratch/appstream.log" 2>&1; then
    findings=$(grep -E '^\s*[EW]: ' "$scratch/appstream.log" || true)
    if [[ -z $findings ]] || grep -qvE "$accepted" <<<"$findings"; then
        cat "$scratch/appstream.log" >&2
        fail "appstreamcli rejects the installed desktop entry and metainfo"
    fi
    lintian_options+=(--suppress-tags appstream-metadata-validation-failed)
fi
lintian "${lintian_options[@]}" "$deb" || fail "lintian found errors or warnings"
# The Qt it needs by the names and versions this release gives them (Debian 13 renamed them for
# 64-bit time): each library the program links against, by the package that has it installed here.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libQt6Core.so.6 libQt6Gui.so.6 libQt6Widgets.so.6; do
    owner=$(dpkg-query -S "*/$library" | head -n 1 | cut -d: -f1)
    [[ ", $depends" == *", $owner (>= "* ]] || fail "Depends ($depends) does not name $owner, which has $library"
done

expected=(usr/bin/brelunda "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml"
    usr/share/man/man1/brelunda.1.gz usr/share/doc/brelunda/copyright usr/share/doc/brelunda/changelog.Debian.gz
    usr/share/lintian/overrides/brelunda)
for size in "$@"; do
    expected+=("usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
# Every file, and only those: anything else installed by mistake (a test, a tool) shows up here.
diff -u <(printf '%s\n' "${expected[@]}" | sort) <(cd "$root" && find . ! -type d -printf '%P\n' | sort) ||
    fail "the package's files differ from the list above (- expected, + shipped)"
[[ $(zcat "$root/usr/share/doc/brelunda/changelog.Debian.gz" | dpkg-parsechangelog -l - -S Version) == \
    "$(dpkg-deb -f "$deb" Version)" ]] || fail "the changelog's newest entry is not the package's version"

desktop=$root/usr/share/applications/$id.desktop
report=$(desktop-file-validate "$desktop" 2>&1) && [[ -z $report ]] || fail "desktop-file-validate: $report"
for line in Exec=brelunda "Icon=$id" 'Comment\[pt_BR\]=..*'; do
    grep -qx "$line" "$desktop" || fail "the desktop entry lacks $line"
done
grep -m1 '<release ' "$metainfo" | grep -q "version=\"$version\"" ||
    fail "the newest release in the metainfo is not $version"

# The hardening Debian 13 builds with, where this compiler and C library have it: control-flow
# protection and fortify level 3, in every compilation the build made.
compilations=$(grep -c '"command":' "$build_dir/compile_commands.json")
compiles() { "$compiler" -x c++ -O2 -U_FORTIFY_SOURCE "$@" -fsyntax-only - 2>/dev/null; }
wanted=()
compiles -fcf-protection <<<'int main() {}' && wanted+=(-fcf-protection)
printf '#include <cstring>\n#if __USE_FORTIFY_LEVEL < 3\n#error level 3 only\n#endif\n' |
    compiles -D_FORTIFY_SOURCE=3 && wanted+=(-D_FORTIFY_SOURCE=3)
for option in "${wanted[@]}"; do
    [[ $(grep -c -- "\"command\":.* $option" "$build_dir/compile_commands.json") == "$compilations" ]] ||
        fail "not every compilation had $option"
done
# hardening-check sees control-flow protection in a program's notes, which the linker writes only
# when every object linked in has it, the C runtime's start-up files included; Debian 12's and 13's
# do not. So it is asked for exactly where an empty program built here gets it. Branch
# protection is AArch64's, and only the hardening-check of Debian 13 and later knows to be told so.
hardening=()
printf 'int main() { return 0; }\n' | "$compiler" -x c++ -fcf-protection -fPIE -pie -o "$scratch/cet" - 2>/dev/null &&
    [[ $(readelf -n "$scratch/cet") == *'x86 feature: IBT, SHSTK'* ]] || hardening+=(--nocfprotection)
[[ $(dpkg --print-architecture) != arm64 && $(hardening-check --help) == *--nobranchprotection* ]] &&
    hardening+=(--nobranchprotection)
hardening-check "${hardening[@]}" "$root/usr/bin/brelunda" || fail "hardening-check ${hardening[*]}"
! readelf -d "$root/usr/bin/brelunda" | grep -E '\((RPATH|RUNPATH)\)' || fail "the program carries an RPATH"
echo "package: $(stat -c %s "$deb") bytes, lintian clean, ${#expected[@]} files as expected"
