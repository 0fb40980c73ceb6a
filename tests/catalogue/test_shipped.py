"""Holds messages/catalogue.toml to the layout of the readings, whether its texts are placeholders
or the real ones: the titles, the number of pieces, each piece's length, kind and leading or
trailing space or dots (expected_layout.tsv, one row per day). While they are placeholders, they
say so."""

import re
import tomllib
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = HERE.parents[1]
PIECE = re.compile(r'(?:(?P<kind>verse\+ref|verse\+cite|verse|cite|ref) )?(?P<length>\d+)(?: \((?P<mark>sp|3 dots|end sp)\))?')
REFERENCE, END, SPEAKER = r'\([^()]+, \d+:\d+(?:-\d+)?\)', r'[.!?;:]["»]?', r'[^().!?;]+'
KINDS = {'verse': rf'.*{END}', 'ref': REFERENCE, 'cite': rf'{SPEAKER} {REFERENCE}',
         'verse+ref': rf'.*{END} {REFERENCE}', 'verse+cite': rf'.*{END} {SPEAKER} {REFERENCE}'}


def layout():
    with open(HERE / 'expected_layout.tsv', encoding='utf-8') as file:
        rows = [line.rstrip('\n').split('\t') for line in file if not line.startswith('#')][1:]
    for day, title, verse, verse_length, commentary, commentary_length in rows:
        pieces = {'verse': verse, 'commentary': commentary.split(': ')[1]}
        yield int(day), title.strip('"'), {field: [PIECE.fullmatch(p).groupdict() for p in cells.split(' / ')]
                                           for field, cells in pieces.items()}, int(verse_length), int(commentary_length)


class ShippedCatalogue(unittest.TestCase):

    def test_everyDayKeepsItsLayout(self):
        with open(SOURCE / 'messages' / 'catalogue.toml', 'rb') as file:
            entries = {entry['day']: entry for entry in tomllib.load(file)['entry']}
        self.assertEqual(sorted(entries), list(range(1, 32)))
        for day, title, pieces, verse_length, commentary_length in layout():
            entry = entries[day]
            self.assertEqual(entry['title'], title)
            self.assertEqual([len('\n'.join(entry[f])) for f in ('verse', 'commentary')], [verse_length, commentary_length])
            for field, expected in pieces.items():
                self.assertEqual(len(entry[field]), len(expected), (day, field))
                for piece, shape in zip(entry[field], expected):
                    where = (day, field, piece)
                    self.assertEqual(len(piece), int(shape['length']), where)
                    self.assertEqual((piece.startswith(' '), piece.startswith('...'), piece.endswith(' ')),
                                     (shape['mark'] == 'sp', shape['mark'] == '3 dots', shape['mark'] == 'end sp'), where)
                    bare = piece.removeprefix('...').strip(' ')
                    self.assertTrue(not shape['kind'] or re.fullmatch(KINDS[shape['kind']], bare), where)
        # The figures over the whole catalogue: pieces, paragraphs and the line feeds joining them.
        counts = [sum(len(e[f]) for e in entries.values()) for f in ('verse', 'commentary')]
        self.assertEqual(counts + [counts[0] + counts[1] - 62], [56, 132, 126])

    def test_placeholdersSayTheyArePlaceholders(self):
        # Drop this test once the real texts replace the placeholders.
        with open(SOURCE / 'messages' / 'catalogue.toml', 'rb') as file:
            pieces = [p for entry in tomllib.load(file)['entry'] for p in entry['verse'] + entry['commentary']]
        # A citation alone names a made-up book instead.
        self.assertEqual([p for p in pieces if 'provisóri' not in p.lower() and ('. ' in p or not p.strip().endswith(')'))], [])


if __name__ == '__main__':
    unittest.main(verbosity=2)
