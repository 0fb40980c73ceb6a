"""Starting the program on a day: where its window opens, what it shows, and which day that is
when the clock sits at the edges of days, months and time zones."""

import datetime
import subprocess
import sys
import time
import zoneinfo

from harness import BUILD, MAIN_OUTER, MainWindow, Program, layouts, main, places_from_first_show, reference
import unittest

# Owns a name on the session bus until killed, as a desktop's menu panel does.
NAME_OWNER = """
import sys
from gi.repository import Gio, GLib
loop = GLib.MainLoop()
Gio.bus_own_name(Gio.BusType.SESSION, sys.argv[1], Gio.BusNameOwnerFlags.NONE, None,
                 lambda *_: print('owned', flush=True), lambda *_: loop.quit())
loop.run()
"""


def local(zone, text):
    """The libfaketime setting and environment that start the clock at that local time there."""
    instant = datetime.datetime.fromisoformat(text).replace(tzinfo=zoneinfo.ZoneInfo(zone))
    # A relative offset holds the instant whatever zone the program is told to use.
    offset = int(instant.timestamp() - time.time())
    return {'clock': f'{offset:+d}', 'environment': {'TZ': zone}}


class StartOnADay(unittest.TestCase):

    def test_opensCentredWithTodaysReadingInItsLabels(self):
        with MainWindow(15) as program:
            self.assertEqual(program.main.size(), MAIN_OUTER)
            self.assertTrue(program.main.centred(), program.main.outer())
            # Each text in green, in as many lines, as high and as wide as its font and its
            # label's width lay it out, and nothing outside the labels.
            self.assertEqual(program.reading_faults(layouts(15)[15]), [])

    def test_firstShownWhereAndAsLargeAsItStays(self):
        with Program(15) as program:
            places = places_from_first_show(program, 'Brelunda')
            self.assertEqual(len(places), 1, places)
            window = program.window('Brelunda')
            self.assertEqual(window.settled()[2:], MAIN_OUTER)
            self.assertEqual(window.client(), places[0])

    def test_dayOfTheMonthIsTheLocalOne(self):
        for zone, start, expected in [('UTC', '2028-02-29 12:00:00', 29),
                                      ('Etc/GMT+12', '2026-12-15 18:00:00', 15),
                                      ('Pacific/Kiritimati', '2026-12-16 01:00:00', 16)]:
            expected_image = reference(expected)
            with self.subTest(zone=zone, start=start), MainWindow(**local(zone, start)) as program:
                self.assertTrue(program.shows(expected_image))

    @unittest.skipUnless(BUILD == 'linux', "a panel for applications' menus is a Linux desktop's")
    def test_keepsItsMenuBarWhereAPanelOffersToShowMenus(self):
        with subprocess.Popen([sys.executable, '-c', NAME_OWNER, 'com.canonical.AppMenu.Registrar'],
                              stdout=subprocess.PIPE, text=True) as panel:
            try:
                self.assertEqual(panel.stdout.readline().strip(), 'owned')
                with MainWindow(15) as program:
                    self.assertEqual(len(program.menu_titles()), 5)
            finally:
                panel.kill()


if __name__ == '__main__':
    main()
