"""The About window: how it opens and closes, what it lets through to the main window meanwhile,
and how it looks, measured by pixel."""

import time
import unittest

import numpy

from harness import (ABOUT_LABELS, ABOUT_OUTER, DARK_RULE, LIGHT_RULE, MainWindow, about_ink, choose, click, differing,
                     key, layouts, main, misplaced_text, places_from_first_show, reference, run, screenshot, wait_for)


class AboutWindow(unittest.TestCase):

    def test_opensCentredAndModalAndOnlyTheUserClosesIt(self):
        days = {day: reference(day) for day in (15, 16)}
        with MainWindow(15) as program:
            about = program.open_about()
            self.assertEqual(about.size(), ABOUT_OUTER)
            self.assertTrue(about.centred(), about.outer())
            # The main window takes no key, no click on its menu bar and none on its close box;
            # what of it the About window leaves uncovered stays as it was.
            x, y, width, height = about.decorated()
            left, top = x - program.origin[0], y - program.origin[1]

            def uncovered():
                client = program.client_area().copy()
                client[max(top, 0):max(top + height, 0), max(left, 0):max(left + width, 0)] = 0
                return client
            before = uncovered()
            key('alt+p')
            program.click_title(2)
            main_x, main_y, main_width, _ = program.main.decorated()
            click(main_x + main_width - 10, main_y + 10)
            time.sleep(0.4)
            self.assertEqual(differing(uncovered(), before), 0)
            # Neither Escape nor Return closes it; the window manager's close key does, here
            # after the user moved it.
            about.activate()
            key('Escape', 'Return', 'KP_Enter')
            time.sleep(0.4)
            self.assertEqual(len(program.windows('Mensagens')), 1)
            run('xdotool', 'windowmove', about.id, '40', '60')
            self.assertTrue(wait_for(lambda: not about.centred()) and program.close_about(about))
            # The same reading as before, and the main window answers again.
            self.assertTrue(program.shows(days[15]))
            key('alt+p')
            self.assertTrue(program.shows(days[16]))
            # Opened again, it appears at once where and as large as it stays: centred again.
            choose('alt+u', 's')
            places = places_from_first_show(program, 'Mensagens')
            about = program.window('Mensagens')
            self.assertTrue(len(places) == 1 and about.centred() and about.size() == ABOUT_OUTER, places)

    # The pale background, the two rules exactly where laid out, and text only inside the labels,
    # in olive on pale yellow.
    def test_looksAsLaidOut(self):
        with MainWindow(15) as program:
            about = program.open_about()
            time.sleep(0.2)
            x, y, width, height = about.client()
            client = screenshot()[y:y + height, x:x + width]
            colours, counts = numpy.unique(client.reshape(-1, 3), axis=0, return_counts=True)
            red, green, blue = background = colours[counts.argmax()]
            self.assertGreater(counts.max(), width * height * 3 // 4)
            self.assertTrue(red >= 240 and green >= 240 and 200 <= blue < green, background)
            grey, ink = client.mean(axis=2), numpy.abs(client - background).sum(axis=2) > 0
            rules, boxes = numpy.zeros(ink.shape, bool), numpy.zeros(ink.shape, bool)
            for (left, top, w, h), low, high in [(DARK_RULE, 0, 20), (LIGHT_RULE, 150, 225)]:
                rules[top:top + h, left:left + w] = True
                self.assertTrue(((low <= grey[top:top + h, left:left + w]) & (grey[top:top + h, left:left + w] < high)).all())
            # Around the rules, a pixel beyond them included, nothing but the background.
            self.assertFalse((ink[86:92, 30:331] & ~rules[86:92, 30:331]).any())
            for left, top, w, h in ABOUT_LABELS.values():
                boxes[top:top + h, left:left + w] = True
            self.assertEqual(int((ink & ~boxes & ~rules).sum()), 0)
            text = client[ink & boxes & ~rules]
            # Olive and light olive: red and green alike, blue below them.
            self.assertTrue((numpy.abs(text[:, 0] - text[:, 1]) <= 8).all() and (text[:, 2] <= text[:, 1]).all())
            # Each credit in as many lines, as high and as wide as its font and width lay it out.
            self.assertEqual(misplaced_text(about_ink(about), ABOUT_LABELS, layouts(15)[15]), [])


if __name__ == '__main__':
    main()
