"""What a screen reader makes of the program, in a D-Bus session of the test's own: what a blind
user hears (Orca's speech; for Brelunda.exe, what it tells a Windows screen reader, recorded
through MSAA by a probe under Wine); and over AT-SPI, as Orca reads it, the access keys tried
with a screen reader's key listener present and the About window as a modal dialog with its
credits and rules."""

import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from harness import BUILD, MainWindow, credits, in_session_of_its_own, key, main, readings, wait_for

if BUILD == 'linux':
    in_session_of_its_own()
    import gi

    gi.require_version('Atspi', '2.0')
    from gi.repository import GLib
    import pyatspi

# A screen reader's key listener, as slow to answer as one that speaks: synchronous, so Qt holds
# each key back until it has answered. It says which keys it heard.
KEY_LISTENER = """
import time, pyatspi
def heard(event):
    time.sleep(0.02)
    print(event.type == pyatspi.KEY_RELEASED_EVENT and 'release' or 'press', event.event_string, flush=True)
    return False
pyatspi.Registry.registerKeystrokeListener(heard, mask=list(range(256)), synchronous=True)
print('listening', flush=True)
pyatspi.Registry.start()
"""

# Orca with no speech server writes each utterance it would speak to its debug log: SPEECH OUTPUT:
# and the text in quotes, lines after the first indented as far as the text starts.
ORCA_SETTINGS = """
import orca.debug, orca.settings
orca.settings.speechServerFactory = None
orca.settings.speechFactoryModules = []
orca.settings.enableBraille = False
if orca.debug.debugFile:
    orca.debug.debugFile.reconfigure(line_buffering=True)
"""


def utterances(log):
    """What Orca said, from its log."""
    lines = log.splitlines()
    said, current = [], None
    for line in lines:
        if current is None:
            _, found, first = line.partition("SPEECH OUTPUT: '")
            current = [first] if found else None
        else:
            current.append(line[18:])
        if current and re.search(r"'\s*(\{.*\})?$", current[-1]):
            said.append(re.sub(r"'\s*(\{.*\})?$", '', '\n'.join(current)))
            current = None
    return said


def pump():
    """Lets events arrive: libatspi hands them over from GLib's default main context."""
    while GLib.MainContext.default().iteration(False):
        pass


def fresh(accessible):
    accessible.clearCache()
    return accessible


def find(root, role, name=None):
    return [a for a in pyatspi.findAllDescendants(fresh(root), lambda a: a.getRole() == role)
            if name is None or a.name == name]


@unittest.skipUnless(BUILD == 'linux', 'read over AT-SPI')
class ScreenReader(unittest.TestCase):

    def setUp(self):
        self.program = MainWindow(15, environment={'QT_LINUX_ACCESSIBILITY_ALWAYS_ON': '1'})
        self.addCleanup(self.program.close)

        def application():
            desktop = fresh(pyatspi.Registry.getDesktop(0))
            for app in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
                if app is not None and app.get_process_id() == self.program.process.pid and app.childCount:
                    frames = find(app, pyatspi.ROLE_FRAME, 'Brelunda')
                    return frames and (app, frames[0])
            return None
        self.app, self.frame = wait_for(application, 10) or self.fail('not on the accessibility bus')
        # A screen reader listens to the program's events as well as its keys, and without that Qt
        # hands no keys to a key listener (measured): a listener for the focus, as Orca has one.
        listened = 'object:state-changed:focused'
        pyatspi.Registry.registerEventListener(self.ignore, listened)
        self.addCleanup(pyatspi.Registry.deregisterEventListener, self.ignore, listened)

    def ignore(self, event):
        pass

    def read(self):
        """The window's texts in their order, a line feed between two, as one reading."""
        return '\n'.join(fresh(label).name for label in find(self.frame, pyatspi.ROLE_LABEL))

    def test_accessKeyLeavesTheBarAlone_withAKeyListener(self):
        # Unbuffered, so that a line not yet read is still waiting in the pipe for select().
        listener = subprocess.Popen([sys.executable, '-c', KEY_LISTENER], stdout=subprocess.PIPE, bufsize=0)
        self.addCleanup(lambda: listener.kill() or listener.communicate())
        self.assertEqual(listener.stdout.readline().split(), [b'listening'])
        days = readings()
        for step, day in (('alt+p', 16), ('alt+n', 15)):
            key(step)
            self.assertTrue(wait_for(lambda: self.read() == '\n'.join(days[day]), 3), self.read())
            # Qt hands the keys on once the listener has let them through, the letter's release last.
            self.assertTrue(wait_for(lambda: select.select([listener.stdout], [], [], 0)[0] and
                                     listener.stdout.readline().split() == [b'release', step[-1].encode()], 3))
            time.sleep(0.1)
            # In the bar's keyboard mode Down would open "Arquivo", and Enter choose "&Sair".
            key('Down', 'Return')
            self.assertFalse(wait_for(lambda: self.program.process.poll() is not None, 1.5), 'the program ended')

    def test_aboutIsAModalDialogWithItsCredits(self):
        # Opened by keys: through its accessible action the reply would wait for the About's own loop.
        self.program.open_about()
        dialog = wait_for(lambda: pump() or find(self.app, pyatspi.ROLE_DIALOG, 'Mensagens'), 5)
        self.assertTrue(dialog, 'no dialog appeared')
        self.assertTrue(fresh(dialog[0]).getState().contains(pyatspi.STATE_MODAL))
        # Every credit, short ones too, in the order they are laid out, as one text.
        self.assertEqual([label.name for label in find(dialog[0], pyatspi.ROLE_LABEL)], ['\n'.join(credits())])
        self.assertEqual(len(find(dialog[0], pyatspi.ROLE_SEPARATOR)), 2)

