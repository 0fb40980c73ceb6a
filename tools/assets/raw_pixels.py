#!/usr/bin/python3
"""Turns the shipped picture and icons into raw pixels that a window draws where they lie in the
executable, with no decoder to run and no image plugin to load at start.

Usage: raw_pixels.py picture DECODED.ppm OUTPUT      (the picture as djpeg -pnm decodes it)
       raw_pixels.py icon ICON.ico INDEX OUTPUT      (INDEX from 0, in the file's order)

The output is the width and the height as little-endian 32-bit numbers, then the rows from the
top, four bytes a pixel: blue, green, red, alpha. That is Qt's Format_ARGB32 in memory, and a
Windows 32-bit top-down DIB.
"""

import struct
import sys


def picture(path):
    with open(path, 'rb') as file:
        data = file.read()
    magic, width, height, depth, pixels = data.split(maxsplit=4)
    if magic != b'P6' or depth != b'255' or len(pixels) != int(width) * int(height) * 3:
        raise SystemExit(f'{path}: not an 8-bit binary PPM')
    out = bytearray(len(pixels) // 3 * 4)
    out[0::4], out[1::4], out[2::4], out[3::4] = pixels[2::3], pixels[1::3], pixels[0::3], b'\xff' * (len(out) // 4)
    return int(width), int(height), out


def icon(path, index):
    with open(path, 'rb') as file:
        data = file.read()
    width, height, _, _, _, bits, _, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * index)
    header, dib_width, dib_height, _, dib_bits = struct.unpack_from('<IiiHH', data, offset)
    if bits != 4 or dib_bits != 4 or dib_height != 2 * height:
        raise SystemExit(f'{path}: image {index} is not a 16-colour icon with a mask')
    palette = [data[offset + header + 4 * i:offset + header + 4 * i + 3] for i in range(16)]
    colours, colour_stride, mask_stride = offset + header + 64, (width * 4 + 31) // 32 * 4, (width + 31) // 32 * 4
    masks = colours + colour_stride * height
    out = bytearray()
    # The rows are stored from the bottom up.
    for row in reversed(range(height)):
        for x in range(width):
            colour = data[colours + row * colour_stride + x // 2] >> (0 if x % 2 else 4) & 0xF
            transparent = data[masks + row * mask_stride + x // 8] >> (7 - x % 8) & 1
            out += b'\0\0\0\0' if transparent else palette[colour] + b'\xff'
    return width, height, out


if __name__ == '__main__':
    kind, source, output = sys.argv[1], sys.argv[2], sys.argv[-1]
    width, height, pixels = picture(source) if kind == 'picture' else icon(source, int(sys.argv[3]))
    with open(output, 'wb') as file:
        file.write(struct.pack('<II', width, height) + pixels)
