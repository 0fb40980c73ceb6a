"""What the Python tests that start the built program share: a D-Bus session of their own and the
program's clock on a chosen day."""

import os
import shutil
import subprocess
import sys
import tempfile

PRIVATE_SESSION = '--in-private-session'

FAKETIME_LIBRARIES = (
    # The multi-threaded build: with the plain one a Qt event loop now and then stalls.
    '/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1',
    '/usr/lib/aarch64-linux-gnu/faketime/libfaketimeMT.so.1',
    '/usr/lib/faketime/libfaketimeMT.so.1',
)


def run_in_private_session():
    """Runs the calling script again in a D-Bus session and runtime directory of its own.

    Without XDG_RUNTIME_DIR the accessibility bus of every session listens on one path in the
    home directory, and concurrent sessions take it from each other; D-Bus services started for
    the test take their environment from the session bus, so the session must be new too.
    """
    runtime = tempfile.mkdtemp(prefix='brelunda-session-')
    try:
        environment = dict(os.environ, XDG_RUNTIME_DIR=runtime)
        command = ['dbus-run-session', '--', sys.executable, sys.argv[0], PRIVATE_SESSION] + sys.argv[1:]
        return subprocess.run(command, env=environment).returncode
    finally:
        shutil.rmtree(runtime, ignore_errors=True)


def ensure_private_session():
    """Call first thing: outside its own session the script starts over inside one."""
    if PRIVATE_SESSION not in sys.argv:
        sys.exit(run_in_private_session())


def arguments():
    return [argument for argument in sys.argv if argument != PRIVATE_SESSION]


def clock_on(day):
    """The environment that starts the program with its clock at 10:00 on that day of Dec 2026."""
    library = next((path for path in FAKETIME_LIBRARIES if os.path.exists(path)), None)
    if library is None:
        raise AssertionError('libfaketime is not installed (Debian package faketime)')
    return {
        'LD_PRELOAD': library,
        'FAKETIME': f'@2026-12-{day:02d} 10:00:00',
        'FAKETIME_DONT_FAKE_MONOTONIC': '1',
        # Real file times: faked ones make fontconfig rewrite its caches.
        'NO_FAKE_STAT': '1',
    }
