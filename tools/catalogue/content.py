"""What every generator of supplied content shares: reading a TOML file written by people who
are not programmers, the rules every text obeys whatever label shows it, and writing C++.

The generators (gencatalogue.py, gencredits.py) add the rules of their own texts. All of them
report each fault as "file:line: what is wrong" and write nothing until the whole file is clean:
a broken text must stop the build rather than reach a window half-filled.
"""

import os
import re
import string
import sys
import tempfile
import tomllib
import unicodedata

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


def lowercase_fault(value):
    """The fault of a text that must be in capitals, or None."""
    lowercase = [c for c in value if unicodedata.category(c) == 'Ll']
    if lowercase:
        return 'must be in capitals, found lowercase ' + ' '.join(dict.fromkeys(lowercase))
    return None


def type_name(value):
    return {bool: 'a boolean', int: 'an integer', float: 'a number', str: 'a string',
            list: 'an array', dict: 'a table'}.get(type(value), 'a date or time')


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


def load(report, path):
    """Reads and parses a content file; returns (text, document) or None after reporting."""
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
    handle, temporary = tempfile.mkstemp(dir=directory, prefix='.content-', suffix='.tmp')
    try:
        with os.fdopen(handle, 'w', encoding='ascii', newline='\n') as file:
            file.write(content)
        os.replace(temporary, path)
    except BaseException:
        os.unlink(temporary)
        raise


def generate(argv, check, render):
    """The command line of a generator: SOURCE.toml OUTPUT.

    check(report, text, document) applies the file's rules and returns what render needs, or
    None when it has reported any fault; render(checked) returns the C++ text, which is written
    under a line saying where it comes from.
    """
    if len(argv) != 3:
        print(f'usage: {os.path.basename(argv[0])} SOURCE.toml OUTPUT', file=sys.stderr)
        return 2
    source, output = argv[1], argv[2]
    report = Report(source)
    loaded = load(report, source)
    checked = check(report, *loaded) if loaded else None
    if checked is None:
        for fault in report.faults:
            print(fault, file=sys.stderr)
        return 1
    try:
        banner = (f'// Generated by tools/catalogue/{os.path.basename(argv[0])} from {os.path.basename(source)}.\n'
                  '// Edit the TOML file, not this one.\n')
        write_atomically(output, banner + render(checked))
    except OSError as error:
        print(f'{output}: cannot write: {error.strerror}', file=sys.stderr)
        return 1
    return 0
