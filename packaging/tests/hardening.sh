#!/usr/bin/env bash
# The built program has the hardening Debian expects (see cmake/Hardening.cmake).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

binary=$1 config=${2:-}
need hardening-check devscripts

case $config in
Release | RelWithDebInfo | MinSizeRel) ;;
*)
    echo "skipped: a $config build is not optimised, so it cannot be fortified"
    exit 77
    ;;
esac

# Control-flow protection (CET) is left out on purpose; cmake/Hardening.cmake says why.
hardening-check --nocfprotection "$binary"
