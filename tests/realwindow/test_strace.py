"""The program under strace through start, every command, the About window and quit: it writes
nothing to disk and talks to nothing but the display and the D-Bus session."""

import os
import re
import tempfile
import time
import unittest

from harness import PROGRAM, Program, key, main, wait_for

WRITING = re.compile(r'O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND')
CALL = re.compile(r'^\d+\s+(?P<name>\w+)\((?P<args>.*)\)\s+=\s+(?P<result>-?\d+)')
CHANGING = {'creat', 'mkdir', 'mkdirat', 'rename', 'renameat', 'renameat2', 'unlink', 'unlinkat', 'link',
            'linkat', 'symlink', 'symlinkat', 'truncate', 'rmdir'}


def allowed_sockets():
    paths = {'/tmp/.X11-unix/X' + os.environ['DISPLAY'].lstrip(':').split('.')[0]}
    for part in os.environ['DBUS_SESSION_BUS_ADDRESS'].split(';'):
        for pair in part.split(':', 1)[-1].split(','):
            name, _, value = pair.partition('=')
            if name in ('path', 'abstract'):
                paths.add(value)
    return paths


def faults(lines, sockets):
    for line in lines:
        call = CALL.match(line)
        if not call or int(call['result']) < 0:
            continue
        name, args = call['name'], call['args']
        if name in ('open', 'openat') and WRITING.search(args) or name in CHANGING:
            yield f'changed the file system: {line}'
        elif name == 'socket' and 'AF_UNIX' not in args:
            yield f'a socket other than a local one: {line}'
        elif name in ('connect', 'bind'):
            path = re.search(r'sun_path=@?"([^"]*)"', args)
            if not path or path[1] not in sockets:
                yield f'talked to something other than the display and D-Bus: {line}'


class NoDiskNoNetwork(unittest.TestCase):

    def test_writesNothingAndTalksOnlyToTheDisplay(self):
        with tempfile.TemporaryDirectory() as scratch:
            trace = os.path.join(scratch, 'trace')
            home = os.path.join(scratch, 'home')
            os.mkdir(home)
            # LeakSanitizer cannot run under ptrace; the suite checks leaks elsewhere.
            environment = {'HOME': home, 'ASAN_OPTIONS': os.environ.get('ASAN_OPTIONS', '') + ':detect_leaks=0'}
            command = ['strace', '-f', '-qq', '-s', '256', '-o', trace,
                       '-e', 'trace=' + ','.join(sorted(CHANGING | {'open', 'openat', 'socket', 'connect', 'bind'})),
                       PROGRAM]
            with Program(None, environment=environment, command=command) as program:
                # The windows belong to the traced program, strace's child.
                children = f'/proc/{program.pid}/task/{program.pid}/children'
                program.pid = int(wait_for(lambda: open(children).read().split())[0])
                program.window('Brelunda').activate()
                for keys in ('alt+p', 'alt+n', 'alt+n', 'alt+h', 'alt+u'):
                    key(keys)
                    time.sleep(0.3)
                key('s')
                program.window('Mensagens').activate()
                key('Escape', 'Return', 'alt+F4')
                time.sleep(0.5)
                program.window('Brelunda').activate()
                key('alt+a')
                time.sleep(0.3)
                key('s')
                self.assertEqual(program.wait(), 0)
            with open(trace, errors='replace') as lines:
                lines = lines.read().splitlines()
        # The check must see the program's calls, or finding nothing proves nothing.
        self.assertTrue(any('openat(' in line for line in lines) and any(' connect(' in line for line in lines))
        self.assertEqual(list(faults(lines, allowed_sockets())), [])


if __name__ == '__main__':
    main()
