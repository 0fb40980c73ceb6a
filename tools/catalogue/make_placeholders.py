#!/usr/bin/python3
"""Writes messages/catalogue.toml with placeholder texts cut to the layout of the real readings.

Usage: make_placeholders.py [--layout LAYOUT.tsv] OUTPUT.toml

Until the real texts arrive, the window has to be laid out and tested against something of the
same shape: the same titles, the same number of pieces, each piece of the same length and with
the same leading or trailing space or dots. The layout lives with the tests
(tests/catalogue/expected_layout.tsv) so that the shipped file is checked against it; this script
reads it and pads ordinary filler words to each exact length. The output is deterministic.
"""

import argparse
import itertools
import os
import re

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_LAYOUT = os.path.join(HERE, '..', '..', 'tests', 'catalogue', 'expected_layout.tsv')

PIECE = re.compile(r'(?:(verse\+ref|verse\+cite|verse|cite|ref) )?(\d+)'
                   r'(?: \((sp|3 dots|end sp)\))?')
MARK_PREFIX = {'sp': ' ', '3 dots': '...'}

# Sentences about the placeholder itself, so that nobody mistakes it for a reading.
FILLER = (
    'Será substituído pelo texto definitivo quando este chegar da revisão.',
    'Este trecho serve apenas para ocupar espaço na tela e mostrar como as linhas quebram.',
    'Nada aqui deve ser lido como conteúdo, apenas como medida de comprimento.',
    'O texto real virá depois e terá o mesmo tamanho que este.',
    'Até lá, palavras comuns preenchem a linha do começo ao fim.',
)
# One word of each length from 2 on, to close a piece exactly on its last character.
CLOSERS = {len(word): word for word in (
    'lá', 'fim', 'aqui', 'texto', 'espaço', 'revisão', 'conteúdo', 'parágrafo', 'tipografia',
    'comprimento')}
NAMES = ('Autor Provisório', 'Fulano de Tal', 'Beltrano', 'Sicrano', 'Fulano')
BOOKS = ('Livro Provisório', 'Obra Provisória', 'Livro Fictício', 'Obra Fictícia', 'Livro Dois',
         'Livro Um', 'Caderno', 'Livro', 'Obra')

HEADER = '''\
# Catálogo das 31 leituras diárias do Brelunda, uma por dia do mês.
#
# ATENÇÃO: todos os textos abaixo são PROVISÓRIOS. Só ocupam o espaço dos textos
# definitivos, com o mesmo tamanho, até que estes sejam fornecidos.
#
# Como editar:
# - Cada dia começa com [[entry]]. Não mude os nomes dos campos
#   (day, day_text, title, verse, commentary).
# - day: o número do dia, de 1 a 31. Cada dia aparece uma única vez.
# - day_text: o mesmo número, entre aspas; por exemplo "7".
# - title: o título, todo em MAIÚSCULAS, com no máximo 23 caracteres.
# - verse: um ou dois trechos; commentary: de três a seis parágrafos.
#   Cada trecho ou parágrafo vai entre aspas e seguido de vírgula, um por linha.
#   Na tela, cada um começa numa linha nova.
# - O que está entre as aspas aparece exatamente assim, inclusive um espaço no
#   começo ou no fim: não apague nem acrescente espaços sem querer.
# - Dentro das aspas, escreva \\" para aspas e \\\\ para a barra invertida.
# - Não use o caractere &, tabulações nem quebras de linha dentro das aspas.
# - Só são aceitos caracteres até o ü: todas as letras acentuadas do português
#   servem, mas não as aspas curvas, o travessão longo nem o caractere de
#   reticências; use aspas retas, hífen e três pontos (...).
# - Ao compilar o programa, estas regras são conferidas e cada erro é indicado
#   com a linha do arquivo em que está.
#
# Developers: see tools/catalogue/README.md.
'''


def read_layout(path):
    """Rows of the layout table as (day, title, verse pieces, paragraphs); a piece is
    (kind, length, mark)."""
    rows = []
    with open(path, encoding='utf-8') as file:
        lines = [line.rstrip('\n') for line in file if not line.startswith('#')]
    for line in lines[1:]:
        day, title, verse, _, commentary, _ = line.split('\t')
        paragraphs = commentary.split(': ', 1)[1]
        rows.append((int(day), title.strip('"'),
                     [PIECE.fullmatch(p).groups() for p in verse.split(' / ')],
                     [PIECE.fullmatch(p).groups() for p in paragraphs.split(' / ')]))
    return rows


def filler_words(start):
    """Filler words without end, from sentence number start on."""
    start %= len(FILLER)
    return itertools.cycle(' '.join(FILLER[start:] + FILLER[:start]).split())


