#!/usr/bin/python3
"""Turns messages/catalogue.toml into the C++ definition of MessageCatalogue.

Usage: gencatalogue.py CATALOGUE.toml OUTPUT.cpp

The people who supply the texts are not programmers, so every fault is reported as
"file:line: what is wrong" and nothing is written until the whole file is clean: a broken
catalogue must stop the build rather than reach the window half-filled.
"""

import os
import re
import string
import sys
import tempfile
import tomllib
import unicodedata

FIRST_DAY, LAST_DAY = 1, 31
KEYS = ('day', 'day_text', 'title', 'verse', 'commentary')
TITLE_MAX = 23
VERSE_COUNT = (1, 2)
COMMENTARY_COUNT = (3, 6)
# U+00FC (u with diaeresis) covers Portuguese; what lies beyond it (typographic quotes, long
# dashes, the ellipsis character) usually arrives by pasting from a word processor.
HIGHEST_CHAR = 0xFC

CONTROL_NAMES = {0x09: 'tab', 0x0A: 'line feed', 0x0D: 'carriage return'}

ENTRY_HEADER = re.compile(r'\s*\[\[\s*entry\s*\]\]')
OTHER_HEADER = re.compile(r'\s*\[\[?\s*([A-Za-z0-9_-]*)')
KEY_LINE = re.compile(r'\s*([A-Za-z0-9_-]+)\s*=')
PARSER_POSITION = re.compile(r' \(at (?:line (\d+), column \d+|end of document)\)$')


class Report:
    """Collects one message per fault, each pointing at the best place we can name."""

    def __init__(self, path):
        self.path = path
        self.faults = []

    def add(self, line, message):
        where = f'{self.path}:{line}' if line else self.path
        self.faults.append(f'{where}: {message}')


def key_lines(text):
    """Line numbers of the top-level keys, and of each key inside each [[entry]] block.

    tomllib gives positions only for syntax errors; for content rules we find the lines
    ourselves. Entries written in any other TOML form simply get no line numbers.
    """
    top, blocks = {}, []
    current = top
    for number, line in enumerate(text.split('\n'), 1):
        if ENTRY_HEADER.match(line):
            current = {'[[entry]]': number}
            blocks.append(current)
        elif header := OTHER_HEADER.match(line):
            top.setdefault(header.group(1), number)
            current = {}
        elif match := KEY_LINE.match(line):
            current.setdefault(match.group(1), number)
    return top, blocks


def text_faults(value):
    """Faults that make a string unfit for any label."""
    faults = []
    for char in dict.fromkeys(value):
        code = ord(char)
        if code < 0x20 or 0x7F <= code <= 0x9F:
            name = CONTROL_NAMES.get(code, 'control character')
            faults.append(f'{name} U+{code:04X} is not allowed; a new line on screen comes only '
                          'from starting a new piece')
        elif code > HIGHEST_CHAR:
            faults.append(f'character {char!r} (U+{code:04X}) is above U+00FC')
        elif char == '&':
            faults.append('the ampersand (&) is not allowed')
    return faults


def type_name(value):
    return {bool: 'a boolean', int: 'an integer', float: 'a number', str: 'a string',
            list: 'an array', dict: 'a table'}.get(type(value), 'a date or time')


def check_pieces(report, where, line, name, value, count_range, noun):
    low, high = count_range
    if not isinstance(value, list):
        report.add(line, f'{where}, {name}: must be an array of strings, found {type_name(value)}')
        return
    if not low <= len(value) <= high:
        report.add(line, f'{where}, {name}: must have {low} to {high} {noun}s, found {len(value)}')
    for index, piece in enumerate(value, 1):
        if not isinstance(piece, str):
            report.add(line, f'{where}, {name} {noun} {index}: must be a string, '
                             f'found {type_name(piece)}')
            continue
        for fault in text_faults(piece):
            report.add(line, f'{where}, {name} {noun} {index}: {fault}')


def check_entry(report, position, entry, lines):
    """Checks one [[entry]]; returns its day if that is a usable day number, else None."""
    line_of = lines.get if lines else (lambda key: None)
    header = line_of('[[entry]]')
    day = entry.get('day')
    valid_day = type(day) is int and FIRST_DAY <= day <= LAST_DAY
    where = f'day {day}' if valid_day else f'entry {position}'

    for key in entry:
        if key not in KEYS:
            report.add(line_of(key), f'{where}: unknown key {key!r}; the keys are '
                                     + ', '.join(KEYS))
    for key in KEYS:
        if key not in entry:
            report.add(header, f'{where}: missing key {key!r}')

    if 'day' in entry and not valid_day:
        report.add(line_of('day'), f'{where}, day: must be an integer from {FIRST_DAY} to '
                                   f'{LAST_DAY}, found {day!r}')
    if 'day_text' in entry and valid_day and entry['day_text'] != str(day):
        report.add(line_of('day_text'), f'{where}, day_text: must be "{day}", the day written in '
                                        f'decimal, found {entry["day_text"]!r}')

    if 'title' in entry:
        title, line = entry['title'], line_of('title')
        if not isinstance(title, str):
            report.add(line, f'{where}, title: must be a string, found {type_name(title)}')
        else:
            if not title:
                report.add(line, f'{where}, title: must not be empty')
            if len(title) > TITLE_MAX:
                report.add(line, f'{where}, title: has {len(title)} characters, '
                                 f'at most {TITLE_MAX} fit')
            lowercase = [c for c in title if unicodedata.category(c) == 'Ll']
            if lowercase:
                report.add(line, f'{where}, title: must be in capitals, found lowercase '
                                 + ' '.join(dict.fromkeys(lowercase)))
            for fault in text_faults(title):
                report.add(line, f'{where}, title: {fault}')

    if 'verse' in entry:
        check_pieces(report, where, line_of('verse'), 'verse', entry['verse'], VERSE_COUNT,
                     'piece')
    if 'commentary' in entry:
        check_pieces(report, where, line_of('commentary'), 'commentary', entry['commentary'],
                     COMMENTARY_COUNT, 'paragraph')
    return day if valid_day else None


