"""What a Windows screen reader finds in Brelunda.exe, read through MSAA by a probe under Wine:
the window named Brelunda, its four labels named by the texts they show, and a step's new texts."""

import os
import unittest

from harness import MainWindow, key, main, readings, run, wait_for

PROBE = os.environ.get('BRELUNDA_MSAA_PROBE', '')


def read(title):
    """The window's name, and its children's names in their order."""
    lines = run('wine', PROBE, title).splitlines()
    return lines[0], [line.split('\t', 1)[1].replace('\\n', '\n') for line in lines[1:]]


class ScreenReader(unittest.TestCase):

    def test_windowAndLabelsAreReadWithTheirTexts(self):
        days = readings()
        with MainWindow(15) as program:
            self.assertEqual(read('Brelunda'), ('Brelunda', days[15]))
            key('alt+p')
            self.assertTrue(wait_for(lambda: read('Brelunda')[1] == days[16], 3), read('Brelunda'))


if __name__ == '__main__':
    main()
