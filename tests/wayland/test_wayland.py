#!/usr/bin/python3
"""The built program running natively on Wayland, in a headless weston.

Usage: test_wayland.py BRELUNDA_BINARY BACKGROUND.jpg

Needs weston, qt6-wayland, ImageMagick (to read the screenshots), dbus and python3-pyatspi,
and runs in a D-Bus session of its own: the one step taken through the program's menu goes
through its accessible action, since a headless compositor has no keyboard to type on.

The compositor places windows where it likes, so nothing here depends on where the window is:
the picture is looked for, and the window measured, wherever it turns up.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import warnings


sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'pylib'))
import brelunda_session as session  # noqa: E402

if __name__ == '__main__':
    session.ensure_private_session()

import gi  # noqa: E402

gi.require_version('Atspi', '2.0')
import pyatspi  # noqa: E402


BINARY = PICTURE = None
# A plain desktop, so that whatever is not its colour is the window.
WESTON_INI = """\
[core]
idle-time=0
[shell]
background-color=0xff204060
background-image=
panel-position=none
locking=false
"""
OUTER_SIZE = (610, 468)
# L1..L4 in the client area's pixels, as laid out; the vignette is the text-free corner.
LABELS = [(120, 16, 441, 33), (120, 56, 441, 33), (120, 96, 441, 49), (56, 152, 505, 257)]
VIGNETTE = (0, 0, 118, 150)


def setUpModule():
    # pyatspi itself still calls libatspi's older names; set here, as unittest resets filters.
    warnings.filterwarnings('ignore', category=DeprecationWarning, module='pyatspi')


class Image:
    """An RGB picture read through ImageMagick, with pixel access."""

    def __init__(self, path):
        self.path = path
        data = subprocess.run(['convert', path, '-alpha', 'off', '-depth', '8', 'ppm:-'],
                              check=True, capture_output=True, timeout=20).stdout
        header = re.match(rb'P6\s+(\d+)\s+(\d+)\s+255\s', data)
        if header is None:
            raise ValueError(f'{path}: not read as 8-bit PPM')
        self.width, self.height = int(header[1]), int(header[2])
        self.pixels = data[header.end():header.end() + self.width * self.height * 3]

    def pixel(self, x, y):
        at = (y * self.width + x) * 3
        return self.pixels[at], self.pixels[at + 1], self.pixels[at + 2]


def distance(a, b):
    return abs(a[0] - b[0]) + abs(a[1] - b[1]) + abs(a[2] - b[2])


def matches(shot, picture, left, top, region, tolerance):
    x0, y0, width, height = region
    for y in range(y0, y0 + height, 2):
        for x in range(x0, x0 + width, 2):
            if distance(shot.pixel(left + x, top + y), picture.pixel(x, y)) > tolerance:
                return False
    return True


def find_picture(shot, picture):
    """Where the picture's top-left corner is on the screen, judged by its vignette."""
    probes = [(60, 75), (20, 20), (100, 140), (5, 140)]
    wanted = [picture.pixel(x, y) for x, y in probes]
    for top in range(shot.height - picture.height + 1):
        for left in range(shot.width - picture.width + 1):
            if all(distance(shot.pixel(left + x, top + y), colour) <= 24
                   for (x, y), colour in zip(probes, wanted)) and \
                    matches(shot, picture, left, top, VIGNETTE, 24):
                return left, top
    return None


def window_box(shot):
    """The bounding box of everything that is not the desktop's colour."""
    desktop = shot.pixel(0, shot.height - 1)
    rows = [y for y in range(shot.height)
            if shot.pixels[y * shot.width * 3:(y + 1) * shot.width * 3] != bytes(desktop) * shot.width]
    if not rows:
        return None
    columns = [x for x in range(shot.width)
               if any(shot.pixel(x, y) != desktop for y in range(rows[0], rows[-1] + 1, 3))]
    return columns[0], rows[0], columns[-1] - columns[0] + 1, rows[-1] - rows[0] + 1


def ink(shot, picture, origin):
    """Pixels of text per label, and text found outside every label."""
    left, top = origin
    per_label, stray, not_green = [0] * len(LABELS), 0, 0
    for y in range(picture.height):
        for x in range(picture.width):
            shown = shot.pixel(left + x, top + y)
            if distance(shown, picture.pixel(x, y)) < 60:
                continue
            inside = [i for i, (lx, ly, lw, lh) in enumerate(LABELS)
                      if lx <= x < lx + lw and ly <= y < ly + lh]
            if not inside:
                stray += 1
                continue
            per_label[inside[0]] += 1
            not_green += not (shown[1] >= shown[0] and shown[1] >= shown[2])
    return per_label, stray, not_green


