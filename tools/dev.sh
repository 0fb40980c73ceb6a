#!/usr/bin/env bash
# Sets up a Debian 12 or 13 machine for Brelunda, builds it, and then runs the program or the tests:
#   tools/dev.sh run     install what is missing, build the program alone, start it
#   tools/dev.sh test    install what is missing, build with warnings as errors (and once more with
#                        the sanitizers), run every test under a private X server, window manager
#                        and D-Bus session
#   tools/dev.sh check   install only what building and formatting need (nothing once `run` or `test`
#                        has), build, and run the tests that need no display, in seconds
#   tools/dev.sh windows install what is missing, cross-build build-windows/Brelunda.exe with
#                        mingw-w64, and its installer; run it with `wine build-windows/Brelunda.exe`
#   tools/dev.sh release install what is missing and make a release of the last commit in dist/:
#                        source tarball, Debian 12 and 13 packages, Brelunda.exe, installer, zip,
#                        SHA256SUMS; the same bytes on any machine; signed when keys are named
#                        (tools/release.sh says how)
# Any mode runs on another Debian release with --debian RELEASE (12, 13, sid, ...): in a chroot of
# that release made with debootstrap and kept for the next run (tools/debian-chroot.sh), building
# into build-debianRELEASE, for example `tools/dev.sh test --debian 13`.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-}
if [[ ${2:-} == --debian ]]; then
    release=${3:?"--debian needs a release: 12, 13, sid, ..."}
    chroot_options=()
    [[ $mode == run ]] && chroot_options=(--display)
    exec "$here/tools/debian-chroot.sh" "${chroot_options[@]}" "$release" \
        env BRELUNDA_BUILD_DIR="$here/build-debian$release" "$here/tools/dev.sh" "$mode"
fi
(($# <= 1)) || [[ $mode == release ]] || { echo "usage: $0 run|test|check|windows|release [--debian RELEASE]" >&2; exit 2; }
build=${BRELUNDA_BUILD_DIR:-$here/build}

build_packages=(g++ make cmake qt6-base-dev libxcb1-dev libfontconfig-dev libjpeg-turbo-progs python3)
test_packages=(xvfb xauth openbox xdotool x11-utils imagemagick faketime dbus clang-format
    lintian desktop-file-utils appstream devscripts dpkg-dev
    at-spi2-core python3-pyatspi orca python3-numpy icoutils i3-wm jwm
    libx11-dev libxdamage-dev valgrind unzip debootstrap tesseract-ocr tesseract-ocr-eng
    qt6-wayland mutter xwayland git locales diffoscope-minimal osslsigncode gnupg openssl)
windows_packages=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 libjpeg-turbo-progs python3 cmake make
    wixl msitools python3-gi gir1.2-libmsi-1.0 wine wine64)
# cpack's Debian packages need dpkg-shlibdeps and file.
deb_packages=(dpkg-dev file)
release_packages=(git osslsigncode gnupg)

install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    ((${#missing[@]} == 0)) && return 0
    local sudo=()
    ((EUID == 0)) || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq -o DPkg::Lock::Timeout=900
    # Two runs sharing a machine or a chroot take turns at dpkg rather than fail.
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=900 "${missing[@]}"
}

configure() {
    local tree=$1
    shift
    cmake -S "$here" -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}

build_windows() {
    configure "$build-windows" --toolchain "$here/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DBRELUNDA_WERROR=ON
    cmake --build "$build-windows" -j"$(nproc)"
}

case $mode in
run)
    install_missing "${build_packages[@]}"
    configure "$build"
    # The program alone: a newcomer who wants to see it need not wait for the tests.
    cmake --build "$build" -j"$(nproc)" --target brelunda
    exec "$build/brelunda"
    ;;
test)
    install_missing "${build_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}"
    # Brelunda.exe and its installer first: the scenarios run against it under Wine too.
    build_windows
    configure "$build" -DBRELUNDA_WERROR=ON -DBRELUNDA_BENCH=ON -DBRELUNDA_WINDOWS_BUILD="$build-windows"
    cmake --build "$build" -j"$(nproc)"
    # The tests the sanitizers can find something in, again on a build with AddressSanitizer,
    # LeakSanitizer and UBSan.
    configure "$build-sanitize" -DBRELUNDA_WERROR=ON -DBRELUNDA_SANITIZE=ON
    cmake --build "$build-sanitize" -j"$(nproc)" --target test_logic test_aboutrepeat brelunda error_probe
    exec dbus-run-session -- "$here/tools/with-display.sh" \
        "$here/tests/run-suite.sh" "$build" "$build-sanitize" "$build-windows"
    ;;
check)
    install_missing "${build_packages[@]}" clang-format
    configure "$build" -DBRELUNDA_WERROR=ON
    cmake --build "$build" -j"$(nproc)"
    exec ctest --test-dir "$build" --output-on-failure -j"$(nproc)" -L 'logic|widgets|catalogue|style'
    ;;
windows)
    install_missing "${windows_packages[@]}"
    build_windows
    echo "Built $build-windows/Brelunda.exe; run it with: wine $build-windows/Brelunda.exe"
    ;;
release)
    # The release asks a chroot of each other Debian release for its package with
    # `release --deb SOURCE OUT`: that needs the build's packages alone.
    if [[ ${2:-} == --deb ]]; then
        install_missing "${build_packages[@]}" "${deb_packages[@]}"
    else
        install_missing "${build_packages[@]}" "${deb_packages[@]}" "${windows_packages[@]}" "${release_packages[@]}"
    fi
    exec "$here/tools/release.sh" "${@:2}"
    ;;
*)
    echo "usage: $0 run|test|check|windows|release [--debian RELEASE]" >&2
    exit 2
    ;;
esac
