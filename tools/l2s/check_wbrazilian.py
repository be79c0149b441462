#!/usr/bin/env python3
"""Compares the letter-to-sound translator with espeak-ng over a word list.

Runs the translator (the l2s-probe tool, with the shipped regras.rgr and
portug.exc unless others are given) and espeak-ng's Brazilian Portuguese
transcription (`espeak-ng -v pt-br -q -x`, many words per call, cached) over
/usr/share/dict/brazilian, maps both to a common coarse phoneme string and
reports how many words agree.

The coarse string keeps what the diphone voice must get right and drops what
the two systems write differently for the same sound:
  - consonants: p b t d k g f v s z m n l, x (as in "chá"), j (as in "já"),
    C (t before i: "tia"), J (d before i: "dia"), N (nh), L (lh),
    r (tap, also r before a consonant and at the end), R (strong r);
  - a vowel group (vowels and glides between consonants) becomes one vowel:
    the quality a e i o u of its first full vowel, "~" when it is nasal,
    upper case when it carries the stress; a stressed vowel starts a group of
    its own (hiatus: "pa-Is");
  - open and closed e / o are one vowel (the "strict" figure keeps them apart);
    reduced final vowels are i / u;
    l and a nasal consonant after a vowel and before a consonant (or the end)
    are parts of the vowel group (a glide, the nasal mark).

Usage:
  check_wbrazilian.py [--probe PATH] [--rules F --exceptions F] [--limit N]
                      [--every K] [--show N] [--cache FILE]
"""
import argparse
import collections
import os
import random
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
WORDLIST = '/usr/share/dict/brazilian'
CONSONANTS = set('pbtdkgfvszmnlxjCJNLrR')
VOWELS = set('aeiouɛɔ')


# ------------------------------------------------------------- the word list
def read_words(limit, every):
    words = []
    with open(WORDLIST, encoding='utf-8') as f:
        for line in f:
            w = line.strip()
            if len(w) < 2 or not w.isalpha():
                continue
            try:
                w.encode('cp1252')
            except UnicodeEncodeError:
                continue
            words.append(w)
    words = words[::every]
    return words[:limit] if limit else words


# ------------------------------------------------------------- running both
def find_probe(given):
    if given:
        return given
    for folder in sorted(os.listdir(ROOT)):
        candidate = os.path.join(ROOT, folder, 'tests', 'tools', 'l2s-probe')
        if folder.startswith('build') and os.access(candidate, os.X_OK):
            return candidate
    sys.exit('l2s-probe not found: build the target l2s-probe or give --probe')


def run_probe(probe, words, rules, exceptions):
    args = [probe] + ([rules, exceptions] if rules else [])
    data = ''.join(w + '\n' for w in words).encode('cp1252')
    out = subprocess.run(args, input=data, capture_output=True, check=True).stdout
    lines = out.decode('cp1252').split('\n')[:len(words)]
    if len(lines) != len(words):
        sys.exit('l2s-probe gave fewer lines than words')
    return lines


def espeak_batch(words):
    data = ''.join(w + '.\n' for w in words).encode('utf-8')
    out = subprocess.run(['espeak-ng', '-v', 'pt-br', '-q', '-x'], input=data,
                         capture_output=True, check=True).stdout.decode('utf-8')
    return [line.strip() for line in out.split('\n') if line.strip()]


def run_espeak(words, cache_path):
    cache = {}
    if cache_path and os.path.exists(cache_path):
        with open(cache_path, encoding='utf-8') as f:
            for line in f:
                parts = line.rstrip('\n').split('\t')
                if len(parts) == 2:
                    cache[parts[0]] = parts[1]
    missing = [w for w in dict.fromkeys(words) if w not in cache]
    batch = 2000
    for start in range(0, len(missing), batch):
        chunk = missing[start:start + batch]
        lines = espeak_batch(chunk)
        if len(lines) != len(chunk):  # out of step: one call per word
            lines = [' '.join(espeak_batch([w])) for w in chunk]
        cache.update(zip(chunk, lines))
        print(f'espeak-ng: {min(start + batch, len(missing))}/{len(missing)}', file=sys.stderr)
    if cache_path and missing:
        with open(cache_path, 'w', encoding='utf-8') as f:
            for w, t in cache.items():
                f.write(f'{w}\t{t}\n')
    return [cache[w] for w in words]


