#!/usr/bin/env python3
"""Lists the diphone keys the voice is asked for when it speaks a word list.

Runs the letter-to-sound translator (l2s-probe) over the words, then cuts each
phonetic text into tokens and pieces exactly as the diphone synthesizer does
(NextPhoneticToken, SpeakPhoneticWord, SpeakPhoneticPiece) and prints every key
"$..." it looks up, in upper case, with the number of times it is used:

  KEY<TAB>COUNT[<TAB>never found: longer than 8]

With --fallbacks the keys the synthesizer tries when a key is missing
(ConcatDiphone's shorter keys, "$...CIRC" for a nasal vowel, "$NN") are listed
too, marked "fallback". Spelled characters ("_98" from "[ /_b]") are letter
recordings, not diphones; --letters lists them as well.

Usage:
  list_keys.py [--probe PATH] [--words FILE | -] [--fallbacks] [--letters]
               [--sort count|key]
The default word list is /usr/share/dict/brazilian (UTF-8; "-" reads stdin).
"""
import argparse
import collections
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from check_wbrazilian import find_probe, read_words, run_probe  # noqa: E402

VOWELS = set('AEIOUaeiouwy')
CONSONANTS = set('bcdfgjklmnpqrstvxz')
GLIDES = set('wy')
PAUSES = {'_,', '_.', '_:', '_;'}
MAX_KEY = 8


def tokens(text):
    """NextPhoneticToken over a whole phonetic text."""
    pos, n = 0, len(text)
    while pos < n:
        if text[pos] == '[':
            pos += 1
        token = ''
        while pos < n and text[pos] not in ' ]':
            c = text[pos]
            if c == '/':
                if len(token) > 8:
                    break
                pos += 1
                continue
            if c == '_':
                token += '_' + (text[pos + 1] if pos + 1 < n else '')
                pos += 2
                continue
            token = '_TRACO' if c == '|' else token + c
            pos += 1
        pos += 1
        token = token[:40]
        if token not in PAUSES:
            yield token


def pieces(w, out):
    """SpeakPhoneticWord: the pieces a token is played as, in order."""
    n = len(w)
    if n == 0:
        return
    if n == 1:
        out.append(w)
    elif n > 2 and w[0] in CONSONANTS and w[1] in CONSONANTS and w[:2] not in ('dj', 'nh', 'rr', 'ks') \
            and w[:3] != 'tch':
        out.append(w[0])
        pieces(w[1:], out)
    elif n > 2 and w.endswith('rr'):
        pieces(w[:-2], out)
        out.append('rr')
    elif n > 2 and w[-1] in CONSONANTS:
        pieces(w[:-1], out)
        pieces(w[-1], out)
    elif w[-1] in GLIDES and w[-2] in VOWELS and n > 2:
        pieces(w[:-1], out)
        out.append(w[-2:])
    elif w[-1] in GLIDES and w[-2] in '^~':
        if n > 3:
            pieces(w[:-2] + '^' if w[-2] == '~' else w[:-1], out)
            out.append(w[-3] + w[-1] + w[-2])
        elif n == 3:
            out.append(w[0] + w[2] + w[1])
    elif w != '_s' and w.endswith('s'):
        pieces(w[:-1], out)
        out.append('s')
    else:
        out.append(w)


def piece_keys(p):
    """SpeakPhoneticPiece: the keys ConcatDiphone is called with."""
    p = p[:12]
    if p.startswith('_'):
        return ['_' + str(ord(p[1]))] if len(p) > 1 else []
    keys, key = [], '$'
    for c in p:
        if c == '^':
            keys.append(key + 'CIRC')
            key = '$'
        elif c == '~':
            keys.append(key + 'TIL')
            key = '$'
        elif len(key) < 12:
            key += c
    if key != '$':
        keys.append(key)
    return [k[:12].upper() for k in keys]


def fallbacks(k):
    """ConcatDiphone's keys tried, in order, when k is missing."""
    n = len(k)
    if n <= 2:
        return []
    if k[-1] in 'AEIOUWY':
        return [k[:-1], '$' + k[-1]]
    if k.endswith('CIRC') and n > 6:
        return [k[:n - 5], '$' + k[n - 5:]]
    if k.endswith('TIL'):
        stem = k[:-3]
        return [stem if stem[-1] in 'IU' else stem + 'CIRC', '$NN']
    return []


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument('--probe')
    p.add_argument('--rules')
    p.add_argument('--exceptions')
    p.add_argument('--words', help='a UTF-8 word list, one word a line ("-": stdin)')
    p.add_argument('--fallbacks', action='store_true')
    p.add_argument('--letters', action='store_true')
    p.add_argument('--sort', choices=('count', 'key'), default='count')
    args = p.parse_args()
    if args.words == '-':
        words = [w.strip() for w in sys.stdin if w.strip()]
    elif args.words:
        with open(args.words, encoding='utf-8') as f:
            words = [w.strip() for w in f if w.strip()]
    else:
        words = read_words(0, 1)
    words = [w for w in words if w.encode('cp1252', errors='replace').decode('cp1252') == w]
    phonetic = run_probe(find_probe(args.probe), words, args.rules, args.exceptions)
    primary = collections.Counter()
    for text in phonetic:
        for token in tokens(text):
            played = []
            pieces(token, played)
            for piece in played:
                primary.update(piece_keys(piece))
    rows = {}
    for key, count in primary.items():
        if key.startswith('_') and not args.letters:
            continue
        rows[key] = [count, 'never found: longer than 8' if len(key) > MAX_KEY else '']
    if args.fallbacks:
        def add_tree(key, count):
            for f in fallbacks(key):
                if f not in primary:
                    rows.setdefault(f, [0, 'fallback'])[0] += count
                add_tree(f, count)
        for key, count in primary.items():
            if not key.startswith('_'):
                add_tree(key, count)
    order = sorted(rows.items(), key=(lambda kv: (-kv[1][0], kv[0])) if args.sort == 'count' else (lambda kv: kv[0]))
    for key, (count, note) in order:
        print(f'{key}\t{count}' + (f'\t{note}' if note else ''))
    found = sum(1 for k, (c, note) in rows.items() if not note)
    print(f'# {len(words)} words, {len(rows)} keys ({found} of at most {MAX_KEY} characters used directly)',
          file=sys.stderr)


if __name__ == '__main__':
    main()
