#!/usr/bin/env bash
# Sets up a Debian 12 machine for Brelunda, builds it, and then runs the program or the whole
# test suite:
#   tools/dev.sh run     install what is missing, build, start the program
#   tools/dev.sh test    install what is missing, build with warnings as errors (and once more with
#                        the sanitizers), run every test under a private X server, window manager
#                        and D-Bus session
#   tools/dev.sh windows install what is missing, cross-build build-windows/Brelunda.exe with
#                        mingw-w64 (warnings as errors); run it with `wine build-windows/Brelunda.exe`
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BRELUNDA_BUILD_DIR:-$here/build}
mode=${1:-}

build_packages=(g++ make cmake qt6-base-dev libxcb1-dev libjpeg-turbo-progs python3)
test_packages=(xvfb xauth openbox xdotool x11-utils imagemagick faketime dbus clang-format
    lintian desktop-file-utils appstream binutils-mingw-w64-x86-64 devscripts dpkg-dev
    at-spi2-core python3-pyatspi qt6-wayland weston
    libx11-dev libxdamage-dev valgrind strace)
windows_packages=(g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 libjpeg-turbo-progs python3 cmake make
    wine wine64)

install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    ((${#missing[@]} == 0)) && return 0
    local sudo=()
    ((EUID == 0)) || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    local tree=$1
    shift
    cmake -S "$here" -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$tree" -j"$(nproc)"
}

case $mode in
run)
    install_missing "${build_packages[@]}"
    configure_and_build "$build"
    exec "$build/brelunda"
    ;;
test)
    install_missing "${build_packages[@]}" "${test_packages[@]}"
    configure_and_build "$build" -DBRELUNDA_WERROR=ON
    # The same tests again on a build with AddressSanitizer, LeakSanitizer and UBSan.
    configure_and_build "$build-sanitize" -DBRELUNDA_WERROR=ON -DBRELUNDA_SANITIZE=ON
    exec dbus-run-session -- "$here/tests/x11/with-display.sh" \
        "$here/tests/run-suite.sh" "$build" "$build-sanitize"
    ;;
windows)
    install_missing "${windows_packages[@]}"
    configure_and_build "$here/build-windows" --toolchain "$here/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DBRELUNDA_WERROR=ON
    echo "Built $here/build-windows/Brelunda.exe; run it with: wine $here/build-windows/Brelunda.exe"
    ;;
*)
    echo "usage: $0 run|test|windows" >&2
    exit 2
    ;;
esac
