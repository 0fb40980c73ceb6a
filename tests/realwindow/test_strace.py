"""The program under strace through start, every command, the About window and quit: it writes
nothing to disk and talks to nothing but the display and the D-Bus session."""

import os
import re
import tempfile
import time
import unittest

from harness import PROGRAM, Program, choose, key, main, wait_for

CALL = re.compile(r'^\d+\s+(?P<name>\w+)\((?P<args>.*)\)\s+=\s+(?P<result>-?\d+)')
CHANGING = {'creat', 'mkdir', 'mkdirat', 'rename', 'renameat', 'renameat2', 'unlink', 'unlinkat', 'link',
            'linkat', 'symlink', 'symlinkat', 'truncate', 'rmdir'}


def faults(lines):
    display = '/tmp/.X11-unix/X' + os.environ['DISPLAY'].lstrip(':').split('.')[0]
    bus = re.findall(r'(?:path|abstract)=([^,;]+)', os.environ['DBUS_SESSION_BUS_ADDRESS'])
    for call in filter(None, map(CALL.match, lines)):
        name, args = call['name'], call['args']
        path = re.search(r'sun_path=@?"([^"]*)"', args)
        if int(call['result']) >= 0 and (
                name in CHANGING or name in ('open', 'openat') and re.search(r'O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|O_APPEND', args)
                or name == 'socket' and 'AF_UNIX' not in args
                or name in ('connect', 'bind') and (not path or path[1] not in [display, *bus])):
            yield call[0]


class NoDiskNoNetwork(unittest.TestCase):

    def test_writesNothingAndTalksOnlyToTheDisplay(self):
        with tempfile.TemporaryDirectory() as scratch:
            trace = os.path.join(scratch, 'trace')
            # LeakSanitizer cannot run under ptrace; the suite checks leaks elsewhere.
            environment = {'HOME': scratch, 'ASAN_OPTIONS': os.environ.get('ASAN_OPTIONS', '') + ':detect_leaks=0'}
            command = ['strace', '-f', '-qq', '-s', '256', '-o', trace, '-e',
                       'trace=' + ','.join(CHANGING | {'open', 'openat', 'socket', 'connect', 'bind'}), PROGRAM]
            with Program(None, environment=environment, command=command) as program:
                # The windows belong to the traced program, strace's child.
                children = f'/proc/{program.pid}/task/{program.pid}/children'
                program.pid = int(wait_for(lambda: open(children).read().split())[0])
                program.window('Brelunda').activate()
                choose('alt+p', 'alt+n', 'alt+n', 'alt+h', 'alt+u', 's')
                program.window('Mensagens').activate()
                key('Escape', 'Return', 'alt+F4')
                time.sleep(0.5)
                program.window('Brelunda').activate()
                choose('alt+a', 's')
                self.assertEqual(program.wait(), 0)
            with open(trace, errors='replace') as lines:
                lines = lines.read().splitlines()
        # The check must see the program's calls, or finding nothing proves nothing.
        self.assertTrue(any('openat(' in line for line in lines) and any(' connect(' in line for line in lines))
        self.assertEqual(list(faults(lines)), [])


if __name__ == '__main__':
    main()
