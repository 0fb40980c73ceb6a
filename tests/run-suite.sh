#!/usr/bin/env bash
# Runs the whole suite on the normal build, then the program's own tests again on the sanitized
# build. Expects a display, a window manager and a D-Bus session (tools/dev.sh test sets them up).
#   tests/run-suite.sh BUILD-DIR SANITIZED-BUILD-DIR
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$1
sanitized=$2
jobs=$(nproc)

ctest --test-dir "$build" --output-on-failure --timeout 300 -j"$jobs"
status=$?

# Packaging checks a release binary, the benchmark measures one, and the catalogue and style
# checks run no code of the program: none of them learns anything from the sanitizers.
export ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0
export LSAN_OPTIONS=suppressions=$here/sanitizers/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$sanitized" --output-on-failure --timeout 600 -j"$jobs" -LE 'packaging|bench|style|catalogue'
sanitized_status=$?

((status == 0 && sanitized_status == 0))
