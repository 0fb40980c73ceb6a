"""Under a tiling window manager (BRELUNDA_WM=i3), which never grants a window the size it asks
for: the window shows its reading in the tile it is given, asks for its size a few times, then
rests instead of asking again and again."""

import os
import time
import unittest

from harness import MainWindow, layouts, main


def requests(window):
    with open(os.environ['BRELUNDA_WM_LOG'], errors='replace') as log:
        return sum(f'window {int(window.id):#010x} wants to be at' in line for line in log)


def cpu_seconds(pid):
    with open(f'/proc/{pid}/stat') as stat:
        fields = stat.read().rsplit(')', 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf('SC_CLK_TCK')


class TilingWindowManager(unittest.TestCase):

    def test_showsTheReadingThenRests(self):
        with MainWindow(15, framed=False) as program:
            self.assertEqual(program.reading_faults(layouts(15)[15]), [])
            time.sleep(1)
            asked, used = requests(program.main), cpu_seconds(program.process.pid)
            time.sleep(3)
            self.assertLessEqual(asked, 6)
            self.assertEqual(requests(program.main), asked)
            self.assertLess(cpu_seconds(program.process.pid) - used, 0.1)


if __name__ == '__main__':
    main()
