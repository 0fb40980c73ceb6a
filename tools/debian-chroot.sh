#!/usr/bin/env bash
# Runs a command inside a minimal chroot of a Debian release, made with debootstrap from this
# machine's Debian mirror the first time and kept for the next runs:
#   tools/debian-chroot.sh [--display] RELEASE COMMAND [ARGUMENT...]
# RELEASE is a number (12, 13) or a suite (bookworm, trixie, testing, sid, ...). The checkout is
# mounted in the chroot at its own path, so a command given in the checkout works there as here.
# --display hands the chroot this session's X display, for a program to show its window on.
#
# The chroot's mounts are made in a mount namespace of the run's own and its processes live in a
# PID namespace of their own: however the run ends (success, failure, ^C, a killed parent), the
# kernel takes the mounts down and ends whatever was left running inside, and the host sees
# neither. BRELUNDA_CHROOTS says where the chroots are kept (/var/cache/brelunda by default).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
display=
[[ ${1:-} == --display ]] && display=${DISPLAY:?--display needs a DISPLAY} && shift
(($# >= 2)) || { echo "usage: $0 RELEASE COMMAND [ARGUMENT...]" >&2; exit 2; }
release=$1
shift

case $release in
12) suite=bookworm ;;
13) suite=trixie ;;
14) suite=forky ;;
unstable) suite=sid ;;
*[!a-z]* | '') echo "$0: not a Debian release: $release" >&2; exit 2 ;;
*) suite=$release ;;
esac

if ((EUID != 0)); then
    exec sudo --preserve-env "$0" ${display:+--display} "$release" "$@"
fi

store=${BRELUNDA_CHROOTS:-/var/cache/brelunda}
root=$store/debian-$suite

# The mirror apt already uses here, in either way Debian writes its sources.
mirror() {
    local found=
    [[ -r /etc/apt/sources.list.d/debian.sources ]] &&
        found=$(awk '/^URIs:/ && $2 ~ /\/debian\/?$/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
    [[ -z $found && -r /etc/apt/sources.list ]] &&
        found=$(awk '$1 == "deb" && $2 ~ /\/debian\/?$/ {print $2; exit}' /etc/apt/sources.list)
    echo "${found:-http://deb.debian.org/debian}"
}

bootstrap() {
    command -v debootstrap >/dev/null || {
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
    }
    # A release newer than this debootstrap is bootstrapped the way sid is.
    local script=/usr/share/debootstrap/scripts/$suite
    [[ -e $script ]] || script=/usr/share/debootstrap/scripts/sid
    # Made beside its place and moved there whole: an interrupted bootstrap leaves no chroot
    # that looks finished.
    local draft=$root.draft
    rm -rf "$draft"
    echo "Making a Debian $suite chroot in $root"
    debootstrap --variant=minbase --keyring=/usr/share/keyrings/debian-archive-keyring.gpg \
        "$suite" "$draft" "$(mirror)" "$script" >"$draft.log" 2>&1 ||
        { tail -n 20 "$draft.log" >&2; exit 1; }
    # testing's and sid's Release files are valid for a week only; a clock ahead of the mirror's
    # snapshot would refuse them.
    echo 'Acquire::Check-Valid-Until "false";' >"$draft/etc/apt/apt.conf.d/99brelunda-valid-until"
    # Packages set up in the chroot must not start services there (D-Bus, for one).
    printf '#!/bin/sh\nexit 101\n' >"$draft/usr/sbin/policy-rc.d"
    chmod 755 "$draft/usr/sbin/policy-rc.d"
    chmod 1777 "$draft/tmp"
    mv "$draft.log" "$draft/var/log/brelunda-bootstrap.log"
    mv "$draft" "$root"
}

mkdir -p "$store"
exec 9>"$root.lock"
flock 9
[[ -x $root/usr/bin/apt-get ]] || bootstrap
flock -u 9

cp /etc/resolv.conf "$root/etc/resolv.conf"
mkdir -p "$root$here"
# A git worktree's repository lies outside it, in the main checkout: mounted too, so that git
# works inside as it does here.
repository=$(git -C "$here" rev-parse --path-format=absolute --git-common-dir 2>/dev/null || true)
[[ $repository == "$here"/* ]] && repository=
[[ -z $repository ]] || mkdir -p "$root$repository"

# What the run inside is given of this environment: the project's own settings. A display of
# the host's is given only when asked for: an X server started inside picks its display number by
# the chroot's lock files, and must not meet the host's sockets there.
passed=()
while IFS='=' read -r name _; do
    [[ $name == BRELUNDA_* || $name == SOURCE_DATE_EPOCH ]] && passed+=("$name=${!name}")
done < <(env)
if [[ -n $display ]]; then
    passed+=("DISPLAY=$display")
    [[ -r ${XAUTHORITY:-$HOME/.Xauthority} ]] &&
        cp "${XAUTHORITY:-$HOME/.Xauthority}" "$root/root/.Xauthority"
fi

# shellcheck disable=SC2016 # expanded by the shell inside the namespaces
exec unshare --mount --propagation private --pid --fork --kill-child --mount-proc="$root/proc" -- \
    bash -euc '
        root=$1 here=$2 display=$3 repository=$4
        shift 4
        mount -t sysfs sysfs "$root/sys"
        mount --bind /dev "$root/dev"
        mount --bind /dev/pts "$root/dev/pts"
        mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
        mount --bind "$here" "$root$here"
        [[ -z $repository ]] || mount --bind "$repository" "$root$repository"
        if [[ -n $display && -d /tmp/.X11-unix ]]; then
            mkdir -p "$root/tmp/.X11-unix"
            mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
        fi
        exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
    ' bash "$root" "$here" "$display" "$repository" "${passed[@]}" bash -c 'cd "$1" && shift && exec "$@"' bash "$here" "$@"
