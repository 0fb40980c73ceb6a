"""The run-time error report of the real toolkit, seen through a probe that fails on purpose: a box
captioned "Brelunda" that stays until the user has read it, the same words on standard error, and
the process ending with status 1."""

import os
import time
import unittest

from harness import BUILD, MAIN_OUTER, Program, in_session_of_its_own, key, main, run, wait_for

PROBE = os.environ.get('BRELUNDA_ERROR_PROBE', '')
if BUILD == 'linux':
    # With the accessibility bus every desktop session runs, screen reader or not: the program
    # learns of it once its event loop runs, which is while the box is up.
    in_session_of_its_own()
    run('dbus-send', '--session', '--print-reply', '--dest=org.a11y.Bus', '/org/a11y/bus', 'org.a11y.Bus.GetAddress')


class RunTimeErrors(unittest.TestCase):

    def test_errorIsReportedAndEndsTheProcess(self):
        for fault, message in [('picture', "Run-time error '481': Invalid picture: missing"),
                               ('icon', "Run-time error '53': File not found: missing"),
                               ('font', "Run-time error '53': File not found: Courier New"),
                               ('overflow', "Run-time error '6': Overflow")]:
            with self.subTest(fault=fault), Program(command=[PROBE, fault]) as probe:
                # The overflow's box may come over the main window, under the same title: narrower.
                box = wait_for(lambda: next((window for window in probe.windows('Brelunda')
                                             if window.extents() and window.client()[2] < MAIN_OUTER[0] - 40), None), 15)
                time.sleep(0.3)
                if not box or probe.process.poll() is not None:
                    said = probe.process.stderr.read() if probe.process.poll() is not None else '(still running)'
                    self.fail(f'no box waiting for the user; the program said: {said}')
                box.activate()
                key('Return')
                self.assertEqual(probe.wait(), 1)
                self.assertIn(message, probe.process.stderr.read())


if __name__ == '__main__':
    main()