def cpu_seconds(pid):
    with open(f'/proc/{pid}/stat') as stat:
        fields = stat.read().rsplit(')', 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')


class Weston:
    """A headless compositor in a private runtime directory."""

    def __init__(self, directory):
        self.directory = directory
        self.runtime = os.path.join(directory, 'runtime')
        os.mkdir(self.runtime, 0o700)
        config = os.path.join(directory, 'weston.ini')
        with open(config, 'w') as ini:
            ini.write(WESTON_INI)
        self.environment = {key: value for key, value in os.environ.items()
                            if key not in ('DISPLAY', 'WAYLAND_DISPLAY', 'QT_QPA_PLATFORM')}
        self.environment.update({'XDG_RUNTIME_DIR': self.runtime, 'WAYLAND_DISPLAY': 'brelunda-test'})
        self.log = open(os.path.join(directory, 'weston.log'), 'w')
        # --debug lets weston-screenshooter take pictures of the output. Should this script die
        # without cleaning up, the compositor goes with it, and the program with the compositor.
        self.process = subprocess.Popen(
            ['setpriv', '--pdeathsig', 'KILL', '--', 'weston', '--backend=headless-backend.so',
             '--use-pixman', '--debug', '--width=1024', '--height=768', f'--config={config}',
             '--socket=brelunda-test', '--idle-time=0'],
            env=self.environment, stdout=self.log, stderr=subprocess.STDOUT)
        socket = os.path.join(self.runtime, 'brelunda-test')
        end = time.monotonic() + 10
        while not os.path.exists(socket):
            if self.process.poll() is not None or time.monotonic() > end:
                self.close()
                raise AssertionError('weston did not start: ' + self.read_log())
            time.sleep(0.05)

    def read_log(self):
        with open(os.path.join(self.directory, 'weston.log')) as log:
            return log.read()[-2000:]

    def screenshot(self):
        shots = tempfile.mkdtemp(dir=self.directory)
        subprocess.run(['weston-screenshooter'], cwd=shots, env=self.environment, check=True,
                       timeout=10, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        names = [name for name in os.listdir(shots) if name.endswith('.png')]
        if len(names) != 1:
            raise AssertionError(f'weston-screenshooter wrote {names}')
        return Image(os.path.join(shots, names[0]))

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()


class TestWayland(unittest.TestCase):

    def setUp(self):
        self.directory = tempfile.mkdtemp(prefix='brelunda-wayland-')
        self.addCleanup(shutil.rmtree, self.directory, True)
        self.weston = Weston(self.directory)
        self.addCleanup(self.weston.close)
        self.picture = Image(PICTURE)

    def start(self, day):
        environment = dict(self.weston.environment)
        environment.update({
            'QT_QPA_PLATFORM': 'wayland',
            # Shared memory only: the EGL integration would load Mesa's software renderer.
            'QT_WAYLAND_CLIENT_BUFFER_INTEGRATION': 'none',
            'QT_LINUX_ACCESSIBILITY_ALWAYS_ON': '1',
        })
        environment.update(session.clock_on(day))
        self.errors = open(os.path.join(self.directory, 'program.log'), 'w')
        self.addCleanup(self.errors.close)
        program = subprocess.Popen([BINARY], env=environment, stdout=self.errors, stderr=subprocess.STDOUT)
        self.addCleanup(lambda: program.poll() is None and (program.kill(), program.wait()))
        return program

    def wait_for_window(self, program, timeout=10):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            self.assertIsNone(program.poll(), 'the program ended')
            shot = self.weston.screenshot()
            origin = find_picture(shot, self.picture)
            if origin is not None:
                return shot, origin
            time.sleep(0.3)
        kept = os.path.abspath('test_wayland-last-screen.png')
        shutil.copy(shot.path, kept)
        with open(os.path.join(self.directory, 'program.log')) as log:
            said = log.read()[-1000:]
        self.fail(f'the picture never appeared on the screen; something is at {window_box(shot)}, '
                  f'the program has used {cpu_seconds(program.pid):.2f} s of CPU time and said:\n{said}\n'
                  f'screen kept as {kept}')

    def test_showsTheReadingAndSettles(self):
        program = self.start(15)
        shot, origin = self.wait_for_window(program)
        per_label, stray, not_green = ink(shot, self.picture, origin)
        self.assertEqual(stray, 0)
        self.assertEqual(not_green, 0)
        for count in per_label:
            self.assertGreater(count, 20, per_label)

        # The fixed-size rule has settled: no work goes on in an idle window...
        before = cpu_seconds(program.pid)
        time.sleep(2)
        used = cpu_seconds(program.pid) - before
        self.assertLess(used, 0.2, f'{used:.2f} s of CPU time in 2 s while idle')
        self.assertIsNone(program.poll(), 'the program ended')
        # ...and the window keeps the outer size laid out.
        boxes = [window_box(shot), window_box(self.weston.screenshot())]
        self.assertEqual(boxes[0], boxes[1])
        self.assertEqual(boxes[0][2:], OUTER_SIZE)
        self.assertTrue(boxes[0][0] <= origin[0] and boxes[0][1] <= origin[1])

        # It still answers: a step to the next day shows another reading, still in the labels.
        step(program.pid, 'Próximo')
        end = time.monotonic() + 5
        while True:
            after = self.weston.screenshot()
            if find_picture(after, self.picture) == origin and \
                    not matches(after, shot, 0, 0, (origin[0] + 120, origin[1] + 16, 441, 33), 0):
                break
            self.assertLess(time.monotonic(), end, 'the day did not change')
            time.sleep(0.2)
        per_label, stray, not_green = ink(after, self.picture, origin)
        self.assertEqual((stray, not_green), (0, 0))
        self.assertEqual(window_box(after), boxes[0])


def step(pid, caption):
    """Triggers a command on the menu bar through its accessible action."""
    end = time.monotonic() + 5
    while time.monotonic() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        desktop.clearCache()
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is None or app.get_process_id() != pid:
                continue
            for item in pyatspi.findAllDescendants(app, lambda a: a.getRole() == pyatspi.ROLE_MENU_ITEM):
                if item.name == caption:
                    action = item.queryAction()
                    names = [action.getName(i) for i in range(action.nActions)]
                    action.doAction(names.index('Press'))
                    return
        time.sleep(0.1)
    raise AssertionError(f'no menu item {caption} on the accessibility bus')


if __name__ == '__main__':
    arguments = session.arguments()
    if len(arguments) < 3:
        sys.exit(__doc__)
    BINARY, PICTURE = arguments[1], arguments[2]
    for tool in ('weston', 'weston-screenshooter', 'convert'):
        if shutil.which(tool) is None:
            sys.exit(f'{tool} is not installed')
    unittest.main(argv=arguments[:1] + arguments[3:], verbosity=2)
