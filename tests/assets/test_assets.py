"""The committed pictures, icons and fonts (made by tools/assets) are what the windows need: a
baseline JFIF picture of the laid-out size, calm and light wherever text goes; two 16-colour icons
with transparency; the embedded faces under their own family names, with their licences."""

import os
import subprocess
import unittest

import numpy

UI = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'ui')


def pixels(path, width, height, channels=3, frame=0):
    raw = subprocess.run(['convert', f'{path}[{frame}]', '-depth', '8', 'rgba:-' if channels == 4 else 'rgb:-'],
                         capture_output=True, check=True).stdout
    return numpy.frombuffer(raw, numpy.uint8).reshape(height, width, channels).astype(float)


class Assets(unittest.TestCase):

    def test_pictureIsABaselineJfifOfTheLaidOutSize(self):
        with open(os.path.join(UI, 'assets', 'background.jpg'), 'rb') as file:
            data = file.read()
        segments, at = [], 2
        self.assertEqual(data[:2], b'\xff\xd8')
        while data[at + 1] != 0xDA:
            length = int.from_bytes(data[at + 2:at + 4], 'big')
            segments.append((data[at + 1], data[at + 4:at + 2 + length]))
            at += 2 + length
        (marker, app0), frames = segments[0], [s for m, s in segments if 0xC0 <= m <= 0xCF and m not in (0xC4, 0xC8, 0xCC)]
        # JFIF 1.01 at 96 dots per inch, right after the start of the image.
        self.assertEqual((marker, app0[:5], tuple(app0[5:8])), (0xE0, b'JFIF\0', (1, 1, 1)))
        self.assertEqual((int.from_bytes(app0[8:10], 'big'), int.from_bytes(app0[10:12], 'big')), (96, 96))
        # One baseline frame: 8 bits, 424 rows of 603, three components.
        self.assertEqual([m for m, _ in segments if m in (0xC0, 0xC1, 0xC2, 0xC3)], [0xC0])
        self.assertEqual((frames[0][0], int.from_bytes(frames[0][1:3], 'big'), int.from_bytes(frames[0][3:5], 'big'),
                          frames[0][5]), (8, 424, 603, 3))

    def test_pictureKeepsTheTextReadable(self):
        picture = pixels(os.path.join(UI, 'assets', 'background.jpg'), 603, 424)
        # Beside the vignette and the full width below it, where the labels are.
        text = numpy.concatenate([picture[16:145, 120:561].reshape(-1, 3), picture[152:409, 56:561].reshape(-1, 3)])
        luma = text @ [0.299, 0.587, 0.114]
        linear = numpy.where(text / 255 <= 0.04045, text / 255 / 12.92, ((text / 255 + 0.055) / 1.055) ** 2.4)
        green = 0.7152 * ((128 / 255 + 0.055) / 1.055) ** 2.4
        contrast = (linear @ [0.2126, 0.7152, 0.0722] + 0.05) / (green + 0.05)
        self.assertGreaterEqual(contrast.min(), 3.5)
        self.assertGreaterEqual(luma.mean(), 220)
        self.assertLessEqual(luma.std(), 8)

    def test_iconsHaveTwoSixteenColourImagesWithTransparency(self):
        for name in ('lightbulb', 'tree'):
            path = os.path.join(UI, 'assets', f'{name}.ico')
            listing = subprocess.run(['icotool', '-l', path], capture_output=True, text=True, check=True).stdout
            self.assertEqual(sorted(line.split()[2:6] for line in listing.splitlines()),
                             [[f'--width={s}', f'--height={s}', '--bit-depth=4', '--palette-size=16'] for s in (16, 32)])
            for frame, size in enumerate((32, 16)):
                alpha = pixels(path, size, size, 4, frame)[..., 3]
                self.assertEqual((alpha[0, 0], alpha[-1, -1], alpha[size // 2, size // 2]), (0, 0, 255), name)

    def test_fontsCarryTheirOwnFamilyNames(self):
        found = set()
        for file in os.listdir(os.path.join(UI, 'fonts')):
            if file.endswith(('.ttf', '.otf')):
                found.add(subprocess.run(['fc-scan', '--format', '%{family}:%{style}', os.path.join(UI, 'fonts', file)],
                                         capture_output=True, text=True, check=True).stdout)
        self.assertEqual(found, {'Brelunda Serif:Bold', 'Brelunda Serif:Bold Italic', 'Brelunda Sans:Bold',
                                 'Brelunda Sans:Regular', 'Brelunda Script:Regular'})
        for licence in ('LICENSE-Liberation.txt', 'LICENSE-TeXGyre.txt'):
            self.assertTrue(os.path.getsize(os.path.join(UI, 'fonts', licence)) > 1000)


if __name__ == '__main__':
    unittest.main(verbosity=2)