class Heard(unittest.TestCase):
    """What a blind user hears: the day's reading at start and after each step, every text of the
    About window as it opens, and neither a command's name nor the menu left open. On Linux what
    Orca says; under Wine, where no screen reader runs, what the program tells one, recorded by
    the probe: each window made and each object given the focus, with its name."""

    def setUp(self):
        work = tempfile.mkdtemp(prefix='brelunda-heard-')
        self.addCleanup(shutil.rmtree, work, ignore_errors=True)
        self.log = os.path.join(work, 'heard.log')
        if BUILD == 'linux':
            self.orca(work)
        else:
            with open(self.log, 'w') as log:
                probe = subprocess.Popen(['wine', os.environ['BRELUNDA_MSAA_PROBE']], stdout=log)
            self.addCleanup(lambda: probe.kill() or probe.wait())
            self.assertTrue(wait_for(lambda: self.logged().startswith('listening'), 30, 0.1), 'the probe did not start')
        # Qt turns its side on by itself once it learns a screen reader is there, as for a user.
        self.program = MainWindow(15)
        self.addCleanup(self.program.close)

    def orca(self, work):
        with open(os.path.join(work, 'orca-customizations.py'), 'w') as settings:
            settings.write(ORCA_SETTINGS)
        # Orca ends every other Orca of the user: in a process namespace of its own where one
        # can be made, it ends only its own. (A chroot's run has a namespace already.)
        alone = ['unshare', '--pid', '--fork', '--mount-proc', '--kill-child']
        if subprocess.run([*alone, 'true'], stderr=subprocess.DEVNULL).returncode != 0:
            alone = []
        orca = subprocess.Popen([*alone, 'orca', *(['--replace'] if alone else []), '-u', work, '--debug-file', self.log],
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.addCleanup(lambda: orca.kill() or orca.communicate())
        listening = r'Starting (ATSPI registry|Atspi main event loop)'
        self.assertTrue(wait_for(lambda: orca.poll() is None and re.search(listening, self.logged()), 30, 0.1),
                        f'Orca did not start: {orca.poll() is not None and orca.communicate()[1]}')

    def logged(self, start=0):
        if not os.path.exists(self.log):
            return ''
        with open(self.log, 'rb') as log:
            log.seek(start)
            return log.read().decode(errors='replace')

    def said(self, start=0):
        if BUILD == 'linux':
            return utterances(self.logged(start))
        return [line.split('\t', 1)[1].replace('\\n', '\n') for line in self.logged(start).splitlines() if '\t' in line]

    def heard(self, start, *texts):
        """Waits until each text has been said, in that order, from the log's offset on."""
        def all_in_order():
            joined, at = '\n'.join(self.said(start)), 0
            for text in texts:
                at = joined.find(text, at)
                if at < 0:
                    return False
            return True
        if not wait_for(all_in_order, 10, 0.1):
            self.fail(f'not heard {texts} in {self.said(start)}')

    def test_readingIsHeardAtStartAfterEachStepAndInAbout(self):
        days = readings()
        # The window's name, then the day, its title, verse and citation, and its commentary.
        self.heard(0, 'Brelunda', *days[15])
        for step, day in (('alt+p', 16), ('alt+n', 15), ('alt+h', 15)):
            mark = os.path.getsize(self.log)
            key(step)
            self.heard(mark, days[day][1], days[day][2])
        mark = os.path.getsize(self.log)
        self.program.open_about()
        self.heard(mark, 'Mensagens', *credits())
        # Neither the bar left in keyboard mode nor a command's name instead of the day.
        self.assertFalse([said for said in self.said() if said.startswith(('Arquivo', 'Anterior', 'Próximo', 'Hoje'))])


if __name__ == '__main__':
    main()
