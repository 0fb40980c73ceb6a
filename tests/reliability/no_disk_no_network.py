#!/usr/bin/python3
"""Runs the program under strace through start, every command and quit, and checks that it writes
nothing to disk and talks to nothing but the display and the D-Bus session.

usage: no_disk_no_network.py PATH-TO-BRELUNDA   (needs DISPLAY and DBUS_SESSION_BUS_ADDRESS)
"""

import os
import re
import subprocess
import sys
import tempfile
import time

WRITING_FLAGS = re.compile(r'O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND')
CALL = re.compile(r'^(?P<pid>\d+)\s+(?P<name>\w+)\((?P<args>.*)\)\s+=\s+(?P<result>-?\d+|\?)')
CHANGING_CALLS = {'creat', 'mkdir', 'mkdirat', 'rename', 'renameat', 'renameat2', 'unlink',
                  'unlinkat', 'link', 'linkat', 'symlink', 'symlinkat', 'truncate', 'rmdir'}
TRACED = sorted(CHANGING_CALLS | {'open', 'openat', 'socket', 'connect', 'bind'})


def xdotool(*args):
    return subprocess.run(['xdotool', *args], check=True, capture_output=True, text=True).stdout


def wait_for_window(title, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = subprocess.run(['xdotool', 'search', '--onlyvisible', '--name', f'^{title}$'],
                               capture_output=True, text=True).stdout.split()
        if found:
            return found[-1]
        time.sleep(0.05)
    raise AssertionError(f'no window titled {title}')


def allowed_socket_paths():
    display = os.environ['DISPLAY'].lstrip(':').split('.')[0]
    paths = {f'/tmp/.X11-unix/X{display}'}
    for part in os.environ['DBUS_SESSION_BUS_ADDRESS'].split(';'):
        for key_value in part.split(':', 1)[-1].split(','):
            key, _, value = key_value.partition('=')
            if key in ('path', 'abstract'):
                paths.add(value)
    return paths


def drive(program, workdir):
    """Starts the program under strace and uses every command a user has; returns the trace."""
    trace = os.path.join(workdir, 'trace')
    env = dict(os.environ, HOME=os.path.join(workdir, 'home'),
               XDG_RUNTIME_DIR=os.path.join(workdir, 'runtime'))
    # LeakSanitizer cannot run under ptrace (a sanitized build); the suite checks leaks elsewhere.
    env['ASAN_OPTIONS'] = env.get('ASAN_OPTIONS', '') + ':detect_leaks=0'
    os.mkdir(env['HOME'])
    os.mkdir(env['XDG_RUNTIME_DIR'], 0o700)
    process = subprocess.Popen(['strace', '-f', '-qq', '-s', '256', '-o', trace,
                                '-e', 'trace=' + ','.join(TRACED), program], env=env)
    try:
        window = wait_for_window('Brelunda')
        xdotool('windowactivate', '--sync', window)
        for keys in ('alt+p', 'alt+n', 'alt+n', 'alt+h'):
            xdotool('key', keys)
            time.sleep(0.3)
        xdotool('key', 'alt+u')
        time.sleep(0.3)
        xdotool('key', 's')
        about = wait_for_window('Mensagens')
        xdotool('key', 'Escape', 'Return')
        time.sleep(0.3)
        xdotool('windowactivate', '--sync', about)
        xdotool('key', 'alt+F4')
        time.sleep(0.5)
        xdotool('windowactivate', '--sync', window)
        xdotool('key', 'alt+a')
        time.sleep(0.3)
        xdotool('key', 's')
        status = process.wait(timeout=10)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    assert status == 0, f'the program ended with status {status}'
    with open(trace, encoding='utf-8', errors='replace') as lines:
        return lines.read().splitlines()


def faults(trace, sockets):
    found = []
    for line in trace:
        call = CALL.match(line)
        if not call or call['result'] == '?' or int(call['result']) < 0:
            continue
        name, args = call['name'], call['args']
        if name in ('open', 'openat') and WRITING_FLAGS.search(args):
            found.append(f'opened for writing: {line}')
        elif name in CHANGING_CALLS:
            found.append(f'changed the file system: {line}')
        elif name == 'socket' and 'AF_UNIX' not in args:
            found.append(f'a socket other than a local one: {line}')
        elif name in ('connect', 'bind'):
            path = re.search(r'sun_path=@?"([^"]*)"', args)
            if not path or path.group(1) not in sockets:
                found.append(f'talked to something other than the display and D-Bus: {line}')
    return found


def main():
    with tempfile.TemporaryDirectory() as workdir:
        trace = drive(sys.argv[1], workdir)
        connects = sum(1 for line in trace if ' connect(' in line)
        found = faults(trace, allowed_socket_paths())
        # The check itself must see the program's calls, or finding nothing proves nothing.
        assert any('openat(' in line for line in trace), 'strace saw no file being opened'
        assert connects > 0, 'strace saw no connection at all'
        for fault in found:
            print(fault)
        print(f'{len(trace)} calls traced, {connects} connections; {len(found)} faults')
        print(f'no_disk_no_network: {1 if not found else 0} passed, {len(found) and 1} failed')
        return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
