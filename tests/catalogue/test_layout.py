"""Holds messages/catalogue.toml to the layout of the readings.

The window is laid out for these exact shapes: the number of pieces, each piece's length, and
the leading or trailing space or dots that some of them carry. A piece edited to another length
or losing its mark must fail here, whether the texts are placeholders or the real ones.

The layout is kept as data: expected_layout.tsv (one row per day) and expected_totals.tsv
(figures over the whole catalogue, a cross-check on the rows).
"""

import os
import re
import tomllib
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE_DIR = Path(os.environ.get('BRELUNDA_SOURCE_DIR', HERE.parents[1]))
CATALOGUE = SOURCE_DIR / 'messages' / 'catalogue.toml'

PIECE_PATTERN = re.compile(r'(?:(?P<kind>verse\+ref|verse\+cite|verse|cite|ref) )?(?P<length>\d+)'
                  r'(?: \((?P<mark>sp|3 dots|end sp)\))?')
REFERENCE = r'\([^()]+, \d+:\d+(?:-\d+)?\)'
END_OF_SENTENCE = r'[.!?;:]["»]?'
SPEAKER = r'[^().!?;]+'
KINDS = {
    'verse': re.compile(rf'.*{END_OF_SENTENCE}'),
    'ref': re.compile(REFERENCE),
    'cite': re.compile(rf'{SPEAKER} {REFERENCE}'),
    'verse+ref': re.compile(rf'.*{END_OF_SENTENCE} {REFERENCE}'),
    'verse+cite': re.compile(rf'.*{END_OF_SENTENCE} {SPEAKER} {REFERENCE}'),
}


def read_table(name):
    with open(HERE / name, encoding='utf-8') as file:
        return [line.rstrip('\n').split('\t') for line in file if not line.startswith('#')]


def parse_pieces(cells):
    return [PIECE_PATTERN.fullmatch(cell).groupdict() for cell in cells.split(' / ')]


def load_layout():
    layout = {}
    for day, title, verse, verse_length, commentary, commentary_length in read_table(
            'expected_layout.tsv')[1:]:
        count, paragraphs = commentary.split(': ')
        layout[int(day)] = {
            'title': title.strip('"'),
            'verse': parse_pieces(verse), 'verse_length': int(verse_length),
            'commentary': parse_pieces(paragraphs), 'commentary_count': int(count),
            'commentary_length': int(commentary_length),
        }
    return layout


def load_catalogue():
    with open(CATALOGUE, 'rb') as file:
        return {entry['day']: entry for entry in tomllib.load(file)['entry']}


def strip_marks(piece):
    """The piece without the leading space or dots and the trailing space it may carry."""
    return piece.removeprefix('...').strip(' ')


class LayoutTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.layout = load_layout()
        cls.catalogue = load_catalogue()

    def test_layout_table_is_whole(self):
        self.assertEqual(sorted(self.layout), list(range(1, 32)))
        for day, row in self.layout.items():
            with self.subTest(day=day):
                self.assertEqual(len(row['commentary']), row['commentary_count'])
                for field in ('verse', 'commentary'):
                    pieces = [int(p['length']) for p in row[field]]
                    self.assertEqual(sum(pieces) + len(pieces) - 1, row[f'{field}_length'])

    def test_every_day_matches_its_row(self):
        self.assertEqual(sorted(self.catalogue), sorted(self.layout))
        for day, row in self.layout.items():
            entry = self.catalogue[day]
            with self.subTest(day=day, field='title'):
                self.assertEqual(entry['title'], row['title'])
            for field in ('verse', 'commentary'):
                with self.subTest(day=day, field=field):
                    self.assertEqual(len(entry[field]), len(row[field]))
                    self.assertEqual(len('\n'.join(entry[field])), row[f'{field}_length'])
                for index, (piece, expected) in enumerate(zip(entry[field], row[field]), 1):
                    with self.subTest(day=day, field=field, piece=index, text=piece):
                        self.assert_piece(piece, expected)

    def assert_piece(self, piece, expected):
        self.assertEqual(len(piece), int(expected['length']))
        mark = expected['mark']
        self.assertEqual(piece.startswith(' '), mark == 'sp', 'leading space')
        self.assertEqual(piece.startswith('...'), mark == '3 dots', 'leading dots')
        self.assertEqual(piece.endswith(' '), mark == 'end sp', 'trailing space')
        if expected['kind']:
            self.assertTrue(KINDS[expected['kind']].fullmatch(strip_marks(piece)),
                            f'not shaped as a {expected["kind"]}')

    def test_totals(self):
        totals = {name: values for name, *values in read_table('expected_totals.tsv')}
        verse = {day: '\n'.join(e['verse']) for day, e in self.catalogue.items()}
        commentary = {day: '\n'.join(e['commentary']) for day, e in self.catalogue.items()}
        paragraphs = {(day, index): paragraph for day, e in self.catalogue.items()
                      for index, paragraph in enumerate(e['commentary'], 1)}

        def extreme(pick, texts):
            key = pick(texts, key=lambda k: len(texts[k]))
            return [*(key if isinstance(key, tuple) else (key,)), len(texts[key])]

        actual = {
            'verse pieces': [sum(len(e['verse']) for e in self.catalogue.values())],
            'paragraphs': [len(paragraphs)],
            'line feeds in L3': [sum(t.count('\n') for t in verse.values())],
            'line feeds in L4': [sum(t.count('\n') for t in commentary.values())],
            'line feeds': [sum(t.count('\n') for t in [*verse.values(), *commentary.values()])],
            'days without line feed in L3': [
                ' '.join(str(day) for day in sorted(verse) if '\n' not in verse[day])],
            'longest L3: day, length': extreme(max, verse),
            'shortest L3: day, length': extreme(min, verse),
            'longest L4: day, length': extreme(max, commentary),
            'shortest L4: day, length': extreme(min, commentary),
            'longest paragraph: day, paragraph, length': extreme(max, paragraphs),
            'shortest paragraph: day, paragraph, length': extreme(min, paragraphs),
        }
        self.assertEqual(sorted(actual), sorted(totals))
        for name, values in totals.items():
            with self.subTest(name):
                self.assertEqual([str(v) for v in actual[name]], values)


if __name__ == '__main__':
    unittest.main()
