"""A Wayland desktop with Qt's Wayland plugin installed and an X server beside it (XWayland): the
program goes to the X server, where the desktop frames it as an X11 window manager does, and
shows the day's reading at its fixed outer size, centred, pixel for pixel as in the suite's X
server. The desktop is GNOME's compositor (mutter), started headless for the test."""

import contextlib
import glob
import os
import re
import signal
import subprocess
import tempfile
import unittest
from unittest import mock

from harness import LABELS, MAIN_OUTER, Program, differing, fail, main, picture, pixels, reference, wait_for

# How much of the client area, below the menu bar, the labels take up: width and height.
READING = (max(x + width for x, _, width, _ in LABELS.values()), max(y + height for _, y, _, height in LABELS.values()))


@contextlib.contextmanager
def gnome_desktop():
    """mutter with its X server, in a runtime folder of its own; the programs the test starts
    meanwhile are in its session."""
    with tempfile.TemporaryDirectory(prefix='brelunda-wayland-') as folder, mock.patch.dict(os.environ):
        for name in ('DISPLAY', 'XAUTHORITY', 'WAYLAND_DISPLAY', 'XDG_SESSION_TYPE', 'XDG_CURRENT_DESKTOP'):
            os.environ.pop(name, None)
        os.environ['XDG_RUNTIME_DIR'] = folder
        log = os.path.join(folder, 'log')
        with open(log, 'w') as output:
            compositor = subprocess.Popen(['mutter', '--wayland', '--headless', '--virtual-monitor', '1024x768',
                                           '--wayland-display=brelunda'], stdout=output, stderr=subprocess.STDOUT,
                                          start_new_session=True)

        def ready():
            with open(log) as output:
                display = re.search(r'X11 display (:\d+)', output.read())
            auth = glob.glob(os.path.join(folder, '.mutter-Xwaylandauth.*'))
            return display and auth and {'DISPLAY': display[1], 'XAUTHORITY': auth[0], 'WAYLAND_DISPLAY': 'brelunda',
                                         'XDG_SESSION_TYPE': 'wayland', 'XDG_CURRENT_DESKTOP': 'GNOME'}
        try:
            os.environ.update(wait_for(ready, 15, 0.05) or fail('the compositor did not start'))
            yield
        finally:
            # Told alone first, it takes its X server's files in /tmp away with it; then whatever
            # it started that is left in its process group.
            compositor.terminate()
            compositor.wait(10)
            with contextlib.suppress(ProcessLookupError):
                os.killpg(compositor.pid, signal.SIGKILL)


class WaylandDesktop(unittest.TestCase):

    def test_goesToTheDesktopsXServer(self):
        expected = reference(15)
        with gnome_desktop(), Program(15) as program:
            # Found by xdotool on the desktop's X server: an X11 window, framed by the desktop.
            window = program.window('Brelunda')
            self.assertEqual(window.settled()[2:], MAIN_OUTER)
            # Placed again once the desktop's frame has arrived, which mutter draws in a process of its own.
            self.assertTrue(wait_for(window.centred), window.outer())
            # Taken from the X server (under XWayland its root holds no picture of the screen), the
            # client area starts below the menu bar, where the picture's corner is: it is free of text.
            shown, corner = pixels('import', '-window', window.id), picture()[:40, :100]
            top = next((y for y in range(80) if differing(shown[y:y + 40, :100], corner, 2) == 0), None)
            self.assertIsNotNone(top, "no picture at the client area's corner")
            # Every label is in sight and shows what it shows on an X11 desktop: the frame is
            # another, so the client area may be another size.
            self.assertEqual(differing(shown[top:top + READING[1], :READING[0]], expected[:READING[1], :READING[0]]), 0)


if __name__ == '__main__':
    main()
