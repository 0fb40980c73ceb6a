#!/usr/bin/env bash
# Sets up a Debian 12 machine for Brelunda, builds it, and then runs the program or the whole
# test suite:
#   tools/dev.sh run     install what is missing, build, start the program
#   tools/dev.sh test    install what is missing, build with warnings as errors, run every test
#                        under a private X server, window manager and D-Bus session
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BRELUNDA_BUILD_DIR:-$here/build}
mode=${1:-}

build_packages=(g++ make cmake qt6-base-dev python3)
test_packages=(xvfb xauth openbox xdotool x11-utils imagemagick faketime dbus clang-format
    lintian desktop-file-utils appstream binutils-mingw-w64-x86-64 devscripts dpkg-dev)

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
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$build" -j"$(nproc)"
}

case $mode in
run)
    install_missing "${build_packages[@]}"
    configure_and_build
    exec "$build/brelunda"
    ;;
test)
    install_missing "${build_packages[@]}" "${test_packages[@]}"
    configure_and_build -DBRELUNDA_WERROR=ON
    exec dbus-run-session -- "$here/tests/x11/with-display.sh" \
        ctest --test-dir "$build" --output-on-failure --timeout 300 -j"$(nproc)"
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
