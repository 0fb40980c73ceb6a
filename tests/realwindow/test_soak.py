"""A long run of real input: access keys, clicks on the bar, the About window opened and closed,
resizes from outside, minimise and restore. After every event the day shown and the three enabled
states must match a model of the rules, the window its fixed size, and memory must stay flat.
BRELUNDA_SOAK_EVENTS sets the length (the suite runs a short one; 5000 is the full soak)."""

import os
import random
import time
import unittest

from harness import MAIN_OUTER, MainWindow, differing, key, main, run, screenshot, wait_for

EVENTS = int(os.environ.get('BRELUNDA_SOAK_EVENTS', '120'))


def resident_kb(pid):
    with open(f'/proc/{pid}/status') as status:
        return next(int(line.split()[1]) for line in status if line.startswith('VmRSS:'))


class Soak(unittest.TestCase):

    def test_everyEventKeepsTheRules(self):
        chance = random.Random(20261206)
        today, day, hoje = 15, 15, False
        baseline_at, baseline = min(500, EVENTS // 3), 0
        with MainWindow(today) as program:
            seen = {day: program.client_area()}
            last = seen[day]
            for step in range(EVENTS):
                event = chance.choice(['anterior', 'proximo', 'hoje', 'about', 'resize', 'minimise'])
                where = f'step {step}, {event}, day {day}'
                by_key = chance.random() < 0.5
                if event in ('anterior', 'proximo', 'hoje'):
                    index = ['anterior', 'proximo', 'hoje'].index(event)
                    key(['alt+n', 'alt+p', 'alt+h'][index]) if by_key else program.click_title(index + 1)
                    if event == 'anterior' and day > 1 or event == 'proximo' and day < 31:
                        day, hoje = day + (1 if event == 'proximo' else -1), True
                    elif event == 'hoje' and hoje:
                        day, hoje = today, False
                elif event == 'about':
                    about = program.open_about(by_key)
                    key('Escape')
                    self.assertEqual(len(program.windows('Mensagens')), 1, where)
                    self.assertTrue(program.close_about(about), where)
                elif event == 'resize':
                    run('xdotool', 'windowsize', program.main.id, str(chance.randint(200, 800)),
                        str(chance.randint(150, 650)))
                else:
                    run('xdotool', 'windowminimize', program.main.id)
                    time.sleep(0.1)
                program.main.activate()
                self.assertTrue(wait_for(lambda: program.main.size() == MAIN_OUTER), where)
                if event in ('resize', 'minimise'):
                    program.main.settled()
                    program.locate()

                if day in seen:
                    self.assertTrue(program.shows(seen[day]), where + ' shows another day')
                else:
                    # A new day: once the picture has changed and holds still, it looks like no
                    # day seen before.
                    def still():
                        first, second = program.client_area(), program.client_area()
                        return differing(first, last) and differing(first, second) == 0 and [second]
                    shown = wait_for(still, 3)
                    self.assertTrue(shown, where)
                    shown = shown[0]
                    self.assertFalse([d for d, image in seen.items() if differing(image, shown) == 0], where)
                    seen[day] = shown
                last = seen[day]
                shot = screenshot()
                titles = program.menu_titles(shot)
                self.assertEqual([program.greyed(shot, titles[i]) for i in (1, 2, 3)],
                                 [day == 1, day == 31, not hoje], where)
                if step + 1 == baseline_at:
                    baseline = resident_kb(program.process.pid)
            grown = resident_kb(program.process.pid) - baseline
        print(f'{EVENTS} events, {len(seen)} days seen; resident memory grew {grown} kB after event {baseline_at}')
        # The sanitizers keep freed memory in quarantine; LeakSanitizer checks for leaks instead.
        if os.environ.get('BRELUNDA_SANITIZED') != 'ON':
            self.assertLess(grown, 1024)


if __name__ == '__main__':
    main()
