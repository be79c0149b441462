#!/usr/bin/env python3
"""Writes the letter-to-sound data files of the diphone voice from their sources.

  tools/l2s/rules.txt       -> data/drive_c/quiral/som/difones/regras.rgr
  tools/l2s/exceptions.txt  -> data/drive_c/quiral/som/difones/portug.exc

Both outputs are cp1252 text with CR LF line ends. Comment lines ("//...") and
blank lines of the sources are dropped. The exceptions' words are turned into
the translator's notation (lower case, accented letters as letter + mark) and
sorted by byte order; the run is deterministic.

Usage: make_rules.py [--drive-c DIR]
"""
import argparse
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

# The translator's text preparation for the letters the word list uses.
ACCENTS = {
    'á': "a'", 'à': 'a`', 'â': 'a^', 'ã': 'a~', 'ä': 'a~',
    'é': "e'", 'è': 'e`', 'ê': 'e^', 'ë': 'e"',
    'í': "i'", 'ì': 'i`', 'î': 'i^', 'ï': 'i"',
    'ó': "o'", 'ò': 'o`', 'ô': 'o^', 'õ': 'o~', 'ö': 'o`',
    'ú': "u'", 'ù': 'u`', 'û': 'u^', 'ü': 'u',
    'ç': 'ss', 'ñ': 'nh',
}
MAX_RULE_PARTS = (5, 5, 5, 11)


def to_notation(word):
    """A word as the translator reads it: lower case, internal accent notation."""
    out = []
    for ch in word.lower():
        out.append(ACCENTS.get(ch, ch))
    return ''.join(out)


def source_lines(path):
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip('\r\n')
            if not line.strip() or line.lstrip().startswith('//'):
                continue
            yield number, line


def check_rule(path, number, line):
    """Rejects lines the loader would cut or skip, so the source says what loads."""
    def fail(why):
        sys.exit(f'{path}:{number}: {why}: {line}')
    if '(' not in line or ')' not in line or '=' not in line:
        fail('a rule needs "(", ")" and "="')
    left, rest = line.split('(', 1)
    match, rest = rest.split(')', 1)
    right, output = rest.split('=', 1)
    output = output.split('|', 1)[0]
    for part, limit in zip((left, match, right, output), MAX_RULE_PARTS):
        if len(part) > limit:
            fail(f'"{part}" is longer than {limit}')
    if not match or not (32 <= ord(match[0]) <= 95):
        fail('the match must begin with a character from 32 to 95')
    if any(ch.islower() for ch in left + match + right):
        fail('letters of contexts and matches are written in upper case')
    line.encode('cp1252')


def make_rules(drive_c):
    source = os.path.join(HERE, 'rules.txt')
    rules = []
    for number, line in source_lines(source):
        line = line.strip()
        check_rule(source, number, line)
        rules.append(line)
    return rules


def make_exceptions():
    source = os.path.join(HERE, 'exceptions.txt')
    entries = {}
    for number, line in source_lines(source):
        text = line.split('//', 1)[0]
        if '=' not in text:
            sys.exit(f'{source}:{number}: "word = replacement" expected: {line}')
        word, replacement = (part.strip() for part in text.split('=', 1))
        key = to_notation(word)
        if not key or not replacement or '|' in key + replacement or '=' in key:
            sys.exit(f'{source}:{number}: bad entry: {line}')
        if key in entries:
            sys.exit(f'{source}:{number}: "{word}" is listed twice')
        entries[key] = replacement
    keys = sorted(entries, key=lambda k: k.encode('cp1252'))
    return [f'{k}={entries[k]}' for k in keys]


def write_cp1252(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    data = ''.join(line + '\r\n' for line in lines).encode('cp1252')
    with open(path, 'wb') as f:
        f.write(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument('--drive-c', default=os.path.join(ROOT, 'data', 'drive_c'))
    args = parser.parse_args()
    folder = os.path.join(args.drive_c, 'quiral', 'som', 'difones')
    rules = make_rules(args.drive_c)
    exceptions = make_exceptions()
    write_cp1252(os.path.join(folder, 'regras.rgr'), rules)
    write_cp1252(os.path.join(folder, 'portug.exc'), exceptions)
    print(f'regras.rgr: {len(rules)} rules; portug.exc: {len(exceptions)} exceptions')


if __name__ == '__main__':
    main()
