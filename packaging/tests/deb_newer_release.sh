#!/usr/bin/env bash
# A user who upgrades Debian keeps a working program: the package built here installs on the next
# release and shows its day there. In a fresh minimal chroot of that release the package is
# installed by apt on its own, so what it declares must bring everything it needs; the program
# then starts on the suite's display with its clock on the 15th, and the day it shows is read off
# a screenshot.
#   deb_newer_release.sh CPACK CPACK-CONFIG VERSION RELEASE
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cpack=$1 cpack_config=$2 version=$3 release=$4
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
need debootstrap xdotool import:imagemagick tesseract:tesseract-ocr
scratch_dir
build_deb "$cpack" "$cpack_config" "$version"

# The package comes in on standard input. libfaketime is installed after it, so that it cannot
# stand in for anything the package forgot (it needs nothing but the C library anyway).
BRELUNDA_CHROOTS=$scratch/chroots "$source_dir/tools/debian-chroot.sh" --display "$release" bash -euc '
    cat >/tmp/brelunda.deb
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends /tmp/brelunda.deb >/tmp/install.log
    echo "installed with $(grep -c "^Setting up" /tmp/install.log) packages"
    apt-get install -y -qq --no-install-recommends faketime >/dev/null
    exec env LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1 FAKETIME="@2026-12-15 10:00:00" \
        FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1 brelunda
' <"$deb" >"$scratch/chroot.log" 2>&1 &
chroot_pid=$!
# unshare ignores SIGTERM while it waits for the chroot's first process; killed, it takes the
# whole chroot run with it.
trap 'kill -KILL "$chroot_pid" 2>/dev/null; wait; rm -rf "$scratch"' EXIT

# Bootstrapping and installing take a minute or two; the program's window comes after them.
window=
for _ in $(seq 1800); do
    kill -0 "$chroot_pid" 2>/dev/null || { cat "$scratch/chroot.log" >&2; fail "the chroot run ended first"; }
    window=$(xdotool search --onlyvisible --name '^Brelunda$' 2>/dev/null | head -n 1) && [[ -n $window ]] && break
    sleep 0.25
done
[[ -n $window ]] || { cat "$scratch/chroot.log" >&2; fail "no window on $release"; }
sleep 1
import -window "$window" "$scratch/window.png"

# The day number stands alone above the title, between the picture and the right margin.
convert "$scratch/window.png" -crop 441x80+120+0 +repage -resize 300% -colorspace gray "$scratch/top.png"
read_text=$(tesseract "$scratch/top.png" - --psm 6 2>/dev/null)
grep -qx '15' <<<"$read_text" || fail "the window on Debian $release does not show day 15; read: $read_text"
echo "Debian $release: $(grep installed "$scratch/chroot.log"), the window shows day 15"
