#!/usr/bin/env bash
# Runs the whole suite on the normal build, then again what the sanitizers can find something in
# (the logic, the About window opened many times, the error report, the soak) on the sanitized
# build. Expects a display, a window manager and a D-Bus session (tools/dev.sh test sets them up).
#   tests/run-suite.sh BUILD-DIR SANITIZED-BUILD-DIR
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$1
sanitized=$2

ctest --test-dir "$build" --output-on-failure --timeout 300 -j"$(nproc)"
status=$?

export ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0
export LSAN_OPTIONS=suppressions=$here/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$sanitized" --output-on-failure --timeout 600 -j"$(nproc)" -L sanitize
sanitized_status=$?

((status == 0 && sanitized_status == 0))
