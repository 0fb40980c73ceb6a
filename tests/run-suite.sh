#!/usr/bin/env bash
# Runs the whole suite on the normal build, then again what the sanitizers can find something in
# (the logic, the About window opened many times, the error report, the soak) on the sanitized
# build. Expects a display, a window manager and a D-Bus session (tools/dev.sh test sets them up).
# With a Windows build, its scenarios run under Wine, in prefixes made for this run and removed
# after it.
#   tests/run-suite.sh BUILD-DIR SANITIZED-BUILD-DIR [WINDOWS-BUILD-DIR]
# BRELUNDA_ONLY=REGEX runs only the tests whose names match, with everything set up as for the
# whole suite: `BRELUNDA_ONLY=wine_ tools/dev.sh test --debian 13` for the Wine scenarios there.
# BRELUNDA_WINE_WINDOWS=VERSION (win7, win81, win10: winecfg's names) sets the Windows the Wine
# prefixes claim to be, in place of Wine's own default.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$1
sanitized=$2
windows=${3:-}

if [[ -n $windows ]]; then
    source "$here/../tools/wine-env.sh"
    wine_root=$(mktemp -d)
    trap 'for prefix in "$wine_root"/*; do WINEPREFIX=$prefix wineserver -k; done 2>/dev/null; rm -rf "$wine_root"' EXIT
    # Windows' own colour scheme, as a Windows user has it: Wine's leaves the tooltip background
    # and the active border white. A prefix for each density the scale scenarios run at (100, 125,
    # 150 and 200 %, a laptop's usual settings), named by its dots per inch; made side by side.
    made=()
    for dpi in 96 120 144 192; do (
        export WINEPREFIX=$wine_root/$dpi
        wineboot -i >/dev/null 2>&1
        wine reg add 'HKCU\Control Panel\Colors' /v InfoWindow /d '255 255 225' /f >/dev/null
        wine reg add 'HKCU\Control Panel\Colors' /v ActiveBorder /d '180 180 180' /f >/dev/null
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $dpi /f >/dev/null
        [[ -z ${BRELUNDA_WINE_WINDOWS:-} ]] || winecfg -v "$BRELUNDA_WINE_WINDOWS" || exit 2
        wineserver -w
    ) & made+=($!); done
    for prefix in "${made[@]}"; do
        wait "$prefix" || { echo "a Wine prefix could not be made" >&2; exit 2; }
    done
    export WINEPREFIX=$wine_root/96 BRELUNDA_WINEPREFIXES=$wine_root
    echo "Wine $(wine --version), prefixes as $(wine cmd /c ver | tr -d '\r' | grep .)"
fi

only=()
[[ -n ${BRELUNDA_ONLY:-} ]] && only=(-R "$BRELUNDA_ONLY")

ctest --test-dir "$build" --output-on-failure --timeout 300 -j"$(nproc)" "${only[@]}"
status=$?

# Whole stacks through libraries without frame pointers, for the suppressions to match by
# function (about 10 s more for the sanitized run).
export ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0:fast_unwind_on_malloc=0
export LSAN_OPTIONS=suppressions=$here/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$sanitized" --output-on-failure --timeout 600 -j"$(nproc)" -L sanitize "${only[@]}" --no-tests=ignore
sanitized_status=$?

((status == 0 && sanitized_status == 0))
