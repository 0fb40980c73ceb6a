# Shared by the packaging checks (sourced, not run).

# need <command> <debian-package>: stop with a clear message when a tool is missing, rather than
# with "command not found" halfway through a check.
need() {
    command -v "$1" >/dev/null || {
        echo "$1 not found; apt-get install $2 (tools/dev.sh test installs it)" >&2
        exit 1
    }
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# scratch_dir: a private temporary directory, removed when the script ends, so checks can run in
# parallel with each other and with themselves.
scratch_dir() {
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/brelunda-packaging.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
}
