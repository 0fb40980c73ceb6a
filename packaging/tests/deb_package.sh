#!/usr/bin/env bash
# Builds the Debian package from the current build, as a release would, and checks it: lintian
# without errors or warnings, exactly the files we mean to ship, Qt among the dependencies, the
# metainfo paired with its desktop entry, and no RPATH pointing the installed program back into
# a build tree.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

cpack=$1 cpack_config=$2 version=$3 id=$4
shift 4
sizes=("$@")
((${#sizes[@]} > 0)) || fail "usage: deb_package.sh <cpack> <CPackConfig.cmake> <version> <app id> <icon size>..."
need dpkg-shlibdeps dpkg-dev
need lintian lintian
need readelf binutils
need appstreamcli appstream
need flock util-linux
scratch_dir

# cpack stages the install under -B, but first brings the build tree up to date (its preinstall
# step), and two builds of one tree at once corrupt it; the lock keeps concurrent runs of this
# check on the same build directory apart.
lock=$(dirname "$cpack_config")/.deb_package.lock
if ! flock "$lock" "$cpack" --config "$cpack_config" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    fail "cpack could not build the package"
fi
deb=$scratch/out/brelunda_${version}-1_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "cpack did not write $(basename "$deb"); it wrote: $(ls "$scratch/out")"
echo "built $(basename "$deb"), $(stat -c %s "$deb") bytes"

# lintian refuses to run as root unless told; infos and pedantic notes are shown, not fatal.
lintian_options=(--fail-on error,warning --display-info)
((EUID != 0)) || lintian_options+=(--allow-root)
lintian "${lintian_options[@]}" "$deb" || fail "lintian found errors or warnings"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
[[ $depends == *libqt6widgets6* ]] || fail "Depends does not name libqt6widgets6"

root=$scratch/root
dpkg -x "$deb" "$root"

# A new version needs its changelog entry; lintian does not compare the two.
package_version=$(dpkg-deb -f "$deb" Version)
changelog_version=$(zcat "$root/usr/share/doc/brelunda/changelog.Debian.gz" | dpkg-parsechangelog -l - -S Version)
[[ $changelog_version == "$package_version" ]] ||
    fail "the package is $package_version but the changelog's newest entry is $changelog_version"
expected=(
    usr/bin/brelunda
    "usr/share/applications/$id.desktop"
    "usr/share/metainfo/$id.metainfo.xml"
    usr/share/man/man1/brelunda.1.gz
    usr/share/doc/brelunda/copyright
    usr/share/doc/brelunda/changelog.Debian.gz
    usr/share/lintian/overrides/brelunda
)
for size in "${sizes[@]}"; do
    expected+=("usr/share/icons/hicolor/${size}x$size/apps/$id.png")
done
# Every file, and only those: anything else installed by mistake (a test, a tool) shows up here.
if ! diff -u <(printf '%s\n' "${expected[@]}" | sort) \
    <(cd "$root" && find . ! -type d -printf '%P\n' | sort); then
    fail "the package's files differ from the list above (- expected, + shipped)"
fi

# As installed, the metainfo must find its desktop entry (software centres pair them by name).
appstreamcli validate-tree --no-net "$root" >"$scratch/appstream.log" 2>&1 || {
    cat "$scratch/appstream.log" >&2
    fail "appstreamcli validate-tree rejects the installed tree"
}

dynamic=$(readelf -d "$root/usr/bin/brelunda")
if grep -E '\((RPATH|RUNPATH)\)' <<<"$dynamic"; then
    fail "the installed program carries an RPATH or RUNPATH"
fi
echo "package: lintian clean, ${#expected[@]} files as expected, no RPATH"
