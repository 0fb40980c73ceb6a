#!/usr/bin/python3
"""Turns messages/catalogue.toml into the C++ definition of MessageCatalogue.

Usage: gencatalogue.py CATALOGUE.toml OUTPUT.cpp

The people who supply the texts are not programmers, so every fault is reported as
"file:line: what is wrong" and nothing is written until the whole file is clean: a broken
catalogue must stop the build rather than reach the window half-filled. What every supplied text
obeys, and the reading and writing, live in content.py, shared with the About window's credits.
"""

import sys

from content import cpp_string, generate, key_lines, lowercase_fault, text_faults, type_name

FIRST_DAY, LAST_DAY = 1, 31
KEYS = ('day', 'day_text', 'title', 'verse', 'commentary')
TITLE_MAX = 23
VERSE_COUNT = (1, 2)
COMMENTARY_COUNT = (3, 6)


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
            if fault := lowercase_fault(title):
                report.add(line, f'{where}, title: {fault}')
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


def cpp_source(by_day):
    lines = ['#include "messages/DailyEntry.h"',
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


if __name__ == '__main__':
    sys.exit(generate(sys.argv, check_catalogue, cpp_source))
