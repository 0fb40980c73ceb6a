#!/usr/bin/env bash
# Makes a release of the last commit, every file of it the same bytes whoever builds it, wherever,
# whenever:
#   tools/release.sh [DIST]            into DIST (dist/ by default): the source tarball, the Debian
#                                      packages, Brelunda.exe, its installer and zip, SHA256SUMS;
#                                      signed when keys are named (below)
#   tools/release.sh --sign DIST       only the last step, on a release made before: sign what DIST
#                                      holds and write its SHA256SUMS again
#   tools/release.sh --deb SOURCE OUT  only the Debian package of the release this runs on, built
#                                      from SOURCE into OUT (what the release asks of a chroot)
# Needs the packages `tools/dev.sh release` installs; that command installs them and runs this.
#
# SOURCE_DATE_EPOCH, the date every file carries, is the last commit's unless given.
# BRELUNDA_RELEASE_DEBIAN lists the Debian releases to make packages for ("12 13" by default):
# this machine's is built here, any other in its chroot (tools/debian-chroot.sh).
# Signing comes last, so the signed files are the built ones: Brelunda.exe less its signature is
# the built file, and the built installer with the release's signature attached is the signed one
# (osslsigncode lays an installer's container out afresh when it adds or removes a signature).
#   BRELUNDA_AUTHENTICODE_CERT, BRELUNDA_AUTHENTICODE_KEY  certificate and private key files that
#       osslsigncode signs Brelunda.exe and the .msi with; BRELUNDA_AUTHENTICODE_PASSFILE, a file
#       holding the key's password; BRELUNDA_AUTHENTICODE_TIMESTAMP, an RFC 3161 time-stamping URL
#   BRELUNDA_GPG_KEY  the OpenPGP key gpg makes SHA256SUMS.asc with, a detached signature
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# deb SOURCE OUT: configures and builds SOURCE without tests into OUT/build and writes the Debian
# package into OUT.
deb() {
    local source=$1 out=$2
    cmake -S "$source" -B "$out/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRELUNDA_TESTS=OFF
    cmake --build "$out/build" -j"$(nproc)"
    # CPack gives the members of the .deb's ar archive the modes of the files it wrote.
    (umask 022 && cpack --config "$out/build/CPackConfig.cmake" -G DEB -B "$out")
}

# sign DIST: signs the program and the installer in DIST when a certificate is named, lists every
# file in SHA256SUMS (in the same order whatever the locale) and signs that when a key is named.
sign() {
    local dist=$1 name
    local files=()
    mapfile -t files < <(cd "$dist" && find . -maxdepth 1 -type f ! -name 'SHA256SUMS*' -printf '%P\n' | LC_ALL=C sort)
    rm -f "$dist/SHA256SUMS" "$dist/SHA256SUMS.asc"
    if [[ -n ${BRELUNDA_AUTHENTICODE_CERT:-}${BRELUNDA_AUTHENTICODE_KEY:-} ]]; then
        local options=(-certs "${BRELUNDA_AUTHENTICODE_CERT:?needs BRELUNDA_AUTHENTICODE_CERT too}"
            -key "${BRELUNDA_AUTHENTICODE_KEY:?needs BRELUNDA_AUTHENTICODE_KEY too}" -h sha256 -n Brelunda)
        [[ -n ${BRELUNDA_AUTHENTICODE_PASSFILE:-} ]] && options+=(-readpass "$BRELUNDA_AUTHENTICODE_PASSFILE")
        [[ -n ${BRELUNDA_AUTHENTICODE_TIMESTAMP:-} ]] && options+=(-ts "$BRELUNDA_AUTHENTICODE_TIMESTAMP")
        for name in "${files[@]}"; do
            [[ $name == *.exe || $name == *.msi ]] || continue
            osslsigncode sign "${options[@]}" -in "$dist/$name" -out "$dist/$name.signed" >/dev/null
            mv "$dist/$name.signed" "$dist/$name"
            echo "Signed $name"
        done
    else
        echo "Not signed: the program and the installer (BRELUNDA_AUTHENTICODE_CERT and _KEY name no certificate)"
    fi
    (cd "$dist" && sha256sum -- "${files[@]}" >SHA256SUMS)
    if [[ -n ${BRELUNDA_GPG_KEY:-} ]]; then
        gpg --batch --yes --local-user "$BRELUNDA_GPG_KEY" --armor --detach-sign \
            --output "$dist/SHA256SUMS.asc" "$dist/SHA256SUMS"
        echo "Signed SHA256SUMS (SHA256SUMS.asc)"
    else
        echo "Not signed: SHA256SUMS (BRELUNDA_GPG_KEY names no key)"
    fi
}

case ${1:-} in
--deb)
    deb "${2:?usage: $0 --deb SOURCE OUT}" "${3:?usage: $0 --deb SOURCE OUT}"
    exit
    ;;
--sign)
    sign "${2:?usage: $0 --sign DIST}"
    exit
    ;;
-*)
    echo "usage: $0 [DIST] | --sign DIST | --deb SOURCE OUT" >&2
    exit 2
    ;;
esac

dist=$(realpath -m "${1:-$here/dist}")
cd "$here"
git diff --quiet HEAD || echo "Note: uncommitted changes are not in the release; it is made from the last commit"
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
version=$(git show HEAD:CMakeLists.txt | sed -n 's/^project(Brelunda VERSION \([0-9.]*\) .*/\1/p')
[[ -n $version ]] || { echo "$0: no VERSION in CMakeLists.txt's project()" >&2; exit 1; }
host=$(. /etc/os-release && echo "${VERSION_ID:-}")

if [[ -d $dist && ! -e $dist/SHA256SUMS && -n $(ls -A "$dist") ]]; then
    echo "$0: $dist holds files and no release; give an empty or new folder" >&2
    exit 1
fi

# Everything is built from the source tarball itself, unpacked: what ships is what that source
# makes. The work lies inside the checkout, where a chroot sees it too; the release moves to
# DIST once whole.
work=$here/build-release out=$here/build-release/dist
rm -rf "$work"
mkdir -p "$out"
tarball=brelunda-$version.tar.gz
# The modes in the tarball are git's, not the umask's of whoever runs this.
git -c tar.umask=0022 archive --format=tar.gz --prefix="brelunda-$version/" -o "$out/$tarball" HEAD
tar -xzf "$out/$tarball" -C "$work"
source=$work/brelunda-$version

for release in ${BRELUNDA_RELEASE_DEBIAN:-12 13}; do
    if [[ $release == "$host" ]]; then
        deb "$source" "$work/debian$release"
    else
        "$here/tools/debian-chroot.sh" "$release" "$here/tools/dev.sh" release --deb "$source" "$work/debian$release"
    fi
    for package in "$work/debian$release"/*.deb; do
        # One name per Debian release: the packages are alike but for the libraries they need.
        name=${package##*/}
        cp "$package" "$out/${name%_*}_debian${release}_${name##*_}"
    done
done

cmake -S "$source" -B "$work/windows" --toolchain "$source/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBRELUNDA_TESTS=OFF
cmake --build "$work/windows" -j"$(nproc)"
cp "$work/windows/Brelunda.exe" "$work/windows/Brelunda-$version-x64.msi" "$work/windows/Brelunda-$version-x64.zip" "$out"

sign "$out"
rm -rf "$dist"
mv "$out" "$dist"
echo "Release $version (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH) in $dist:"
cat "$dist/SHA256SUMS"
