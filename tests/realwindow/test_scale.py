"""At twice the layout's density (BRELUNDA_SCALE=2) every measure of the window doubles: the outer
sizes, the labels' boxes, the picture (enlarged smoothly), and the text is drawn at the screen's
own resolution rather than drawn small and enlarged."""

import unittest

import numpy

from harness import (ABOUT_OUTER, LABELS, LABELS_RIGHT_EDGE, MAIN_OUTER, SCALE, MainWindow, label_ink, main,
                     picture)


class TwiceTheDensity(unittest.TestCase):

    def test_everythingDoubles(self):
        self.assertEqual(SCALE, 2, 'run with BRELUNDA_SCALE=2')
        enlarged = picture(SCALE)
        with MainWindow(15) as program:
            # A frame an odd number of pixels wide has no exact size at this scale: 2 px are given.
            for measured, laid_out in zip(program.main.size(), MAIN_OUTER):
                self.assertLessEqual(abs(measured - laid_out), 2, program.main.size())
            client = program.client_area()

            # Outside the labels the picture, enlarged smoothly; beyond it the window's colour.
            height, width = enlarged.shape[:2]
            text = numpy.zeros((height, width), bool)
            for x, y, w, h in LABELS:
                text[y * SCALE:(y + h) * SCALE, x * SCALE:(x + w) * SCALE] = True
            distance = numpy.abs(client[:height, :width] - enlarged).sum(axis=2)
            self.assertLessEqual(int(distance[~text].max()), 12)
            beyond = numpy.concatenate([client[:, width:].reshape(-1, 3), client[height:, :].reshape(-1, 3)])
            self.assertTrue(beyond.size and (beyond == client[0, -1]).all())

            stray, not_green, labels = label_ink(client, enlarged, LABELS, SCALE)
            self.assertEqual((stray, not_green), (0, 0))
            self.assertTrue(all(pixels > 80 for pixels, _ in labels), labels)
            for _, end in labels[2:]:
                self.assertLessEqual(abs(end - LABELS_RIGHT_EDGE * SCALE), 2, labels)
            # Text drawn at the layout's density and enlarged would come in uniform 2x2 blocks.
            x, y, w, h = (v * SCALE for v in LABELS[3])
            blocks = client[y:y + h:2, x:x + w:2]
            inked = numpy.abs(blocks - enlarged[y:y + h:2, x:x + w:2]).sum(axis=2) >= 60
            uniform = ((client[y:y + h:2, x + 1:x + w:2] == blocks).all(axis=2)
                       & (client[y + 1:y + h:2, x:x + w:2] == blocks).all(axis=2)
                       & (client[y + 1:y + h:2, x + 1:x + w:2] == blocks).all(axis=2))
            self.assertGreater(inked.sum(), 1000)
            self.assertLess((inked & uniform).sum(), inked.sum() // 2)

            about = program.open_about()
            for measured, laid_out in zip(about.size(), ABOUT_OUTER):
                self.assertLessEqual(abs(measured - laid_out), 2, about.size())


if __name__ == '__main__':
    main()
