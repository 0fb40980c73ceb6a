# Shared by the packaging checks (sourced, not run).

# need COMMAND[:DEBIAN-PACKAGE]...: stop with a clear message when a tool is missing, rather than
# with "command not found" halfway through a check. The package is named as the command unless
# given.
need() {
    local tool
    for tool in "$@"; do
        command -v "${tool%%:*}" >/dev/null ||
            fail "${tool%%:*} not found; apt-get install ${tool#*:} (tools/dev.sh test installs it)"
    done
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
