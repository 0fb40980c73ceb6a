#!/usr/bin/env bash
# The release of the last commit, made twice as two people far apart would make it: from clones in
# other folders, days apart by the clock, under other umasks, locales and time zones, one given
# SOURCE_DATE_EPOCH and one left to the default. Both hold every file of a release and the same
# bytes in each; diffoscope says what differs in a file that does not. The Debian package is this
# machine's release's alone: another release's goes through the same steps in its chroot.
#   release_reproducible.sh CHECKOUT
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
checkout=$1
need git diffoscope:diffoscope-minimal localedef:libc-bin
libfaketime=/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1
[[ -e $libfaketime ]] || fail "$libfaketime not found; apt-get install faketime (tools/dev.sh test installs it)"
moved=$(($(LD_PRELOAD=$libfaketime FAKETIME=+3d date +%s) - $(date +%s)))
((moved > 3 * 86400 - 60)) || fail "libfaketime did not move the clock three days on (moved $moved s)"
scratch_dir

commit=$(git -C "$checkout" rev-parse HEAD) || fail "a release is made from git, and git finds no repository in $checkout"
git -C "$checkout" diff --quiet HEAD || echo "note: uncommitted changes are not in a release; this tests $commit"
epoch=$(git -C "$checkout" log -1 --format=%ct)
debian=$(. /etc/os-release && echo "$VERSION_ID")
# The system need not have generated pt_BR.UTF-8: made here, from the locales package's source.
mkdir "$scratch/locales"
localedef -i pt_BR -f UTF-8 -c "$scratch/locales/pt_BR.UTF-8" || [[ -e $scratch/locales/pt_BR.UTF-8 ]] ||
    fail "localedef could not make pt_BR.UTF-8 (apt-get install locales)"

one=$scratch/one/brelunda two=$scratch/a/folder/elsewhere/brelunda-2
for clone in "$one" "$two"; do
    git clone -q "$checkout" "$clone"
    git -C "$clone" checkout -q --detach "$commit"
done
export BRELUNDA_RELEASE_DEBIAN=$debian
# release CLONE COMMAND...: the release made in the clone, tools/release.sh run through the command.
release() {
    local status=0
    (cd "$1" && echo "$BASHPID" >"$1.pid" && exec "${@:2}" tools/release.sh) >"$1.log" 2>&1 || status=$?
    # A preloaded libfaketime leaves behind the clock it shared among the release's processes, named
    # after the first of them, which the commands before the release became.
    rm -f "/dev/shm/faketime_shm_$(<"$1.pid")" "/dev/shm/sem.faketime_sem_$(<"$1.pid")"
    ((status == 0)) || { tail -n 40 "$1.log" >&2; fail "the release in $1 failed"; }
}
start=$SECONDS
release "$one" env -u SOURCE_DATE_EPOCH LC_ALL=C.UTF-8 TZ=UTC sh -c 'umask 022 && exec "$@"' umask
# Three days later the clock has moved, not the times files were given: NO_FAKE_STAT keeps newer
# libfaketimes (Debian 13's) from moving those too when they are read back. The library is preloaded
# rather than run through the faketime command: that command refuses to start when a process that
# had the library and was killed left its shared clock under the number the command now has.
release "$two" env SOURCE_DATE_EPOCH="$epoch" LOCPATH="$scratch/locales" LC_ALL=pt_BR.UTF-8 TZ=Pacific/Kiritimati \
    NO_FAKE_STAT=1 LD_PRELOAD="$libfaketime" FAKETIME=+3d sh -c 'umask 002 && exec "$@"' umask

for pattern in 'brelunda-*.tar.gz' "brelunda_*_debian${debian}_*.deb" Brelunda.exe 'Brelunda-*-x64.msi' \
    'Brelunda-*-x64.zip'; do
    compgen -G "$one/dist/$pattern" >/dev/null || fail "the release lacks $pattern"
done
(cd "$one/dist" && sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not match the files"
[[ $(wc -l <"$one/dist/SHA256SUMS") == 5 ]] || fail "SHA256SUMS lists other files: $(cat "$one/dist/SHA256SUMS")"

diff <(cd "$one/dist" && ls -A) <(cd "$two/dist" && ls -A) || fail "the two releases hold different files"
differ=()
for file in "$one"/dist/*; do
    name=${file##*/}
    cmp -s "$file" "$two/dist/$name" && continue
    differ+=("$name")
    diffoscope --no-progress --text - --max-text-report-size 200000 "$file" "$two/dist/$name" || true
done
((${#differ[@]} == 0)) || fail "not the same bytes in both releases: ${differ[*]}"
files=("$one"/dist/*)
echo "release: ${#files[@]} files, the same bytes twice; $((SECONDS - start)) s for both"
sed 's/^/  /' "$one/dist/SHA256SUMS"
