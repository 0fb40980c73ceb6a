"""The committed pictures, icons and fonts (made by tools/assets) are what the windows need: a
baseline JFIF picture of the laid-out size, light and calm wherever text goes; two 16-colour icons
with transparency; the embedded faces under their own family names, with their licences."""

import os
import subprocess
import unittest

import numpy

UI = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'ui')


def output(*command):
    return subprocess.run(command, capture_output=True, check=True).stdout


class Assets(unittest.TestCase):

    def test_pictureIsABaselineJfifOfTheLaidOutSize(self):
        path = os.path.join(UI, 'assets', 'background.jpg')
        with open(path, 'rb') as file:
            data = file.read()
        # JFIF 1.01 at 96 dots per inch straight after the start of the image; one baseline frame of
        # 8 bits, 424 rows of 603, three components.
        self.assertEqual(data[:20], b'\xff\xd8\xff\xe0\x00\x10JFIF\x00\x01\x01\x01\x00\x60\x00\x60\x00\x00')
        self.assertNotIn(b'\xff\xc2', data)
        self.assertIn(b'\xff\xc0\x00\x11\x08\x01\xa8\x02\x5b\x03', data)
        # Where the labels are, beside the vignette and below it: light and calm under dark green.
        pixels = numpy.frombuffer(output('convert', path, '-depth', '8', 'rgb:-'), numpy.uint8).reshape(424, 603, 3)
        luma = numpy.concatenate([pixels[16:145, 120:561], pixels[152:409, 56:561]], axis=None)
        self.assertGreaterEqual(luma.reshape(-1, 3).mean(axis=1).min(), 200)
        self.assertLessEqual(luma.reshape(-1, 3).mean(axis=1).std(), 8)

    def test_iconsHaveTwoSixteenColourImagesWithTransparency(self):
        for name in ('lightbulb', 'tree'):
            path = os.path.join(UI, 'assets', f'{name}.ico')
            self.assertEqual(sorted(line.split()[2:6] for line in output('icotool', '-l', path).decode().splitlines()),
                             [[f'--width={s}', f'--height={s}', '--bit-depth=4', '--palette-size=16'] for s in (16, 32)])
            for frame, size in enumerate((32, 16)):
                alpha = numpy.frombuffer(output('convert', f'{path}[{frame}]', '-depth', '8', 'rgba:-'), numpy.uint8)[3::4]
                self.assertEqual((alpha[0], alpha[-1], alpha[size * size // 2 + size // 2]), (0, 0, 255), name)

    def test_fontsCarryTheirOwnFamilyNamesAndLicences(self):
        fonts = [f for f in os.listdir(os.path.join(UI, 'fonts')) if f.endswith(('.ttf', '.otf'))]
        self.assertEqual({output('fc-scan', '--format', '%{family}:%{style}', os.path.join(UI, 'fonts', f)).decode()
                          for f in fonts},
                         {'Brelunda Serif:Bold', 'Brelunda Serif:Bold Italic', 'Brelunda Sans:Bold',
                          'Brelunda Sans:Regular', 'Brelunda Script:Regular'})
        for licence in ('LICENSE-Liberation.txt', 'LICENSE-TeXGyre.txt'):
            self.assertGreater(os.path.getsize(os.path.join(UI, 'fonts', licence)), 1000)


if __name__ == '__main__':
    unittest.main(verbosity=2)
