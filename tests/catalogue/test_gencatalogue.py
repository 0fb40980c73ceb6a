"""Tests of tools/catalogue/gencatalogue.py, run as the build runs it.

Every broken case is valid_base.toml with one change. The generator must then exit non-zero,
leave no output file behind, and print one message per fault naming the file, the line where
there is one, and the rule broken. Valid catalogues must compile and hold their texts byte for
byte; dump_catalogue.cpp reads them back out of the compiled program.

BRELUNDA_SOURCE_DIR (the source tree, for the include path) and BRELUNDA_CXX (the compiler) are
set by cmake/Catalogue.cmake; run standalone, the tests use this checkout and g++.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import tomllib
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE_DIR = Path(os.environ.get('BRELUNDA_SOURCE_DIR', HERE.parents[1]))
GENERATOR = SOURCE_DIR / 'tools' / 'catalogue' / 'gencatalogue.py'
BASE = HERE / 'valid_base.toml'
SHIPPED = SOURCE_DIR / 'messages' / 'catalogue.toml'
CXX = os.environ.get('BRELUNDA_CXX', 'g++')
CXX_FLAGS = ['-std=c++20', '-Wall', '-Wextra', '-Wpedantic', '-Wshadow', '-Wconversion', '-Werror']

# Each case: label, the day whose [[entry]] is changed (None: the whole file), the text to
# replace and its replacement (None, None: the day's entry deleted), then every message the
# generator must print, as (where, fragments the message must contain). Where is 'edit' for the
# first line the change touches, 'entry' for the [[entry]] line of that day, None for a
# message that names no line because the fault has no place in the file.
MISSING_5 = (None, ['day 5: missing'])
VERSE_1, VERSE_2 = '"Verso provisório do dia cinco."', '" (Livro Provisório, 5:5)"'
SYNTAX_CASES = [
    ('unterminated string', 5, 'title = "DIA CINCO"', 'title = "DIA CINCO',
     [('edit', ['malformed TOML'])]),
    ('missing equals sign', 5, 'day_text = "5"', 'day_text "5"', [('edit', ['malformed TOML'])]),
    ('key given twice', 5, 'title = "DIA CINCO"', 'title = "DIA CINCO"\ntitle = "OUTRO"',
     [('edit', ['malformed TOML'])]),
    ('invalid UTF-8', 5, 'DIA CINCO', 'DIA \udcff CINCO', [('edit', ['not valid UTF-8'])]),
    ('unknown key', 5, 'title = "DIA CINCO"', 'title = "DIA CINCO"\nautor = "X"',
     [('edit', ['day 5', "unknown key 'autor'"])]),
    ('misspelt key', 5, 'commentary =', 'comentary =',
     [('edit', ['day 5', "unknown key 'comentary'"]),
      ('entry', ['day 5', "missing key 'commentary'"])]),
    ('missing key', 5, 'title = "DIA CINCO"\n', '', [('entry', ['day 5', "missing key 'title'"])]),
    ('unknown top-level key', None, '[[entry]]', 'versao = 1\n\n[[entry]]',
     [('edit', ["unknown top-level key 'versao'"])]),
    ('unknown table', None, '[[entry]]', '[autor]\nnome = "X"\n\n[[entry]]',
     [('edit', ["unknown top-level key 'autor'"])]),
]
DAY_CASES = [
    ('day above 31', 5, 'day = 5', 'day = 32', [('edit', ['entry 5, day', '1 to 31']), MISSING_5]),
    ('day zero', 5, 'day = 5', 'day = 0', [('edit', ['entry 5, day', '1 to 31']), MISSING_5]),
    ('day as text', 5, 'day = 5', 'day = "5"', [('edit', ['entry 5, day', 'integer']), MISSING_5]),
    ('day repeated', 5, 'day = 5\nday_text = "5"', 'day = 4\nday_text = "4"',
     [('edit', ['day 4, day', 'repeated', 'first at line']), MISSING_5]),
    ('day left out', 5, None, None, [MISSING_5]),
    ('day key left out', 5, 'day = 5\n', '',
     [('entry', ['entry 5', "missing key 'day'"]), MISSING_5]),
    ('day_text padded with zero', 5, 'day_text = "5"', 'day_text = "05"',
     [('edit', ['day 5, day_text', 'must be "5"'])]),
    ('day_text with space', 5, 'day_text = "5"', 'day_text = " 5"',
     [('edit', ['day 5, day_text', 'must be "5"'])]),
    ('day_text of another day', 5, 'day_text = "5"', 'day_text = "6"',
     [('edit', ['day 5, day_text', 'must be "5"'])]),
    ('day_text a number', 5, 'day_text = "5"', 'day_text = 5',
     [('edit', ['day 5, day_text', 'must be "5"'])]),
]
TITLE_CASES = [
    ('empty', 5, '"DIA CINCO"', '""', [('edit', ['day 5, title', 'empty'])]),
    ('24 characters', 5, '"DIA CINCO"', '"' + 'A' * 24 + '"',
     [('edit', ['day 5, title', '24 characters', '23'])]),
    ('24 accented characters', 5, '"DIA CINCO"', '"' + 'Ã' * 24 + '"',
     [('edit', ['day 5, title', '24 characters', '23'])]),
    ('lowercase', 5, '"DIA CINCO"', '"DIA Cinco"', [('edit', ['day 5, title', 'lowercase'])]),
    ('lowercase accent', 5, '"DIA CINCO"', '"DIA CINCó"',
     [('edit', ['day 5, title', 'lowercase'])]),
    ('not a string', 5, '"DIA CINCO"', '5', [('edit', ['day 5, title', 'must be a string'])]),
]
PIECE_CASES = [
    ('no verse piece', 5, f'{VERSE_1}, {VERSE_2}', '',
     [('edit', ['day 5, verse', '1 to 2 pieces', 'found 0'])]),
    ('three verse pieces', 5, VERSE_1, f'{VERSE_1}, {VERSE_1}',
     [('edit', ['day 5, verse', '1 to 2 pieces', 'found 3'])]),
    ('verse not an array', 5, f'[{VERSE_1}, {VERSE_2}]', VERSE_1,
     [('edit', ['day 5, verse', 'array of strings', 'a string'])]),
    ('verse piece a number', 5, VERSE_1, '5',
     [('edit', ['day 5, verse piece 1', 'must be a string', 'integer'])]),
    ('verse piece a table', 5, VERSE_1, '{ texto = "Um." }',
     [('edit', ['day 5, verse piece 1', 'must be a string', 'table'])]),
    ('two paragraphs', 5, '"Primeiro parágrafo.", ', '',
     [('edit', ['day 5, commentary', '3 to 6 paragraphs', 'found 2'])]),
    ('seven paragraphs', 2, 'commentary = [', 'commentary = ["Zero.",',
     [('edit', ['day 2, commentary', '3 to 6 paragraphs', 'found 7'])]),
    ('paragraph a boolean', 5, '"Segundo parágrafo."', 'true',
     [('edit', ['day 5, commentary paragraph 2', 'must be a string', 'boolean'])]),
]
CHARACTER_CASES = [
    ('y acute, just past u diaeresis', 5, 'Segundo', 'Segýndo',
     [('edit', ['day 5, commentary paragraph 2', 'U+00FD', 'U+00FC'])]),
    ('long dash', 5, 'Verso provisório', 'Verso \u2014 provisório',
     [('edit', ['day 5, verse piece 1', 'U+2014', 'U+00FC'])]),
    ('typographic quote in title', 5, 'DIA CINCO', 'DIA \u201cCINCO',
     [('edit', ['day 5, title', 'U+201C'])]),
    ('escaped tab', 5, 'Segundo parágrafo.', 'Segundo\\tparágrafo.',
     [('edit', ['day 5, commentary paragraph 2', 'U+0009', 'not allowed'])]),
    ('raw tab', 5, 'Segundo parágrafo.', 'Segundo\tparágrafo.',
     [('edit', ['day 5, commentary paragraph 2', 'U+0009', 'not allowed'])]),
    ('line feed', 5, 'Verso provisório', 'Verso\\nprovisório',
     [('edit', ['day 5, verse piece 1', 'U+000A', 'not allowed'])]),
    ('carriage return', 5, 'Verso provisório', 'Verso\\rprovisório',
     [('edit', ['day 5, verse piece 1', 'U+000D', 'not allowed'])]),
    ('NUL', 5, 'Verso provisório', 'Verso\\u0000provisório',
     [('edit', ['day 5, verse piece 1', 'U+0000', 'not allowed'])]),
    ('DEL', 5, 'Terceiro', 'Terceiro\\u007f',
     [('edit', ['day 5, commentary paragraph 3', 'U+007F', 'not allowed'])]),
    ('C1 next line', 5, 'Terceiro', 'Terceiro\\u0085',
     [('edit', ['day 5, commentary paragraph 3', 'U+0085', 'not allowed'])]),
    ('control character in title', 5, 'DIA CINCO', 'DIA\\tCINCO',
     [('edit', ['day 5, title', 'U+0009', 'not allowed'])]),
    ('ampersand in paragraph', 5, 'Segundo parágrafo.', 'Segundo & terceiro.',
     [('edit', ['day 5, commentary paragraph 2', 'ampersand'])]),
    ('ampersand in verse', 5, ' (Livro', ' & (Livro',
     [('edit', ['day 5, verse piece 2', 'ampersand'])]),
    ('ampersand in title', 5, 'DIA CINCO', 'DIA & CINCO',
     [('edit', ['day 5, title', 'ampersand'])]),
]


def read_base():
    return BASE.read_text(encoding='utf-8')


def mutate(text, day, old, new):
    """text with old replaced by new inside the [[entry]] of day (the whole text if day is
    None), or with that entry deleted if old is None."""
    start, end = 0, len(text)
    if day is not None:
        day_at = text.index(f'\nday = {day}\n')
        start = text.rindex('[[entry]]', 0, day_at)
        end = text.find('[[entry]]', day_at)
        end = len(text) if end < 0 else end
    if old is None:
        return text[:start] + text[end:], start
    at = text.index(old, start, end)
    return text[:at] + new + text[at + len(old):], start


def first_changed_line(before, after):
    for number, (old, new) in enumerate(zip(before.split('\n'), after.split('\n')), 1):
        if old != new:
            return number
    raise AssertionError('the change touches no line')


def run_generator(source, output):
    return subprocess.run([sys.executable, str(GENERATOR), str(source), str(output)],
                          capture_output=True, text=True, encoding='utf-8', errors='replace')


class GeneratorTestCase(unittest.TestCase):
    def setUp(self):
        self.directory = Path(tempfile.mkdtemp(prefix='catalogue-test-'))
        self.addCleanup(shutil.rmtree, self.directory)

    def assert_rejected(self, text, messages):
        """Runs the generator on text; it must fail, write nothing, and print exactly the
        messages given as (line or None, [fragments])."""
        case_dir = Path(tempfile.mkdtemp(dir=self.directory))
        source = case_dir / 'catalogue.toml'
        # surrogateescape lets a case smuggle in a byte that is not UTF-8.
        source.write_text(text, encoding='utf-8', errors='surrogateescape')
        output_dir = case_dir / 'out'
        output_dir.mkdir()
        result = run_generator(source, output_dir / 'MessageCatalogue.cpp')
        self.assertNotEqual(result.returncode, 0, result.stderr)
        self.assertEqual(list(output_dir.iterdir()), [], 'the generator left a file behind')
        printed = result.stderr.splitlines()
        self.assertEqual(len(printed), len(messages), result.stderr)
        for line, fragments in messages:
            where = f'{source}:{line}: ' if line else f'{source}: '
            self.assertTrue(
                any(m.startswith(where) and all(f in m for f in fragments) for m in printed),
                f'expected "{where}..." saying {fragments}, got:\n{result.stderr}')

    def check_cases(self, cases):
        base = read_base()
        for label, day, old, new, messages in cases:
            with self.subTest(label):
                text, entry_start = mutate(base, day, old, new)
                lines = {'edit': first_changed_line(base, text) if old is not None else None,
                         'entry': text.count('\n', 0, entry_start) + 1, None: None}
                self.assert_rejected(text, [(lines[at], fragments) for at, fragments in messages])


class RejectsBrokenCatalogues(GeneratorTestCase):
    def test_base_is_valid(self):
        output = self.directory / 'MessageCatalogue.cpp'
        result = run_generator(BASE, output)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stderr, '')

    def test_syntax_and_keys(self):
        self.check_cases(SYNTAX_CASES)

    def test_days(self):
        self.check_cases(DAY_CASES)

    def test_titles(self):
        self.check_cases(TITLE_CASES)

    def test_piece_counts_and_types(self):
        self.check_cases(PIECE_CASES)

    def test_characters(self):
        self.check_cases(CHARACTER_CASES)

    def test_each_fault_has_its_own_message(self):
        text, _ = mutate(read_base(), 3, 'DIA TRÊS', 'DIA três')
        text, _ = mutate(text, 20, 'Segundo parágrafo.', 'Segundo & último.')
        text, _ = mutate(text, 31, 'day = 31\nday_text = "31"', 'day = 30\nday_text = "30"')
        lines = text.split('\n')
        self.assert_rejected(text, [
            (lines.index('title = "DIA três"') + 1, ['day 3, title', 'lowercase']),
            (next(n for n, line in enumerate(lines, 1) if '& último' in line),
             ['day 20, commentary paragraph 2', 'ampersand']),
            (len(lines) - lines[::-1].index('day = 30'), ['day 30, day', 'repeated']),
            (None, ['day 31: missing']),
        ])

    def test_unreadable_file(self):
        output = self.directory / 'MessageCatalogue.cpp'
        result = run_generator(self.directory / 'absent.toml', output)
        self.assertNotEqual(result.returncode, 0)
        self.assertFalse(output.exists())
        self.assertRegex(result.stderr, r'^\S*absent\.toml: cannot read')


class GeneratesExactTexts(GeneratorTestCase):
    def test_compiled_catalogue_holds_the_toml_texts(self):
        compiler = shutil.which(CXX)
        self.assertIsNotNone(compiler, f'no C++ compiler {CXX!r}; set BRELUNDA_CXX')
        for source in (BASE, SHIPPED):
            with self.subTest(source=source.name):
                output = self.directory / source.stem / 'MessageCatalogue.cpp'
                output.parent.mkdir()
                result = run_generator(source, output)
                self.assertEqual(result.returncode, 0, result.stderr)
                self.assertEqual([p.name for p in output.parent.iterdir()], [output.name])
                self.assertTrue(output.read_bytes().isascii())
                program = output.parent / 'dump'
                build = subprocess.run(
                    [compiler, *CXX_FLAGS, f'-I{SOURCE_DIR}', str(output),
                     str(HERE / 'dump_catalogue.cpp'), '-o', str(program)],
                    capture_output=True, text=True)
                self.assertEqual(build.returncode, 0, build.stderr)
                self.assertEqual(build.stderr, '', 'the generated code draws warnings')
                dumped = subprocess.run([str(program)], capture_output=True, check=True).stdout
                self.assertEqual(dumped, expected_dump(source))


def expected_dump(source):
    """What dump_catalogue.cpp prints for the catalogue in source."""
    def text(value):
        data = value.encode('utf-8')
        return b'%d %s\n' % (len(data), data)

    def pieces(values):
        return b'%d\n' % len(values) + b''.join(text(v) for v in values)

    with open(source, 'rb') as file:
        entries = sorted(tomllib.load(file)['entry'], key=lambda entry: entry['day'])
    return b''.join(text(e['day_text']) + text(e['title']) + pieces(e['verse'])
                    + pieces(e['commentary']) for e in entries)


if __name__ == '__main__':
    unittest.main()
