#!/usr/bin/env bash
# Builds the Debian package from the current build, as a release would, and checks it: lintian
# without errors or warnings, exactly the files we mean to ship, Qt among the dependencies, the
# desktop entry and metainfo valid and paired, the desktop entry starting the installed program
# with the installed icon and a Portuguese comment, the newest release the one built, the hardening
# Debian expects and no RPATH pointing the installed program back into a build tree.
#   deb_package.sh CPACK CPACK-CONFIG VERSION APP-ID ICON-SIZE...
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cpack=$1 cpack_config=$2 version=$3 id=$4
shift 4
need lintian lintian
need desktop-file-validate desktop-file-utils
need appstreamcli appstream
need hardening-check devscripts
scratch_dir

# cpack first brings the build tree up to date, and two builds of one tree at once corrupt it:
# the lock keeps concurrent runs of this check on the same build directory apart.
flock "$(dirname "$cpack_config")/.deb_package.lock" "$cpack" --config "$cpack_config" -G DEB -B "$scratch/out" \
    >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$scratch/out/brelunda_${version}-1_$(dpkg --print-architecture).deb
options=(--fail-on error,warning --display-info)
((EUID != 0)) || options+=(--allow-root)
lintian "${options[@]}" "$deb" || fail "lintian found errors or warnings"
[[ $(dpkg-deb -f "$deb" Depends) == *libqt6widgets6* ]] || fail "Depends does not name libqt6widgets6"

root=$scratch/root
dpkg -x "$deb" "$root"
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
appstreamcli validate-tree --no-net "$root" >"$scratch/appstream.log" 2>&1 || {
    cat "$scratch/appstream.log" >&2
    fail "appstreamcli rejects the installed desktop entry and metainfo"
}
grep -m1 '<release ' "$root/usr/share/metainfo/$id.metainfo.xml" | grep -q "version=\"$version\"" ||
    fail "the newest release in the metainfo is not $version"

# Control-flow protection (CET) is left out on purpose; cmake/Hardening.cmake says why.
hardening-check --nocfprotection "$root/usr/bin/brelunda" || fail "hardening-check"
! readelf -d "$root/usr/bin/brelunda" | grep -E '\((RPATH|RUNPATH)\)' || fail "the program carries an RPATH"
echo "package: $(stat -c %s "$deb") bytes, lintian clean, ${#expected[@]} files as expected"