def check_catalogue(report, text, document):
    """Applies every content rule; returns the entries indexed by day when all is well."""
    top, blocks = key_lines(text)
    for key in document:
        if key != 'entry':
            report.add(top.get(key), f'unknown top-level key {key!r}; only [[entry]] blocks '
                                     'belong here')
    entries = document.get('entry', [])
    if not isinstance(entries, list) or not all(isinstance(e, dict) for e in entries):
        report.add(top.get('entry'), "'entry' must be written as [[entry]] blocks")
        return None

    if len(blocks) != len(entries):
        blocks = [None] * len(entries)
    by_day, day_line = {}, {}
    for position, (entry, lines) in enumerate(zip(entries, blocks), 1):
        day = check_entry(report, position, entry, lines)
        if day is None:
            continue
        line = lines.get('day') if lines else None
        if day in by_day:
            first = f' (first at line {day_line[day]})' if day_line[day] else ''
            report.add(line, f'day {day}, day: repeated{first}; each day appears only once')
        else:
            by_day[day], day_line[day] = entry, line
    for day in range(FIRST_DAY, LAST_DAY + 1):
        if day not in by_day:
            report.add(None, f'day {day}: missing; every day from {FIRST_DAY} to {LAST_DAY} '
                             'needs an [[entry]]')
    return None if report.faults else by_day


def cpp_string(text):
    """A C++ literal holding exactly the UTF-8 of text, in plain ASCII.

    A hex escape swallows every hex digit after it, so a literal is closed and reopened
    whenever one would follow; the compiler joins adjacent literals after decoding escapes.
    """
    out, after_hex = [], False
    for byte in text.encode('utf-8'):
        char = chr(byte)
        if byte < 0x20 or byte >= 0x7F:
            out.append(f'\\x{byte:02x}')
            after_hex = True
            continue
        if after_hex and char in string.hexdigits:
            out.append('" "')
        after_hex = False
        # '?' is escaped too, so no sequence can be read as a trigraph by an old compiler.
        out.append('\\' + char if char in '"\\?' else char)
    return '"' + ''.join(out) + '"'


def cpp_source(by_day, source_name):
    lines = [f'// Generated by tools/catalogue/gencatalogue.py from {source_name}.',
             '// Edit the TOML file, not this one.',
             '#include "messages/DailyEntry.h"',
             '']
    for day in range(FIRST_DAY, LAST_DAY + 1):
        for field in ('verse', 'commentary'):
            lines.append(f'static constexpr std::string_view {field}{day:02}[] = {{')
            lines += [f'    {cpp_string(piece)},' for piece in by_day[day][field]]
            lines.append('};')
    lines += ['',
              '// constinit: other static objects may read the catalogue during their own',
              '// initialisation, so it must never wait for dynamic initialisation.',
              'constinit const std::array<DailyEntry, lastDay> MessageCatalogue = {{']
    for day in range(FIRST_DAY, LAST_DAY + 1):
        entry = by_day[day]
        lines.append(f'    {{{cpp_string(entry["day_text"])}, {cpp_string(entry["title"])}, '
                     f'verse{day:02}, commentary{day:02}}},')
    lines += ['}};', '']
    return '\n'.join(lines)


def load(report, path):
    """Reads and parses the catalogue; returns (text, document) or None after reporting."""
    try:
        with open(path, 'rb') as file:
            raw = file.read()
    except OSError as error:
        report.add(None, f'cannot read the file: {error.strerror}')
        return None
    try:
        text = raw.decode('utf-8-sig')  # tolerate the BOM some editors add
    except UnicodeDecodeError as error:
        report.add(raw.count(b'\n', 0, error.start) + 1, 'the file is not valid UTF-8')
        return None
    try:
        return text, tomllib.loads(text)
    except tomllib.TOMLDecodeError as error:
        message = str(error)
        match = PARSER_POSITION.search(message)
        line = None
        if match:
            line = int(match.group(1)) if match.group(1) else text.count('\n') + 1
            message = message[:match.start()]
        report.add(line, f'malformed TOML: {message}')
        return None


def write_atomically(path, content):
    """Replaces path only once the whole content is on disk, so no build sees half a file."""
    directory = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(dir=directory, prefix='.catalogue-', suffix='.tmp')
    try:
        with os.fdopen(handle, 'w', encoding='ascii', newline='\n') as file:
            file.write(content)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def main(argv):
    if len(argv) != 3:
        print(f'usage: {os.path.basename(argv[0])} CATALOGUE.toml OUTPUT.cpp', file=sys.stderr)
        return 2
    source, output = argv[1], argv[2]
    report = Report(source)
    loaded = load(report, source)
    by_day = check_catalogue(report, *loaded) if loaded else None
    if by_day is None:
        for fault in report.faults:
            print(fault, file=sys.stderr)
        return 1
    try:
        write_atomically(output, cpp_source(by_day, os.path.basename(source)))
    except OSError as error:
        print(f'{output}: cannot write: {error.strerror}', file=sys.stderr)
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
