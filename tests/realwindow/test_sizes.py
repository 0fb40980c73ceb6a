"""Resizing, minimising and maximising: each window goes back to its fixed outer size in the normal
state, and a maximised one keeps the window manager's size until it is restored."""

import time
import unittest

from harness import ABOUT_OUTER, MAIN_OUTER, MainWindow, click, main, run, screen_size, wait_for


def click_maximise(window):
    """The middle of the three buttons at the right of the window manager's title bar."""
    x, y, width, _ = window.decorated()
    click(x + width - 26, y + 10)


class FixedSizes(unittest.TestCase):

    def test_bothWindowsGoBackToTheirSize(self):
        for about in (False, True):
            with self.subTest(about=about), MainWindow(15) as program:
                window, fixed = (program.open_about(), ABOUT_OUTER) if about else (program.main, MAIN_OUTER)
                self.assertEqual(window.size(), fixed)

                # A client asking for another size: the window manager gives it, the window goes back.
                run('xdotool', 'windowsize', window.id, '250', '200')
                self.assertTrue(wait_for(lambda: window.size() != fixed, 2))
                self.assertTrue(wait_for(lambda: window.size() == fixed))
                self.assertTrue(window.keeps(fixed))

                # The user dragging the frame's corner: the window manager holds the new size while
                # the button is down, and the window goes back once it is let go.
                x, y, width, height = window.decorated()
                run('xdotool', 'mousemove', str(x + width - 2), str(y + height - 2), 'sleep', '0.1', 'mousedown', '1')
                for step in range(1, 7):
                    run('xdotool', 'mousemove', str(x + width - 2 - 20 * step), str(y + height - 2 - 15 * step))
                resized = wait_for(lambda: window.size() != fixed, 2)
                # Held still a while before letting go, as a hand does: what the program asks for
                # meanwhile is turned down.
                time.sleep(0.8)
                run('xdotool', 'mouseup', '1')
                self.assertTrue(resized)
                # The window manager's last word on the drag may cross the program's answer once,
                # taking the window back to the dragged size for a moment before it goes back again.
                self.assertTrue(wait_for(lambda: window.size() == fixed and window.keeps(fixed), 3))

                # Minimised and restored: the same place and size.
                placed = window.outer()
                run('xdotool', 'windowminimize', window.id)
                self.assertTrue(wait_for(lambda: 'HIDDEN' in window.state()))
                run('xdotool', 'windowactivate', window.id)
                self.assertTrue(wait_for(lambda: 'HIDDEN' not in window.state()))
                self.assertTrue(window.keeps(fixed))
                self.assertEqual(window.outer(), placed)

                # Maximised with the title bar's middle button: the window manager's size stands;
                # restored with it, the fixed size and place come back.
                click_maximise(window)
                self.assertTrue(wait_for(lambda: window.decorated()[2] == screen_size()[0]))
                maximised = window.size()
                self.assertGreater(maximised[1], fixed[1])
                self.assertTrue(window.keeps(maximised))
                click_maximise(window)
                self.assertTrue(wait_for(lambda: window.outer() == placed))
                self.assertTrue(window.keeps(fixed))


if __name__ == '__main__':
    main()
