"""The run-time error report of the real toolkit, seen through a probe that fails on purpose: a box
captioned "Brelunda" that stays until the user has read it, the same words on standard error, and
the process ending with status 1."""

import os
import time
import unittest

from harness import Program, key, main

PROBE = os.environ.get('BRELUNDA_ERROR_PROBE', '')


class RunTimeErrors(unittest.TestCase):

    def test_errorIsReportedAndEndsTheProcess(self):
        for fault, message in [('picture', "Run-time error '481': Invalid picture: missing"),
                               ('icon', "Run-time error '53': File not found: missing"),
                               ('font', "Run-time error '53': File not found: Courier New"),
                               ('overflow', "Run-time error '6': Overflow")]:
            with self.subTest(fault=fault), Program(command=[PROBE, fault]) as probe:
                box = probe.window('Brelunda')
                time.sleep(0.3)
                self.assertIsNone(probe.process.poll(), 'the program did not wait for the user')
                box.activate()
                key('Return')
                self.assertEqual(probe.wait(), 1)
                self.assertIn(message, probe.process.stderr.read())


if __name__ == '__main__':
    main()