def fill(lead, length, tail, start):
    """lead, filler words, then tail, exactly length characters long; None if lead leaves no
    room for that."""
    room = length - len(lead) - len(tail)
    if room == 0:
        return lead + tail
    # Otherwise lead ends its sentence, and one word at least goes between its period and tail's.
    text, room = lead + '.', room - 1
    if room < 3:
        return None
    words = filler_words(start)
    while room:
        word = next(words)
        left = room - len(word) - 1
        if left >= 3 or (left == 0 and word[-1].isalpha()):
            text, room = f'{text} {word}', left
        elif room - 1 in CLOSERS:
            closer = CLOSERS[room - 1]
            text, room = f'{text} {closer.capitalize() if text.endswith(".") else closer}', 0
    return text + tail


def fitted(leads, length, tail, start):
    """The first of leads that can be padded to length."""
    for lead in leads:
        text = fill(lead, length, tail, start)
        if text is not None:
            return text
    raise ValueError(f'no placeholder fits in {length} characters')


def reference(day, index, length):
    """A made-up book reference such as "(Livro Provisório, 3:4)"."""
    for book, numbers in itertools.product(BOOKS, reference_numbers(day, index)):
        text = f'({book}, {numbers})'
        if len(text) == length:
            return text
    raise ValueError(f'no reference fits in {length} characters')


def citation(day, index, length):
    """A made-up speaker followed by a made-up reference."""
    for name, book, numbers in itertools.product(NAMES, BOOKS, reference_numbers(day, index)):
        text = f'{name} ({book}, {numbers})'
        if len(text) == length:
            return text
    raise ValueError(f'no citation fits in {length} characters')


def reference_numbers(day, index):
    """Chapter:verse numbers of a few widths, all drawn from the day."""
    return [f'{chapter}:{verse}' for chapter in (day, day % 9 + 1)
            for verse in (index + day % 9, index + 10 + day, index + 100 + day)]


def verse_text(day, index, length):
    part = 'Segunda parte provisória' if index == 2 else 'Texto provisório'
    leads = (f'{part} do versículo do dia {day}', f'Versículo provisório do dia {day}',
             'Versículo provisório', 'Texto provisório')
    return fitted(leads, length, '.', day + index)


SOURCES = {'ref': reference, 'cite': citation}


def verse_piece(day, index, kind, length, mark):
    prefix = MARK_PREFIX.get(mark, '')
    suffix = ' ' if mark == 'end sp' else ''
    length -= len(prefix) + len(suffix)
    if kind == 'verse':
        return prefix + verse_text(day, index, length) + suffix
    if kind in ('ref', 'cite'):
        return prefix + SOURCES[kind](day, index, length) + suffix
    # verse+ref, verse+cite: the source takes about a third, or whatever the verse leaves.
    make = SOURCES[kind.split('+')[1]]
    for share in range(min(max(length // 3, 20), 26), 10, -1):
        try:
            body = f'{verse_text(day, index, length - share - 1)} {make(day, index, share)}'
        except ValueError:
            continue
        return prefix + body + suffix
    raise ValueError(f'no {kind} fits in {length} characters')


def paragraph(day, index, length, mark):
    prefix = MARK_PREFIX.get(mark, '')
    tail = '. ' if mark == 'end sp' else '.'
    leads = (f'Parágrafo provisório {index} do dia {day}', f'Parágrafo provisório {index}',
             'Texto provisório')
    if mark == '3 dots':  # the paragraph carries on a sentence
        leads = tuple(lead[0].lower() + lead[1:] for lead in leads)
    return prefix + fitted(leads, length - len(prefix), tail, day + index)


def toml_string(text):
    return '"' + text.replace('\\', '\\\\').replace('"', '\\"') + '"'


def catalogue(rows):
    out = [HEADER]
    for day, title, verse, commentary in rows:
        out += ['[[entry]]', f'day = {day}', f'day_text = "{day}"', f'title = {toml_string(title)}',
                'verse = [']
        out += [f'  {toml_string(verse_piece(day, i, kind, int(n), mark))},'
                for i, (kind, n, mark) in enumerate(verse, 1)]
        out += [']', 'commentary = [']
        out += [f'  {toml_string(paragraph(day, i, int(n), mark))},'
                for i, (_, n, mark) in enumerate(commentary, 1)]
        out += [']', '']
    return '\n'.join(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--layout', default=DEFAULT_LAYOUT, help='layout table (TSV)')
    parser.add_argument('output', help='TOML file to write')
    args = parser.parse_args()
    with open(args.output, 'w', encoding='utf-8', newline='\n') as file:
        file.write(catalogue(read_layout(args.layout)))


if __name__ == '__main__':
    main()
