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

# build_deb CPACK CPACK-CONFIG VERSION: the Debian package, built from the current build as a
# release would, in $scratch; its path in $deb. cpack first brings the build tree up to date, and
# two builds of one tree at once corrupt it: the lock keeps concurrent checks on it apart.
build_deb() {
    flock "$(dirname "$2")/.deb_package.lock" "$1" --config "$2" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 ||
        { cat "$scratch/cpack.log" >&2; fail "cpack could not build the package"; }
    deb=$scratch/out/brelunda_${3}-1_$(dpkg --print-architecture).deb
}

# scratch_dir: a private temporary directory, removed when the script ends, so checks can run in
# parallel with each other and with themselves.
scratch_dir() {
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/brelunda-packaging.XXXXXX")
    trap 'rm -rf "$scratch"' EXIT
}
