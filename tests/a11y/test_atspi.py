#!/usr/bin/python3
"""The built program as a screen reader sees it, over AT-SPI.

Usage: test_atspi.py BRELUNDA_BINARY CATALOGUE.toml

Needs an X display (tests/x11/with-display.sh), dbus, at-spi2-core and python3-pyatspi; it runs
in a D-Bus session of its own. Each case starts the program with its clock on a chosen day, reads
the accessible tree the way Orca would, and drives the menu through accessible actions only.
"""

import os
import subprocess
import sys
import time
import tomllib
import unittest
import warnings


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'pylib'))
import brelunda_session as session  # noqa: E402

if __name__ == '__main__':
    session.ensure_private_session()

import gi  # noqa: E402

gi.require_version('Atspi', '2.0')
from gi.repository import Gio, GLib  # noqa: E402
import pyatspi  # noqa: E402


BINARY = CATALOGUE = None
NAME_CHANGED = 'object:property-change:accessible-name'

# Caption, access key and the drop-down's items (None for a command on the bar), for the five
# titles on the menu bar.
MENU_BAR = [('Arquivo', 'Alt+A', ['Sair']), ('Anterior', 'Alt+N', None), ('Próximo', 'Alt+P', None),
            ('Hoje', 'Alt+H', None), ('Ajuda', 'Alt+U', ['Sobre'])]


def readings():
    with open(CATALOGUE, 'rb') as source:
        entries = tomllib.load(source)['entry']
    return {entry['day']: [entry['day_text'], entry['title'], '\n'.join(entry['verse']),
                           '\n'.join(entry['commentary'])] for entry in entries}


def pump(seconds=0.0):
    """Lets events arrive: libatspi hands them over from GLib's default main context."""
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while True:
        while context.iteration(False):
            pass
        if time.monotonic() >= end:
            return
        time.sleep(0.01)


def wait_for(condition, timeout=5.0):
    end = time.monotonic() + timeout
    while True:
        pump()
        value = condition()
        if value or time.monotonic() > end:
            return value
        time.sleep(0.03)


def fresh(accessible):
    """What the program says now rather than what libatspi remembered."""
    accessible.clearCache()
    return accessible


def has_state(accessible, state):
    return fresh(accessible).getState().contains(state)


def descendants(accessible, role):
    found = []
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is None:
            continue
        if child.getRole() == role:
            found.append(child)
        found.extend(descendants(child, role))
    return found


def child_of_role(accessible, role, name=None):
    for index in range(fresh(accessible).childCount):
        child = accessible.getChildAtIndex(index)
        if child is not None and child.getRole() == role and (name is None or child.name == name):
            return child
    return None


def press(item):
    action = item.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index('Press'))


def setUpModule():
    # pyatspi itself still calls libatspi's older names; set here, as unittest resets filters.
    warnings.filterwarnings('ignore', category=DeprecationWarning, module='pyatspi')


class Program:
    """The built program on a chosen day, with accessibility on from its start."""

    def __init__(self, day):
        environment = dict(os.environ)
        environment.update(session.clock_on(day))
        environment.update({
            'QT_LINUX_ACCESSIBILITY_ALWAYS_ON': '1',
        })
        environment.pop('QT_QPA_PLATFORM', None)
        self.process = subprocess.Popen([BINARY], env=environment, stdout=subprocess.DEVNULL)
        self.app = wait_for(lambda: self.process.poll() is not None or self._find_application(), 10)
        if self.app is None or self.process.poll() is not None:
            status = self.process.poll()
            self.close()
            raise AssertionError('the program did not appear on the accessibility bus' +
                                 ('' if status is None else f'; it ended with status {status}'))
        self.frame = wait_for(lambda: self._showing(child_of_role(self.app, pyatspi.ROLE_FRAME)), 10)
        if self.frame is None:
            self.close()
            raise AssertionError('no main window (frame) is exposed')

    def _find_application(self):
        desktop = fresh(pyatspi.Registry.getDesktop(0))
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            try:
                if app is not None and app.get_process_id() == self.process.pid and app.childCount:
                    return app
            except GLib.Error:
                pass
        return None

    @staticmethod
    def _showing(accessible):
        if accessible is not None and has_state(accessible, pyatspi.STATE_SHOWING):
            return accessible
        return None

    def labels(self):
        return descendants(fresh(self.frame), pyatspi.ROLE_LABEL)

    def texts(self):
        return [fresh(label).name for label in self.labels()]

    def menu_bar(self):
        return child_of_role(self.frame, pyatspi.ROLE_MENU_BAR)

    def item(self, caption):
        return child_of_role(self.menu_bar(), pyatspi.ROLE_MENU_ITEM, caption)

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait(5)


