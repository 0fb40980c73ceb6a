"""The generators of supplied content (tools/catalogue/), run as the build runs them: a broken file
is refused with "file:line: rule" for each fault and no output; valid content compiles and holds
its texts byte for byte (read back by dump_content.cpp)."""

# BRELUNDA_SOURCE_DIR and BRELUNDA_CXX come from cmake/Catalogue.cmake; standalone, this checkout and g++.

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
TOOLS = SOURCE_DIR / 'tools' / 'catalogue'
CXX = os.environ.get('BRELUNDA_CXX', 'g++')
CXX_FLAGS = ['-std=c++20', '-Wall', '-Wextra', '-Wpedantic', '-Wshadow', '-Wconversion', '-Werror']
sys.path.insert(0, str(TOOLS))
from gencredits import KEYS as CREDIT_KEYS  # noqa: E402  (the order the header is written in)

# Each case: label, the text whose first occurrence is replaced, its replacement, and every
# message the generator must print, as (where, fragments the message must contain...). Where is
# 'edit' for the line the change is on, 'entry' for the [[entry]] line above it, None for a fault
# with no place in the file.
MISSING_5 = (None, 'day 5: missing')
VERSE_5 = '"Verso provisório do dia cinco."'
CATALOGUE_CASES = [
    ('unterminated string', 'title = "DIA CINCO"', 'title = "DIA CINCO', [('edit', 'malformed TOML')]),
    ('invalid UTF-8', 'DIA CINCO', 'DIA \udcff CINCO', [('edit', 'not valid UTF-8')]),
    ('misspelt key', 'title = "DIA CINCO"', 'titel = "DIA CINCO"',
     [('edit', 'day 5', "unknown key 'titel'"), ('entry', 'day 5', "missing key 'title'")]),
    ('unknown table', '[[entry]]', '[autor]\nnome = "X"\n\n[[entry]]', [('edit', "top-level key 'autor'")]),
    ('day out of range', 'day = 5', 'day = 32', [('edit', 'entry 5, day', '1 to 31'), MISSING_5]),
    ('day repeated', 'day = 5\nday_text = "5"', 'day = 4\nday_text = "4"',
     [('edit', 'day 4, day', 'repeated', 'first at line'), MISSING_5]),
    ('day_text padded', 'day_text = "5"', 'day_text = "05"', [('edit', 'day 5, day_text', 'must be "5"')]),
    ('long title', '"DIA CINCO"', '"' + 'A' * 24 + '"', [('edit', 'day 5, title', '24 characters', '23')]),
    ('lowercase title', 'DIA CINCO', 'DIA CINCó', [('edit', 'day 5, title', 'lowercase ó')]),
    ('three verse pieces', VERSE_5, f'{VERSE_5}, {VERSE_5}', [('edit', 'day 5, verse', '1 to 2', 'found 3')]),
    ('two paragraphs', '"Primeiro parágrafo.", ', '', [('edit', 'day 3, commentary', '3 to 6', 'found 2')]),
    ('verse not an array', f'[{VERSE_5}, " (Livro Provisório, 5:5)"]', VERSE_5,
     [('edit', 'day 5, verse', 'array')]),
    ('above U+00FC', 'Segundo', 'Segýndo', [('edit', 'day 3, commentary paragraph 2', 'U+00FD', 'U+00FC')]),
    ('tab', 'Segundo parágrafo.', 'Segundo\\tparágrafo.', [('edit', 'paragraph 2', 'U+0009', 'not')]),
    ('ampersand', 'DIA CINCO', 'DIA & CINCO', [('edit', 'day 5, title', 'ampersand')]),
]
CREDIT_CASES = [
    ('misspelt key', 'title =', 'titulo =',
     [('edit', "unknown key 'titulo'"), (None, "missing key 'title'")]),
    ('not a string', '"(c) 1990 by"', '1990', [('edit', 'rights: must be a string', 'integer')]),
    ('only spaces', '"Termina com espaço. "', '"  "', [('edit', 'purpose: must not be empty')]),
    ('author name in lowercase', 'FULANO', 'Fulano', [('edit', 'author: the name after "de"', 'u l a n o')]),
    ('author alone', '"de FULANO ÀÉÎÕÜÇ"', '"FULANO"', [('edit', 'author', 'preposition')]),
    ('second credit not by', '"por Pessoa', '"de Pessoa', [('edit', 'second_credit', '"por"')]),
    ('year not in digits', '1990', '19XX', [('edit', 'rights', 'year', 'four digits')]),
    ('publisher in lowercase', 'EDITORA', 'Editora', [('edit', 'publisher', 'capitals', 'd i t o r a')]),
]
# Each generator, its cases, the valid file they change, the shipped file, the output's name.
MESSAGES = SOURCE_DIR / 'messages'
CONTENT = [('gencatalogue.py', CATALOGUE_CASES, HERE / 'valid_base.toml', MESSAGES / 'catalogue.toml',
            'content.cpp'),
           ('gencredits.py', CREDIT_CASES, HERE / 'valid_credits.toml', MESSAGES / 'credits.toml',
            'ui/SobreCredits.h')]


