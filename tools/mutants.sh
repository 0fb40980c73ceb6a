#!/usr/bin/env bash
# Proves the suite still bites: applies each deliberate fault in tools/mutants/ (a patch whose
# first line says what the fault is and whose "Tests:" line names the tests that should catch
# it) to a clean copy of the last commit, rebuilds, runs those tests, and prints which one failed,
# or SURVIVED; it fails when any survived, or no longer applies or builds. Run by hand, under a
# display like the suite:
#   dbus-run-session -- tools/with-display.sh tools/mutants.sh [NAME...]
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
scratch=$(mktemp -d)
tree=$scratch/tree build=$scratch/build
trap 'git -C "$here" worktree remove --force "$tree" >/dev/null 2>&1; rm -rf "$scratch"' EXIT

git -C "$here" worktree add --quiet --detach "$tree" HEAD
cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build "$build" -j"$(nproc)" >/dev/null || { echo "the clean tree does not build" >&2; exit 1; }

patches=("$here"/tools/mutants/*.patch)
(($#)) && patches=("${@/#/$here/tools/mutants/}") && patches=("${patches[@]/%/.patch}")
unproven=0
printf '%-28s %-62s %s\n' mutant fault "killed by"
for patch in "${patches[@]}"; do
    name=$(basename "$patch" .patch)
    if ! git -C "$tree" apply "$patch"; then
        result="(does not apply)"
    elif ! cmake --build "$build" -j"$(nproc)" >/dev/null 2>&1; then
        result="(does not build)"
    else
        result=SURVIVED
        for test in $(sed -n 's/^Tests: //p' "$patch"); do
            if ! ctest --test-dir "$build" -R "^$test\$" --timeout 300 >/dev/null 2>&1; then
                result=$test
                break
            fi
        done
    fi
    # A fault that no longer applies or builds proves nothing either: its patch wants remaking.
    [[ $result == SURVIVED || $result == "("* ]] && unproven=$((unproven + 1))
    printf '%-28s %-62s %s\n' "$name" "$(head -n 1 "$patch")" "$result"
    git -C "$tree" checkout --quiet -- .
done
# The tree as committed again, so the next run's build starts from it.
cmake --build "$build" -j"$(nproc)" >/dev/null 2>&1
((unproven == 0))
