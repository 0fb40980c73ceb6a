#!/usr/bin/env bash
# Brelunda.exe under Wine against the bare Win32 window of the same shape (bare.cpp), with the
# Linux build in the same run: each start timed from outside by the Linux tree's watcher
# (bench/watcher), from fork to the first drawing inside the window and to the last within 300 ms,
# with the peak RSS of the process `wine` execs into. Needs both trees built and an X server with
# a window manager:
#
#   tools/with-display.sh bench/win32/run.sh build build-windows [STARTS]
#
# A fresh prefix in a temporary folder; its wineserver stays up between starts (warm, as for a
# user who has run a program before). One uncounted start of each, then rounds of one start each
# with the order turning every round; medians of STARTS (default 15) starts.
set -euo pipefail

linux=$1 windows=$2 starts=${3:-15}
watch=$linux/bench/brelunda-bench-watch
scratch=$(mktemp -d)
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/wine-env.sh"
export WINEPREFIX=$scratch/prefix
trap 'wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p >/dev/null 2>&1

labels=("bare (A)" "Brelunda.exe (B)" "Linux brelunda")
commands=("wine $windows/bench/win32/brelunda-bench-bare.exe" "wine $windows/Brelunda.exe" "$linux/brelunda")
for round in $(seq 0 "$starts"); do
    for turn in 0 1 2; do
        which=$(((turn + round) % 3))
        # shellcheck disable=SC2086 # the command's words
        line=$("$watch" --settle-ms 300 -- ${commands[which]}) || continue
        ((round > 0)) && echo "$which $line" >>"$scratch/samples"
    done
    printf '\rstarts: round %d of %d' "$round" "$starts" >&2
done
echo >&2

# Medians per program; B/A on the two Wine programs.
awk -v labels="${labels[*]}" '
function median(list,   values, n, i, j, t) {
    n = split(list, values, " ")
    for (i = 2; i <= n; i++) for (j = i; j > 1 && values[j] + 0 < values[j - 1] + 0; j--) {
        t = values[j]; values[j] = values[j - 1]; values[j - 1] = t
    }
    return n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
}
{
    for (i = 2; i <= NF; i++) { split($i, field, "="); list[$1, field[1]] = list[$1, field[1]] " " field[2] }
    count[$1]++
}
END {
    printf "%-22s %12s %12s %12s %7s  target\n", "medians", "bare (A)", "exe (B)", "Linux", "B/A"
    split("first_frame_us:first frame (ms):1000;last_frame_us:window at rest (ms):1000;hwm_kb:peak RSS (MiB):1024", rows, ";")
    for (r = 1; r <= 3; r++) {
        split(rows[r], row, ":")
        for (p = 0; p < 3; p++) value[p] = median(list[p, row[1]]) / row[3]
        target = r == 2 ? "-" : "<= 1.10"
        printf "%-22s %12.1f %12.1f %12.1f %7.2f  %s\n", row[2], value[0], value[1], value[2], value[1] / value[0], target
    }
    printf "starts counted: %d, %d, %d\n", count[0], count[1], count[2]
}' "$scratch/samples"
