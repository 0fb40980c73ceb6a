"""The About window: how it opens and closes, what it lets through to the main window meanwhile,
and how it looks, measured by pixel."""

import time
import unittest

import numpy

from harness import (ABOUT_OUTER, MainWindow, click, differing, key, main, reference, run, screenshot,
                     wait_for)

# The labels' boxes and the two rules, in the About window's client pixels.
LABELS = [(32, 8, 289, 33), (32, 56, 97, 17), (32, 72, 185, 17), (192, 96, 137, 17), (104, 112, 225, 17),
          (32, 168, 297, 65), (8, 248, 313, 65)]
DARK_RULE, LIGHT_RULE = (32, 87, 296, 2), (31, 90, 299, 1)


def open_about(program, by_keys=True):
    if by_keys:
        key('alt+u')
        time.sleep(0.3)
        key('s')
    else:
        left, _, right, _ = program.menu_titles()[4]
        click((left + right) // 2, program.origin[1] - 2)
        time.sleep(0.3)
        # Its drop-down holds one item, just below the bar.
        click((left + right) // 2 + 10, program.origin[1] + 10)
    about = program.window('Mensagens')
    about.settled()
    return about


def close_about(program, about):
    about.activate()
    key('alt+F4')
    return wait_for(lambda: not program.windows('Mensagens'))


def outside(program, shot, cover):
    """The main window's client area, with what another window covers blanked out."""
    client = program.client_area(shot).copy()
    x, y, width, height = cover
    left, top = x - program.origin[0], y - program.origin[1]
    client[max(top, 0):max(top + height, 0), max(left, 0):max(left + width, 0)] = 0
    return client


class AboutWindow(unittest.TestCase):

    def test_opensCentredAndModalAndOnlyTheUserClosesIt(self):
        days = {day: reference(day) for day in (15, 16)}
        for by_keys in (True, False):
            with self.subTest(by_keys=by_keys), MainWindow(15) as program:
                about = open_about(program, by_keys)
                self.assertEqual(about.size(), ABOUT_OUTER)
                self.assertTrue(about.centred(), about.outer())
                # The main window takes no key, no click on its menu bar and none on its close box.
                cover = about.decorated()
                before = outside(program, screenshot(), cover)
                x, y, width, _ = program.main.decorated()
                key('alt+p')
                program.click_title(2)
                click(x + width - 10, y + 10)
                time.sleep(0.4)
                self.assertEqual(differing(outside(program, screenshot(), cover), before), 0)
                self.assertEqual(len(program.windows('Mensagens')), 1)
                # Neither Escape nor Return closes it; the window manager's close key does.
                about.activate()
                key('Escape', 'Return', 'KP_Enter')
                time.sleep(0.4)
                self.assertEqual(len(program.windows('Mensagens')), 1)
                self.assertTrue(close_about(program, about))
                # The same reading as before, and the main window answers again.
                self.assertTrue(program.shows(days[15]))
                key('alt+p')
                self.assertTrue(program.shows(days[16]))

    def test_firstShownWhereAndAsLargeAsItStaysAndCentredAgainAfterAMove(self):
        with MainWindow(15) as program:
            key('alt+u')
            time.sleep(0.3)
            key('s')
            windows = wait_for(lambda: program.windows('Mensagens'), 10, 0)
            places = []
            end = time.monotonic() + 0.4
            while time.monotonic() < end:
                place = windows[-1].client()
                if not places or places[-1] != place:
                    places.append(place)
            self.assertEqual(len(places), 1, places)
            about = program.window('Mensagens')
            about.settled()
            run('xdotool', 'windowmove', about.id, '40', '60')
            self.assertTrue(wait_for(lambda: not about.centred()))
            self.assertTrue(close_about(program, about))
            again = open_about(program)
            self.assertEqual(again.size(), ABOUT_OUTER)
            self.assertTrue(again.centred(), again.outer())

    # The pale background, the two rules exactly where laid out, and text only inside the labels,
    # in olive on pale yellow.
    def test_looksAsLaidOut(self):
        with MainWindow(15) as program:
            about = open_about(program)
            time.sleep(0.2)
            x, y, width, height = about.client()
            client = screenshot()[y:y + height, x:x + width]
            colours, counts = numpy.unique(client.reshape(-1, 3), axis=0, return_counts=True)
            background = colours[counts.argmax()]
            self.assertGreater(counts.max(), client.shape[0] * client.shape[1] * 3 // 4)
            red, green, blue = background
            self.assertTrue(red >= 240 and green >= 240 and 200 <= blue < green, background)

            grey = client.mean(axis=2)
            ink = numpy.abs(client - background).sum(axis=2) > 0
            rules = numpy.zeros(ink.shape, bool)
            for (left, top, w, h), test in [(DARK_RULE, lambda g: g < 20), (LIGHT_RULE, lambda g: (150 < g) & (g < 225))]:
                rules[top:top + h, left:left + w] = True
                self.assertTrue(test(grey[top:top + h, left:left + w]).all(), (left, top))
            # Around the rules, one pixel beyond them included, nothing but the background.
            around = numpy.zeros(ink.shape, bool)
            around[86:92, 30:331] = True
            self.assertFalse((ink & around & ~rules).any())

            boxes = numpy.zeros(ink.shape, bool)
            for left, top, w, h in LABELS:
                boxes[top:top + h, left:left + w] = True
                self.assertGreater(ink[top:top + h, left:left + w].sum(), 30, (left, top))
            self.assertEqual(int((ink & ~boxes & ~rules).sum()), 0)
            text = client[ink & boxes & ~rules]
            # Olive and light olive: red and green alike, blue below them.
            self.assertTrue((numpy.abs(text[:, 0] - text[:, 1]) <= 8).all() and (text[:, 2] <= text[:, 1]).all())


if __name__ == '__main__':
    main()
