"""Stepping through the days with the menu bar's keys and clicks, to the bounds and back to today,
and leaving the program."""

import unittest

from harness import MainWindow, choose, click, key, main, reference, screenshot


class WalkToTheBounds(unittest.TestCase):

    def test_keysAndClicksStepTheDayAndHojeComesBack(self):
        days = {day: reference(day) for day in (14, 15, 16)}
        with MainWindow(15) as program:
            shot = screenshot()
            titles = program.menu_titles(shot)
            self.assertEqual(len(titles), 5)
            self.assertEqual([program.greyed(shot, title) for title in titles], [False, False, False, True, False])
            for step, expected in [('alt+p', 16), ('alt+n', 15), ('alt+n', 14), (2, 15), (2, 16), (3, 15),
                                   (1, 14), ('alt+h', 15)]:
                key(step) if isinstance(step, str) else program.click_title(step)
                self.assertTrue(program.shows(days[expected]), f'{step} should show day {expected}')
            # Back on today, Hoje is disabled again.
            self.assertTrue(program.greyed(screenshot(), titles[3]))
            key('alt+h')
            self.assertTrue(program.still_shows(days[15]))

    def test_boundsHoldAgainstKeysAndClicks(self):
        # today, the key and title that must do nothing there, the other step and where it leads
        for today, blocked_key, blocked_title, other_key, other_day in [(31, 'alt+p', 2, 'alt+n', 30),
                                                                        (1, 'alt+n', 1, 'alt+p', 2)]:
            days = {day: reference(day) for day in (today, other_day)}
            with self.subTest(today=today), MainWindow(today) as program:
                shot = screenshot()
                titles = program.menu_titles(shot)
                self.assertTrue(program.greyed(shot, titles[blocked_title]))
                self.assertFalse(program.greyed(shot, titles[3 - blocked_title]))
                key(blocked_key)
                self.assertTrue(program.still_shows(days[today]))
                program.click_title(blocked_title)
                self.assertTrue(program.still_shows(days[today]))
                key(other_key)
                self.assertTrue(program.shows(days[other_day]))
                # One step back in: the bound's item is enabled again and takes the day back.
                program.click_title(blocked_title)
                self.assertTrue(program.shows(days[today]))


class Quit(unittest.TestCase):

    def test_sairAndTheCloseBoxEndTheProgramWithStatusZero(self):
        for by_menu in (True, False):
            with self.subTest(by_menu=by_menu), MainWindow(20) as program:
                x, y, width, _ = program.main.decorated()
                # "&Sair" in "&Arquivo"; or the close box, rightmost on the window manager's title bar.
                choose('alt+a', 's') if by_menu else click(x + width - 10, y + 10)
                self.assertEqual(program.wait(), 0)


if __name__ == '__main__':
    main()
