"""Gives a subset font a family name of its own.

The Liberation fonts reserve their name for the unmodified fonts, and the TeX Gyre licence asks
that changed fonts be renamed too; a name of our own also keeps a system copy of the original
from being picked instead of the embedded subset.

usage: rename_font.py FONT OLD-FAMILY NEW-FAMILY   (rewrites FONT in place)
"""

import sys

from fontTools.ttLib import TTFont

# Family, full, PostScript, unique-id and typographic-family records.
RENAMED_IDS = {1, 3, 4, 6, 16, 18, 20, 21}


def rename(path, old, new):
    font = TTFont(path)
    spellings = [(old, new), (old.replace(' ', ''), new.replace(' ', ''))]
    changed = 0
    for record in font['name'].names:
        if record.nameID not in RENAMED_IDS:
            continue
        text = record.toUnicode()
        for before, after in spellings:
            text = text.replace(before, after)
        if text != record.toUnicode():
            record.string = text
            changed += 1
    if 'CFF ' in font:
        cff = font['CFF '].cff
        for index, name in enumerate(cff.fontNames):
            cff.fontNames[index] = name.replace(old.replace(' ', ''), new.replace(' ', ''))
        for top in cff.topDictIndex:
            for key in ('FamilyName', 'FullName'):
                value = getattr(top, key, None)
                if value:
                    setattr(top, key, value.replace(old, new))
    if not changed:
        sys.exit(f'rename_font: no name record of {path} holds "{old}"')
    font.save(path)


if __name__ == '__main__':
    rename(*sys.argv[1:4])
