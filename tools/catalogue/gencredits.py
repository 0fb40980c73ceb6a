#!/usr/bin/python3
"""Turns messages/credits.toml into ui/SobreCredits.h, the texts of the About window's labels.

Usage: gencredits.py CREDITS.toml OUTPUT.h

The window description (ui/SobreForm.cpp) keeps each label's place, font and colour; only the
texts are supplied content. They obey what every supplied text obeys (content.py) and what each
label's role fixes; whether a text fits its label is the fit report's question, not a rule here.
"""

import re
import sys

from content import cpp_string, generate, key_lines, lowercase_fault, text_faults, type_name

YEAR = re.compile(r'(?<![0-9])[0-9]{4}(?![0-9])')


def author_fault(text):
    preposition, _, name = text.partition(' ')
    if not name.strip():
        return 'must be a preposition and then the author\'s name, as in "de NOME"'
    if fault := lowercase_fault(name):
        return f'the name after "{preposition}" {fault}'
    return None


def second_credit_fault(text):
    preposition, _, name = text.partition(' ')
    if preposition.lower() != 'por' or not name.strip():
        return 'must begin with "por" and then a name, as in "por Nome"'
    return None


def rights_fault(text):
    if not YEAR.search(text):
        return 'must hold the year of publication in four digits, as in "Copyright 1990 by"'
    return None


# The texts in the window's order: key in the file, the label that shows it, its own rule.
CREDITS = (
    ('title', 'Label1', None),
    ('author', 'Label2(0)', author_fault),
    ('second_credit', 'Label2(1)', second_credit_fault),
    ('rights', 'Label3(0)', rights_fault),
    ('publisher', 'Label3(1)', lowercase_fault),
    ('presentation', 'Label3(2)', None),
    ('purpose', 'Label4', None),
)
KEYS = tuple(key for key, _, _ in CREDITS)


def check_credits(report, text, document):
    """Applies every rule; returns the texts by key when all is well."""
    lines, _ = key_lines(text)
    for key in document:
        if key not in KEYS:
            report.add(lines.get(key), f'unknown key {key!r}; the keys are ' + ', '.join(KEYS))
    for key, _, rule in CREDITS:
        if key not in document:
            report.add(None, f'missing key {key!r}')
            continue
        value, line = document[key], lines.get(key)
        if not isinstance(value, str):
            report.add(line, f'{key}: must be a string, found {type_name(value)}')
            continue
        faults = text_faults(value)
        if not value.strip():
            faults.append('must not be empty')
        elif rule and (fault := rule(value)):
            faults.append(fault)
        for fault in faults:
            report.add(line, f'{key}: {fault}')
    return None if report.faults else document


def cpp_header(credits):
    lines = ['#pragma once',
             '',
             '#include <string_view>',
             '',
             '// The About window\'s texts, UTF-8, one for each of its labels.',
             'namespace ui::credits {']
    for key, label, _ in CREDITS:
        lines.append(f'inline constexpr std::string_view {key} = {cpp_string(credits[key])}; '
                     f'// {label}')
    lines += ['} // namespace ui::credits', '']
    return '\n'.join(lines)


if __name__ == '__main__':
    sys.exit(generate(sys.argv, check_credits, cpp_header))
