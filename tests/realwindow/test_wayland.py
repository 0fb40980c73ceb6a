"""A Wayland desktop with Qt's Wayland plugin installed: the program goes to the desktop's X server
(XWayland) where there is one, and to Wayland where there is none, and shows the day's reading
whole at its fixed outer size either way. Each case starts a headless compositor of its own:
GNOME's (mutter), which frames the windows of its X server as an X11 window manager does; and
weston with no X server, where the frame is the program's own drawing. What the window shows is
held against what the program shows on that day in the suite's X server."""

import contextlib
import glob
import os
import re
import signal
import subprocess
import tempfile
import unittest

import numpy

from harness import LABELS, MAIN_OUTER, Program, differing, fail, main, picture, reference, wait_for

SCREEN = (1024, 768)
# Weston's desktop, in a grey that no pixel of the window is.
DESKTOP = 0x80
# How much of the client area, below the menu bar, the labels take up.
READING = (max(x + width for x, _, width, _ in LABELS), max(y + height for _, y, _, height in LABELS))


@contextlib.contextmanager
def desktop(command, ready):
    """Runs a compositor, command(folder), in a runtime folder of its own. The programs the test
    starts meanwhile are in its session, with the environment ready(folder) gives once it is up."""
    saved = dict(os.environ)
    with tempfile.TemporaryDirectory(prefix='brelunda-wayland-') as folder:
        for name in ('DISPLAY', 'XAUTHORITY', 'WAYLAND_DISPLAY', 'XDG_SESSION_TYPE', 'XDG_CURRENT_DESKTOP'):
            os.environ.pop(name, None)
        os.environ['XDG_RUNTIME_DIR'] = folder
        with open(os.path.join(folder, 'log'), 'w') as log:
            compositor = subprocess.Popen(command(folder), stdout=log, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            os.environ.update(wait_for(lambda: ready(folder), 15, 0.05) or fail('the compositor did not start'))
            yield
        finally:
            # Told alone first, it takes its X server's files in /tmp away with it; then whatever
            # it started that is left in its process group.
            compositor.terminate()
            compositor.wait(10)
            with contextlib.suppress(ProcessLookupError):
                os.killpg(compositor.pid, signal.SIGKILL)
            os.environ.clear()
            os.environ.update(saved)


def mutter():
    """GNOME's compositor with the X server it offers, in a GNOME session's environment."""
    def ready(folder):
        with open(os.path.join(folder, 'log')) as log:
            display = re.search(r'X11 display (:\d+)', log.read())
        auth = glob.glob(os.path.join(folder, '.mutter-Xwaylandauth.*'))
        return display and auth and {'DISPLAY': display[1], 'XAUTHORITY': auth[0], 'WAYLAND_DISPLAY': 'brelunda',
                                     'XDG_SESSION_TYPE': 'wayland', 'XDG_CURRENT_DESKTOP': 'GNOME'}
    return desktop(lambda _: ['mutter', '--wayland', '--headless', '--virtual-monitor', '%dx%d' % SCREEN,
                              '--wayland-display=brelunda'], ready)


def weston():
    """Weston with no X server, its desktop all grey; its debug protocol lets a client take screenshots."""
    def command(folder):
        with open(os.path.join(folder, 'weston.ini'), 'w') as config:
            config.write('[shell]\nbackground-color=0xff%02x%02x%02x\npanel-position=none\n' % ((DESKTOP,) * 3))
        return ['weston', '--backend=headless-backend.so', '--use-pixman', '--debug', '--socket=brelunda',
                '--width=%d' % SCREEN[0], '--height=%d' % SCREEN[1], f'--config={folder}/weston.ini']

    def ready(_):
        # Up once its desktop is drawn.
        os.environ['WAYLAND_DISPLAY'] = 'brelunda'
        shot = screenshot()
        return shot is not None and bool((shot == DESKTOP).all()) and {'WAYLAND_DISPLAY': 'brelunda'}
    return desktop(command, ready)


def screenshot():
    """Weston's whole screen, as the harness's screenshots are; None until it can take one."""
    with tempfile.TemporaryDirectory() as folder:
        taken = subprocess.run(['weston-screenshooter'], cwd=folder, capture_output=True, timeout=20)
        shots = glob.glob(os.path.join(folder, '*.png'))
        if taken.returncode or not shots:
            return None
        raw = subprocess.run(['convert', shots[0], '-depth', '8', 'rgb:-'], capture_output=True, check=True).stdout
    return numpy.frombuffer(raw, numpy.uint8).reshape(SCREEN[1], SCREEN[0], 3).astype(numpy.int16)


def x11_image(window):
    """What an X window shows, taken from the X server: under XWayland its root holds no picture of the screen."""
    _, _, width, height = window.client()
    raw = subprocess.run(['import', '-window', window.id, '-depth', '8', 'rgb:-'], capture_output=True,
                         check=True, timeout=20).stdout
    return numpy.frombuffer(raw, numpy.uint8).reshape(height, width, 3).astype(numpy.int16)


def client_area(shot, left, top, right, bottom):
    """The client area below the menu bar, in a window with that outer rectangle: found by the
    picture's corner, which is free of text. The frame is taken to be as wide all round as at its left."""
    corner = picture()[:40, :100]
    for y in range(top, min(top + 80, bottom - corner.shape[0])):
        for x in range(left, min(left + 8, right - corner.shape[1])):
            if differing(shot[y:y + corner.shape[0], x:x + corner.shape[1]], corner, 2) == 0:
                return shot[y:bottom - (x - left), x:right - (x - left)]
    return None


def window_on_screen():
    """Weston's screen once a window has held still on it, with the window's outer rectangle."""
    seen = []

    def still():
        shot = screenshot()
        rows, columns = numpy.nonzero((shot != DESKTOP).any(axis=2)) if shot is not None else ((), ())
        seen.append(len(rows) and (int(columns.min()), int(rows.min()), int(columns.max()) + 1, int(rows.max()) + 1))
        return seen[-1] and seen[-3:] == [seen[-1]] * 3 and (shot, seen[-1])
    return wait_for(still, 15)


class WaylandDesktop(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.expected = reference(15)

    def assertShowsTheReading(self, shown):
        self.assertIsNotNone(shown, "no picture at the client area's corner")
        # Every label is in sight and shows what it shows on an X11 desktop.
        self.assertGreaterEqual(shown.shape[:2][::-1], READING)
        height, width = min(shown.shape[0], self.expected.shape[0]), min(shown.shape[1], self.expected.shape[1])
        self.assertEqual(differing(shown[:height, :width], self.expected[:height, :width]), 0)

    def test_goesToTheDesktopsXServerWhereThereIsOne(self):
        with mutter(), Program(15) as program:
            # Found by xdotool on the desktop's X server: an X11 window, framed by the desktop.
            window = program.window('Brelunda')
            self.assertEqual(window.settled()[2:], MAIN_OUTER)
            # Placed again once the desktop's frame has arrived, which mutter draws in a process of its own.
            self.assertTrue(wait_for(window.centred), window.outer())
            self.assertShowsTheReading(client_area(x11_image(window), 0, 0, *window.client()[2:]))

    def test_showsItselfOnWaylandWhereThereIsNoXServer(self):
        with weston(), Program(15):
            shot, (left, top, right, bottom) = window_on_screen() or self.fail('no window held still on the screen')
            self.assertEqual((right - left, bottom - top), MAIN_OUTER)
            self.assertShowsTheReading(client_area(shot, left, top, right, bottom))


if __name__ == '__main__':
    main()