def run_generator(generator, source, output):
    return subprocess.run([sys.executable, str(TOOLS / generator), str(source), str(output)],
                          capture_output=True, text=True, encoding='utf-8', errors='replace')


class Generators(unittest.TestCase):
    def setUp(self):
        self.directory = Path(tempfile.mkdtemp(prefix='content-test-'))
        self.addCleanup(shutil.rmtree, self.directory)

    def assert_refused(self, generator, text, messages):
        """The generator must fail on text, write nothing, and print exactly the messages given
        as (line or None, fragments...)."""
        case_dir = Path(tempfile.mkdtemp(dir=self.directory))
        source, output = case_dir / 'content.toml', case_dir / 'out'
        # surrogateescape lets a case smuggle in a byte that is not UTF-8.
        source.write_text(text, encoding='utf-8', errors='surrogateescape')
        output.mkdir()
        result = run_generator(generator, source, output / 'generated')
        self.assertNotEqual(result.returncode, 0, result.stderr)
        self.assertEqual(list(output.iterdir()), [], 'the generator left a file behind')
        printed = result.stderr.splitlines()
        self.assertEqual(len(printed), len(messages), result.stderr)
        for line, *fragments in messages:
            where = f'{source}:{line}: ' if line else f'{source}: '
            self.assertTrue(any(m.startswith(where) and all(f in m for f in fragments) for m in printed),
                            f'expected "{where}..." saying {fragments}, got:\n{result.stderr}')

    def test_broken_content_is_refused(self):
        for generator, cases, base_file, *_ in CONTENT:
            base = base_file.read_text(encoding='utf-8')
            for label, old, new, messages in cases:
                with self.subTest(f'{generator}: {label}'):
                    at = base.index(old)
                    lines = {'edit': base.count('\n', 0, at) + 1, None: None,
                             'entry': base.count('\n', 0, base.rfind('[[entry]]', 0, at)) + 1}
                    self.assert_refused(generator, base[:at] + new + base[at + len(old):],
                                        [(lines[where], *fragments) for where, *fragments in messages])

    def test_valid_content_compiles_and_holds_its_texts(self):
        compiler = shutil.which(CXX)
        self.assertIsNotNone(compiler, f'no C++ compiler {CXX!r}; set BRELUNDA_CXX')
        for shipped in (False, True):
            with self.subTest(shipped=shipped):
                out = self.directory / str(shipped)
                (out / 'ui').mkdir(parents=True)
                sources = [content[3 if shipped else 2] for content in CONTENT]
                for (generator, *_, name), source in zip(CONTENT, sources):
                    result = run_generator(generator, source, out / name)
                    self.assertEqual((result.returncode, result.stderr), (0, ''))
                    self.assertTrue((out / name).read_bytes().isascii())
                build = subprocess.run([compiler, *CXX_FLAGS, f'-I{SOURCE_DIR}', f'-I{out}', '-o',
                                        out / 'dump', HERE / 'dump_content.cpp', out / 'content.cpp'],
                                       capture_output=True)
                self.assertEqual((build.returncode, build.stderr), (0, b''), 'warnings or errors')
                dumped = subprocess.run([out / 'dump'], capture_output=True, check=True).stdout
                self.assertEqual(dumped, expected_dump(*sources))


def expected_dump(catalogue, credits):
    """What dump_content.cpp prints for these sources."""
    def text(value):
        data = value.encode('utf-8')
        return b'%d %s\n' % (len(data), data)

    def pieces(values):
        return b'%d\n' % len(values) + b''.join(text(v) for v in values)

    entries = sorted(tomllib.loads(catalogue.read_text('utf-8'))['entry'], key=lambda e: e['day'])
    texts = tomllib.loads(credits.read_text('utf-8'))
    return b''.join([*(text(e['day_text']) + text(e['title']) + pieces(e['verse'])
                       + pieces(e['commentary']) for e in entries),
                     *(text(texts[key]) for key in CREDIT_KEYS)])


if __name__ == '__main__':
    unittest.main()
