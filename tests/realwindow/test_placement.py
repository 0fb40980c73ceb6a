"""Under a window manager that leaves a window where its program puts it (BRELUNDA_WM=jwm): both
windows open centred on the screen, which only the program can have done. openbox centres a
dialog its program left unplaced over its owner, and the main window is centred, so there an
About window the program never placed looks centred all the same."""

import unittest

from harness import ABOUT_OUTER, MAIN_OUTER, MainWindow, main


class PlacedByTheProgram(unittest.TestCase):

    def test_bothWindowsOpenCentred(self):
        with MainWindow(15) as program:
            self.assertEqual(program.main.size(), MAIN_OUTER)
            self.assertTrue(program.main.centred(), program.main.outer())
            about = program.open_about()
            self.assertEqual(about.size(), ABOUT_OUTER)
            self.assertTrue(about.centred(), about.outer())


if __name__ == '__main__':
    main()
