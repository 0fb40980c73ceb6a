"""Under frames taller than the layout's: openbox's title bar 37 px high for the Qt build
(BRELUNDA_WM_TITLE_POINTS), the caption of the Wine that runs Brelunda.exe (Wine 10's is 7 px
taller than Wine 8's). The window keeps its outer size, so its client area is shorter; the
commentary's last line is still whole on the day it reaches lowest."""

import unittest

from harness import BUILD, MAIN_OUTER, MainWindow, layouts, main


class TallerFrames(unittest.TestCase):

    def test_lowestCommentaryStaysWhole(self):
        every_day = layouts(*range(1, 32))
        day = max(every_day, key=lambda day: every_day[day]['L4'][1][-1][1])
        with MainWindow(day) as program:
            if BUILD == 'linux':
                # As tall as the layout's caption at 192 dpi.
                self.assertGreaterEqual(program.main.extents()[1], 37)
            self.assertEqual(program.main.size(), MAIN_OUTER)
            self.assertEqual(program.reading_faults(every_day[day]), [], f'day {day}')


if __name__ == '__main__':
    main()
