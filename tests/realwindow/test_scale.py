"""At a higher density than the layout's (BRELUNDA_SCALE: 1.25, 1.5 or 2, that is 120, 144 or 192
dots per inch) every measure of the window grows by the factor: the outer sizes, the labels' boxes,
the picture (enlarged smoothly), and the text is drawn at the screen's own resolution rather than
drawn small and enlarged."""

import unittest

import numpy

from harness import (ABOUT_LABELS, ABOUT_OUTER, LABELS, MAIN_OUTER, SCALE, MainWindow, about_ink, box, cut_off, layouts,
                     main, misplaced_text, picture)


class HigherDensity(unittest.TestCase):

    def test_everythingGrowsByTheFactor(self):
        self.assertGreater(SCALE, 1, 'run with BRELUNDA_SCALE=1.25, 1.5 or 2')
        # Qt places the client area half a pixel lower where its menu bar ends between two.
        enlarged, lower = picture(SCALE), picture(SCALE, lower=0.5)
        with MainWindow(15) as program:
            # A frame has no exact size at every scale (an odd number of pixels at 2, a fraction
            # of one at 1.25): 2 px are given.
            self.assertTrue(numpy.allclose(program.main.size(), MAIN_OUTER, rtol=0, atol=2), program.main.size())
            client = program.client_area()

            # Outside the labels the picture, enlarged smoothly; beyond it, where the client area
            # is larger, one colour: the window's (past the row and column a picture ending
            # between two pixels shares with it).
            height, width = min(client.shape[0], enlarged.shape[0]), min(client.shape[1], enlarged.shape[1])
            text = numpy.zeros((height, width), bool)
            for x, y, w, h in map(box, LABELS.values()):
                text[y:y + h, x:x + w] = True
            distance = numpy.abs(client[:height, :width] - enlarged[:height, :width]).sum(axis=2)[~text]
            # At twice the density each pixel of the picture has an exact place; at a fraction the
            # builds sample it a little apart, which only an average tells from a picture left
            # small.
            if SCALE == 2:
                self.assertLessEqual(int(distance.max()), 12)
            else:
                self.assertLessEqual(distance.mean(), 4)
            beyond = numpy.concatenate([client[:, width + 1:].reshape(-1, 3), client[height + 1:, :].reshape(-1, 3)])
            self.assertTrue((beyond == beyond[:1]).all())

            # Each text wrapped and drawn whole as its font and its label's width lay it out at
            # this density, in both windows; and every day's reading laid out so fits its labels.
            every_day = layouts(*range(1, 32))
            self.assertEqual(program.reading_faults(every_day[15], [enlarged, lower]), [])
            self.assertEqual({day: cut_off(laid_out, LABELS) for day, laid_out in every_day.items()},
                             dict.fromkeys(range(1, 32), []))
            if SCALE == 2:
                # Text drawn at the layout's density and enlarged would come in uniform 2x2 blocks.
                x, y, w, h = box(LABELS['L4'])
                blocks = client[y:y + h:2, x:x + w:2]
                inked = numpy.abs(blocks - enlarged[y:y + h:2, x:x + w:2]).sum(axis=2) >= 60
                uniform = ((client[y:y + h:2, x + 1:x + w:2] == blocks).all(axis=2)
                           & (client[y + 1:y + h:2, x:x + w:2] == blocks).all(axis=2)
                           & (client[y + 1:y + h:2, x + 1:x + w:2] == blocks).all(axis=2))
                self.assertGreater(inked.sum(), 1000)
                self.assertLess((inked & uniform).sum(), inked.sum() // 2)

            about = program.open_about()
            self.assertTrue(numpy.allclose(about.size(), ABOUT_OUTER, rtol=0, atol=2), about.size())
            self.assertEqual(misplaced_text(about_ink(about), ABOUT_LABELS, every_day[15]), [])


if __name__ == '__main__':
    main()