class TestAtspi(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.readings = readings()

    def setUp(self):
        self.events = []
        pyatspi.Registry.registerEventListener(self.nameChanged, NAME_CHANGED)

    def tearDown(self):
        pyatspi.Registry.deregisterEventListener(self.nameChanged, NAME_CHANGED)

    def nameChanged(self, event):
        # Qt's bridge sends the object itself rather than its new name with the event; a screen
        # reader then asks the object, and must be told the new text, not a remembered one.
        self.events.append((event.source, event.source.name))

    def start(self, day):
        program = Program(day)
        self.addCleanup(program.close)
        return program

    def assertShows(self, program, day):
        expected = self.readings[day]
        self.assertTrue(wait_for(lambda: program.texts() == expected, 3),
                        f'day {day}: {program.texts()!r}')

    def assertEnabled(self, program, expected):
        """Anterior, Próximo and Hoje, in that order."""
        def states():
            return [has_state(program.item(caption), pyatspi.STATE_ENABLED)
                    for caption in ('Anterior', 'Próximo', 'Hoje')]
        self.assertTrue(wait_for(lambda: states() == expected, 3), f'{states()} != {expected}')

    def test_treeExposesWindowLabelsAndMenu(self):
        program = self.start(15)
        self.assertEqual(program.frame.name, 'Brelunda')
        self.assertTrue(wait_for(lambda: has_state(program.frame, pyatspi.STATE_ACTIVE), 3))
        labels = program.labels()
        self.assertEqual(len(labels), 4)
        self.assertShows(program, 15)
        # The labels are where they are drawn, inside the window, in reading order.
        frame = program.frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        tops = []
        for label in labels:
            box = label.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            self.assertTrue(box.width > 0 and box.height > 0)
            self.assertTrue(frame.x <= box.x and box.x + box.width <= frame.x + frame.width)
            self.assertTrue(frame.y <= box.y and box.y + box.height <= frame.y + frame.height)
            tops.append(box.y)
        self.assertEqual(tops, sorted(tops))

        bar = program.menu_bar()
        self.assertIsNotNone(bar)
        items = [bar.getChildAtIndex(i) for i in range(bar.childCount)]
        self.assertEqual([item.name for item in items], [caption for caption, _, _ in MENU_BAR])
        for item, (caption, key, dropDown) in zip(items, MENU_BAR):
            with self.subTest(item=caption):
                action = item.queryAction()
                # Qt spells the letter as the caption does; the key is the same either way.
                self.assertEqual(action.getKeyBinding(0).upper(), key.upper())
                menu = child_of_role(item, pyatspi.ROLE_POPUP_MENU)
                if dropDown is None:
                    self.assertIsNone(menu)
                    continue
                self.assertEqual(menu.name, caption)
                commands = [menu.getChildAtIndex(i) for i in range(menu.childCount)]
                self.assertEqual([command.name for command in commands], dropDown)
                self.assertEqual(commands[0].queryAction().getKeyBinding(0).upper(), 'ALT+S')
                self.assertTrue(has_state(commands[0], pyatspi.STATE_ENABLED))

    def test_stepsAreAnnounced(self):
        program = self.start(15)
        self.assertEnabled(program, [True, True, False])
        labels = program.labels()
        pump(0.2)
        self.events.clear()

        press(program.item('Próximo'))
        self.assertShows(program, 16)
        self.assertEnabled(program, [True, True, True])
        # Each changed label says so, carrying its new text, as a screen reader hears it.
        changed = {index: new for index, (old, new) in enumerate(zip(self.readings[15], self.readings[16]))
                   if old != new}

        def announced():
            return {labels.index(source): name for source, name in self.events if source in labels}
        wait_for(lambda: announced() == changed, 3)
        self.assertEqual(announced(), changed)

        press(program.item('Hoje'))
        self.assertShows(program, 15)
        self.assertEnabled(program, [True, True, False])

    def test_boundsDisableTheirItem(self):
        # today, the items' enabled states, the blocked item, and the day the other step reaches
        table = [(31, [True, False, False], 'Próximo', 'Anterior', 30),
                 (1, [False, True, False], 'Anterior', 'Próximo', 2)]
        for today, enabled, blocked, other, otherDay in table:
            with self.subTest(today=today):
                program = self.start(today)
                self.assertShows(program, today)
                self.assertEnabled(program, enabled)
                # A disabled item does nothing even when a client asks for its action.
                try:
                    press(program.item(blocked))
                except GLib.Error:
                    pass
                pump(0.4)
                self.assertShows(program, today)
                press(program.item(other))
                self.assertShows(program, otherDay)
                self.assertEnabled(program, [True, True, True])
                program.close()

    def test_aboutWindowIsAModalDialog(self):
        program = self.start(15)
        ajuda = program.item('Ajuda')
        sobre = child_of_role(ajuda, pyatspi.ROLE_POPUP_MENU).getChildAtIndex(0)
        # The handler runs the About window's own loop, so the reply to the action comes only
        # once it is closed: ask without waiting for it.
        replies = []

        def replied(connection, result):
            try:
                connection.call_finish(result)
                replies.append('done')
            except GLib.Error as error:
                replies.append(error.message)

        bus = Gio.DBusConnection.new_for_address_sync(
            a11y_bus_address(),
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
            None, None)
        bus.call(sobre.app.bus_name, sobre.path, 'org.a11y.atspi.Action', 'DoAction',
                 GLib.Variant('(i)', (0,)), None, Gio.DBusCallFlags.NONE, 20000, None, replied)

        dialog = wait_for(lambda: Program._showing(child_of_role(program.app, pyatspi.ROLE_DIALOG)), 5)
        self.assertIsNotNone(dialog, 'no dialog appeared')
        self.assertEqual(dialog.name, 'Mensagens')
        self.assertTrue(has_state(dialog, pyatspi.STATE_MODAL))
        self.assertEqual(child_of_role(program.app, pyatspi.ROLE_FRAME).name, 'Brelunda')
        # Its texts are there to be read out; the two rules under the credits are not text.
        texts = [label.name for label in descendants(dialog, pyatspi.ROLE_LABEL)]
        self.assertEqual(len(texts), 7)
        self.assertTrue(all(text.strip() for text in texts), texts)
        self.assertEqual(len(descendants(dialog, pyatspi.ROLE_FILLER)), 1)
        self.assertEqual(len(descendants(dialog, pyatspi.ROLE_SEPARATOR)), 2)
        self.assertEqual(replies, [])

        self.assertTrue(wait_for(lambda: has_state(dialog, pyatspi.STATE_ACTIVE), 3))
        # The window manager closes the window that has its focus: make sure it is this one.
        found = subprocess.run(['xdotool', 'search', '--sync', '--pid', str(program.process.pid), '--name',
                                '^Mensagens$'], check=True, timeout=10, capture_output=True, text=True)
        window = found.stdout.split()[-1]
        subprocess.run(['xdotool', 'windowactivate', '--sync', window], check=True, timeout=10)
        subprocess.run(['xdotool', 'key', 'alt+F4'], check=True, timeout=10)
        self.assertTrue(wait_for(lambda: replies, 5), 'the About window did not close')
        self.assertEqual(replies, ['done'])
        self.assertIsNone(child_of_role(program.app, pyatspi.ROLE_DIALOG))
        # Back in the main window, the menu answers again.
        press(program.item('Próximo'))
        self.assertShows(program, 16)


def a11y_bus_address():
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    reply = session.call_sync('org.a11y.Bus', '/org/a11y/bus', 'org.a11y.Bus', 'GetAddress', None,
                              GLib.VariantType('(s)'), Gio.DBusCallFlags.NONE, 5000, None)
    return reply.unpack()[0]


if __name__ == '__main__':
    arguments = session.arguments()
    if len(arguments) < 3:
        sys.exit(__doc__)
    BINARY, CATALOGUE = arguments[1], arguments[2]
    if not os.environ.get('DISPLAY'):
        sys.exit('run under tests/x11/with-display.sh')
    unittest.main(argv=arguments[:1] + arguments[3:], verbosity=2)