# ------------------------------------------------------------- coarse strings
# A unit is (kind, symbol, stressed, nasal); kind 'C' consonant, 'V' vowel, 'G' glide.
def espeak_units(text):
    units = []
    stress_next = False
    i = 0
    t = text.replace(' ', '')
    while i < len(t):
        two = t[i:i + 2]
        c = t[i]
        if c == "'":
            stress_next = True
            units.append(('|', '', False, False))  # a stress mark splits vowel groups
            i += 1
            continue
        if c in ',-_:;!@.%=#':
            i += 1
            continue
        if two in ('tS', 'dZ', 'n^', 'l^'):
            units.append(('C', {'tS': 'C', 'dZ': 'J', 'n^': 'N', 'l^': 'L'}[two], False, False))
            i += 2
            continue
        if two == 'lj':
            units.append(('C', 'L', False, False))
            i += 2
            continue
        if c == '~':
            if units and units[-1][0] in 'VG':
                k, s, st, _ = units[-1]
                units[-1] = (k, s, st, True)
            i += 1
            continue
        if c in 'a&A':
            units.append(('V', 'a', stress_next, False))
        elif c in 'eE':
            units.append(('V', 'ɛ' if c == 'E' else 'e', stress_next, False))
        elif c in 'iy':
            units.append(('V', 'i', stress_next, False))
        elif c in 'oO':
            units.append(('V', 'ɔ' if c == 'O' else 'o', stress_next, False))
        elif c == 'u':
            units.append(('V', 'u', stress_next, False))
        elif c == 'U':
            units.append(('G', 'u', stress_next, False))
        elif c in 'Ij':
            units.append(('G', 'i', stress_next, False))
        elif c == 'w':
            units.append(('G', 'u', stress_next, False))
        elif c == 'N':
            units.append(('C', 'n', False, False))
        elif c in '*Rr':
            units.append(('C', 'r', False, False))
        elif c in 'xXh':
            units.append(('C', 'R', False, False))
        elif c == 'S':
            units.append(('C', 'x', False, False))
        elif c == 'Z':
            units.append(('C', 'j', False, False))
        elif c in 'pbtdkgfvszmnl':
            units.append(('C', c, False, False))
        else:
            units.append(('C', '?', False, False))
        if units[-1][0] in 'VG' and stress_next:
            stress_next = False
        i += 1
    return units


def probe_units(text):
    units = []
    for word in text.split(']'):
        word = word.lstrip('[')
        if not word:
            continue
        for piece in word.split('/'):
            if '_' in piece:  # a character the rules do not read (spelled)
                units.append(('C', '?', False, False))
                continue
            piece = piece.replace(' ', '')  # syllable boundaries
            i = 0
            while i < len(piece):
                three, two, c = piece[i:i + 3], piece[i:i + 2], piece[i]
                if three == 'tch':
                    units.append(('C', 'C', False, False)); i += 3; continue
                if two in ('dj', 'nh', 'lh', 'rr'):
                    units.append(('C', {'dj': 'J', 'nh': 'N', 'lh': 'L', 'rr': 'R'}[two], False, False))
                    i += 2
                    continue
                if c == '~':
                    k, s, st, _ = units[-1]
                    units[-1] = (k, s, st, True)
                elif c == '^':
                    pass
                elif c.lower() in 'aeiou':
                    v = c.lower()
                    if v in 'eo' and piece[i + 1:i + 2] not in ('^', '~'):  # open e, o
                        v = 'ɛ' if v == 'e' else 'ɔ'
                    units.append(('V', v, c.isupper(), False))
                elif c in 'wy':
                    units.append(('G', 'u' if c == 'w' else 'i', False, False))
                elif c in 'pbtdkgfvszmnlxjr':
                    units.append(('C', c, False, False))
                else:
                    units.append(('C', '?', False, False))
                i += 1
    # A stressed vowel after another vowel starts a group of its own.
    out = []
    for u in units:
        if u[0] == 'V' and u[2] and out and out[-1][0] in 'VG':
            out.append(('|', '', False, False))
        out.append(u)
    return out


