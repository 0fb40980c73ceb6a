"""The run-time error report of the real toolkit, seen through a probe that fails on purpose: a box
captioned "Brelunda" that stays until the user has read it, the same words on standard error, and
the process ending with status 1."""

import os
import time
import unittest

from harness import BUILD, Program, in_session_of_its_own, key, main, run

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
                box = probe.window('Brelunda')
                time.sleep(0.3)
                if probe.process.poll() is not None:
                    self.fail(f'the program did not wait for the user: {probe.process.stderr.read()}')
                box.activate()
                key('Return')
                self.assertEqual(probe.wait(), 1)
                self.assertIn(message, probe.process.stderr.read())


if __name__ == '__main__':
    main()