def coarse(units, strict=False):
    # l and nasal consonants closing a vowel group join it.
    fixed = []
    for i, u in enumerate(units):
        nxt = next((v for v in units[i + 1:] if v[0] != '|'), None)
        closes = nxt is None or nxt[0] == 'C'
        after_vowel = bool(fixed) and fixed[-1][0] in 'VG'
        if u[0] == 'C' and u[1] == 'l' and closes and after_vowel:
            fixed.append(('G', 'u', False, False))
        elif u[0] == 'C' and u[1] in 'mn' and closes and after_vowel:
            k, s, st, _ = fixed[-1]
            fixed[-1] = (k, s, st, True)
        else:
            fixed.append(u)
    # Conventions of transcription, made the same on both sides: a vowel is not
    # written nasal before a nasal consonant (cama: "ka~ma" / "kama"); an
    # unstressed i / u before a, e, o of its group is a glide (dia-ria /
    # dia-rja); l followed by such a glide is lh (ta-lio / ta-lhu).
    for i, u in enumerate(fixed):
        nxt = fixed[i + 1] if i + 1 < len(fixed) else None
        if u[0] in 'VG' and u[3] and nxt and nxt[0] == 'C' and nxt[1] in 'mnN':
            fixed[i] = (u[0], u[1], u[2], False)
        if u[0] == 'V' and u[1] in 'iu' and not u[2] and nxt and nxt[0] == 'V' and nxt[1] in 'aeoɛɔ':
            fixed[i] = ('G', u[1], False, u[3])
    merged = []
    for i, u in enumerate(fixed):
        nxt = fixed[i + 1] if i + 1 < len(fixed) else None
        if merged and merged[-1][0] == 'C' and merged[-1][1] in 'lL' and u[0] in 'VG' and u[1] == 'i' \
                and not u[2] \
                and nxt and nxt[0] in 'VG':
            merged[-1] = ('C', 'L', False, False)
            continue
        merged.append(u)
    fixed = merged
    text = []
    group = []

    def flush():
        if not group:
            return
        full = [g for g in group if g[0] == 'V'] or group
        symbol = full[0][1]
        if not strict:
            symbol = {'ɛ': 'e', 'ɔ': 'o'}.get(symbol, symbol)
        if any(g[2] for g in group):
            symbol = symbol.upper()
        if any(g[3] for g in group):
            symbol += '~'
        text.append(symbol)
        group.clear()

    for u in fixed:
        if u[0] in 'VG':
            group.append(u)
        else:
            flush()
            if u[0] == 'C':
                text.append(u[1])
    flush()
    return ''.join(text)


def stress_index(c):
    vowels = [ch for ch in c if ch.lower() in VOWELS]
    for n, ch in enumerate(vowels):
        if ch.isupper():
            return n
    return 0 if len(vowels) == 1 else None


def segments(c):
    return c.lower()


# ------------------------------------------------------------- main
def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument('--probe')
    p.add_argument('--rules')
    p.add_argument('--exceptions')
    p.add_argument('--limit', type=int, default=0)
    p.add_argument('--every', type=int, default=1, help='take every K-th word of the list')
    p.add_argument('--show', type=int, default=40, help='mismatches to print')
    p.add_argument('--cache', default='/tmp/tembrika-l2s-espeak.tsv')
    p.add_argument('--seed', type=int, default=1)
    args = p.parse_args()
    words = read_words(args.limit, args.every)
    probe = find_probe(args.probe)
    ours = run_probe(probe, words, args.rules, args.exceptions)
    theirs = run_espeak(words, args.cache)
    total = len(words)
    full = seg = stress = strict = 0
    mismatches = []
    confusions = collections.Counter()
    for w, o, t in zip(words, ours, theirs):
        co, ct = coarse(probe_units(o)), coarse(espeak_units(t))
        strict += coarse(probe_units(o), True) == coarse(espeak_units(t), True)
        so, st = segments(co), segments(ct)
        seg_ok = so == st
        stress_ok = stress_index(co) == stress_index(ct) and stress_index(ct) is not None
        seg += seg_ok
        stress += stress_ok
        if seg_ok and stress_ok:
            full += 1
        else:
            mismatches.append((w, o, t, co, ct))
            if len(so) == len(st):
                for a, b in zip(so, st):
                    if a != b:
                        confusions[(a, b)] += 1
    print(f'words: {total}')
    print(f'coarse match (segments and stress): {full} ({100.0 * full / total:.1f}%)')
    print(f'segments only: {seg} ({100.0 * seg / total:.1f}%)')
    print(f'stress position only: {stress} ({100.0 * stress / total:.1f}%)')
    print(f'strict (also open / closed e and o): {strict} ({100.0 * strict / total:.1f}%)')
    print('most common substitutions (ours, espeak-ng):',
          ', '.join(f'{a}>{b} {n}' for (a, b), n in confusions.most_common(12)))
    random.Random(args.seed).shuffle(mismatches)
    for w, o, t, co, ct in mismatches[:args.show]:
        print(f'{w}\t{o}\t{t}\t{co}\t{ct}')


if __name__ == '__main__':
    main()
