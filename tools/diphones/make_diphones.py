#!/usr/bin/env python3
"""Builds the diphone voice databases DIFONES1..DIFONES5 (one per speech speed).

Every unit is cut out of a short carrier that espeak-ng's Brazilian Portuguese voice
says from phoneme input; the library reports where each phoneme starts, so a unit is
exactly the phonemes of its key, with neighbours chosen so that the cut falls at a
clean place (a stop closure or a vowel onset). Units are recorded stressed; the
synthesizer itself shortens unstressed ones.

Output, per database, in data/drive_c/quiral/som/difones/:
  NAME.IND  15-byte records: name length (0..8), 8-byte upper-case name, 16-bit LE
            sample count, 32-bit LE offset into NAME.DIF; sorted as length-prefixed
            byte strings (plain byte order, a prefix first).
  NAME.DIF  raw 11025 Hz 8-bit unsigned mono samples, one unit after the other.

Keys made: a built-in inventory (vowels, consonant + vowel, lone consonants,
diphthongs, the nasal murmur "$NN"), every key of tools/diphones/keys.txt (the keys the
letter-to-sound rules ask for over a Portuguese word list) and, for keys of more than 8
characters that can never be found, the shorter keys the synthesizer falls back to.
The same run twice writes the same bytes.
"""

from __future__ import annotations

import argparse
import ctypes
import math
import os
import shutil
import struct
import subprocess
import sys
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "common"))
from sound8 import RATE, to_unsigned_8, write_if_changed  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
DEFAULT_KEYS = REPO / "tools" / "diphones" / "keys.txt"
DEFAULT_OUT = REPO / "data" / "drive_c" / "quiral" / "som" / "difones"

ESPEAK_RATE = 22050
VOICE = b"pt-br"
# Speaking rate (espeak-ng words per minute) of each database; faster speeds get
# shorter units.
DATABASES = [("DIFONES1", 130), ("DIFONES2", 155), ("DIFONES3", 180),
             ("DIFONES4", 205), ("DIFONES5", 230)]
MAX_NAME = 8
MAX_KEY = 12                 # the synthesizer cuts keys to this length
MAX_UNIT = 65535

# The units are converted to 8 bits exactly as the recorded prompts (sound8).
SILENCE = 0.005 * 32768      # below this a sample counts as silence when trimming
MARGIN = 22                  # samples (2 ms) kept beyond the first/last sound
CLOSURE = 165                # samples (15 ms) of stop closure kept before a burst
FADE_IN = 22
FADE_OUT = 33

# --- The phone set ----------------------------------------------------------------
# Phone letters of the phonetic text (lower case; the keys are upper case) and the
# espeak-ng phonemes that say them.
CONSONANTS = {
    "tch": "tS", "dj": "dZ", "nh": "n^", "lh": "lj", "rr": "x", "ks": "ks",
    "b": "b", "c": "k", "d": "d", "f": "f", "g": "g", "j": "Z", "k": "k", "l": "l",
    "m": "m", "n": "n", "p": "p", "q": "k", "r": "r", "s": "s", "t": "t", "v": "v",
    "x": "S", "z": "z",
}
STOPS = {"tch", "dj", "ks", "b", "c", "d", "g", "k", "p", "q", "t"}
VOWELS = {"a": "a", "e": "E", "i": "i", "o": "O", "u": "u"}
CLOSED = {"a": "&", "e": "e", "i": "i", "o": "o", "u": "u"}
NASAL = {"a": "&~", "e": "e~", "i": "i~", "o": "o~", "u": "u~"}
GLIDES = {"w": "w", "y": "j"}
# Nasal diphthongs that espeak-ng has as one phoneme.
NASAL_DIPHTHONGS = {("a", "w"): "&U~"}


class KeyError_(Exception):
    pass


def parse_key(key: str) -> list[tuple[str, str]]:
    """Splits a key ("$" + phone letters, marks written CIRC/TIL) into (phone, mark)
    pairs; the mark is "", "^" or "~". Raises KeyError_ for letters outside the set."""
    if not key.startswith("$"):
        raise KeyError_(f"{key}: does not start with $")
    text = key[1:].lower()
    phones: list[tuple[str, str]] = []
    i = 0
    while i < len(text):
        for mark_text, mark in (("circ", "^"), ("til", "~")):
            if (text.startswith(mark_text, i) and phones
                    and (phones[-1][0] in VOWELS or phones[-1][0] in GLIDES)
                    and phones[-1][1] == ""):
                phones[-1] = (phones[-1][0], mark)
                i += len(mark_text)
                break
        else:
            for size in (3, 2, 1):
                piece = text[i:i + size]
                if len(piece) == size and (piece in CONSONANTS or piece in VOWELS
                                           or piece in GLIDES):
                    phones.append((piece, ""))
                    i += size
                    break
            else:
                raise KeyError_(f"{key}: no phone for {text[i:]!r}")
    if not phones:
        raise KeyError_(f"{key}: empty")
    return phones


def carrier_for(key: str) -> tuple[str, int, int, bool]:
    """The espeak-ng phoneme text that holds the unit, how many phoneme events come
    before and after the unit, and whether the unit begins with a stop."""
    if key.upper() == "$NN":
        return "'ana", 1, 1, False
    phones = parse_key(key)
    vowel_at = next((i for i, (p, _) in enumerate(phones) if p in VOWELS), None)
    out: list[str] = []
    skip_glide = False
    for i, (phone, mark) in enumerate(phones):
        if phone in CONSONANTS:
            out.append(CONSONANTS[phone])
        elif phone in GLIDES:
            if not skip_glide:
                out.append(GLIDES[phone])
            skip_glide = False
        else:
            # A vowel; in "vowel, glide, mark" the mark belongs to the diphthong.
            following = phones[i + 1] if i + 1 < len(phones) else None
            if mark == "" and following and following[0] in GLIDES and following[1]:
                mark = following[1]
                if mark == "~" and (phone, following[0]) in NASAL_DIPHTHONGS:
                    out.append(("'" if i == vowel_at else "")
                               + NASAL_DIPHTHONGS[(phone, following[0])])
                    skip_glide = True
                    continue
            table = VOWELS if mark == "" else CLOSED if mark == "^" else NASAL
            out.append(("'" if i == vowel_at else "") + table[phone])
    first = phones[0][0]
    stop_first = first in STOPS
    if vowel_at is None:
        # Lone consonants or glides: said between vowels, the unit is the middle.
        return "'a" + "".join(out) + "a", 1, 1, stop_first
    last = phones[-1][0]
    suffix = "t&" if last in VOWELS or last in GLIDES else "&"
    return "".join(out) + suffix, 0, 2 if suffix == "t&" else 1, stop_first


# --- Fallbacks of the synthesizer's lookup ------------------------------------------
def _is_vowel(c: str) -> bool:
    return c in "AEIOUaeiouwy"


def fallback_keys(key: str) -> list[str] | None:
    """The keys the synthesizer asks for when `key` is not in the database, in order,
    or None when it plays noise (keys of 1 or 2 characters) or nothing."""
    n = len(key)
    if n <= 2:
        return None
    if _is_vowel(key[-1]):
        return [key[:-1], "$" + key[-1]]
    if key.endswith("CIRC") and n > 6:
        return [key[:n - 5], "$" + key[n - 5:]]
    if key.endswith("TIL"):
        base = key[:-3]
        first = base if base[-1:].upper() in ("I", "U") else base + "CIRC"
        return [first, "$nn"]
    return None


def needed_keys(requested: set[str]) -> tuple[set[str], list[str]]:
    """Keys to record so that every requested key is found or falls back to found keys;
    also the requested keys that can only end in noise or silence."""
    made: set[str] = set()
    lost: list[str] = []

    def walk(k: str, top: str) -> None:
        k = k[:MAX_KEY]
        if len(k) <= MAX_NAME:
            made.add(k)
            return
        parts = fallback_keys(k)
        if parts is None:
            lost.append(top)
            return
        for part in parts:
            walk(part, top)

    for key in sorted(requested):
        walk(key, key)
    return made, lost


def base_inventory() -> set[str]:
    keys = {"$nn"}
    onsets = [c for c in CONSONANTS if c not in ("c", "q")]
    for v in VOWELS:
        keys.add("$" + v)
        keys.add("$" + v + "CIRC")
        keys.add("$" + v + "TIL")
        for c in onsets:
            keys.add("$" + c + v)
            keys.add("$" + c + v + "CIRC")
            keys.add("$" + c + v + "TIL")
        for g in GLIDES:
            keys.add("$" + v + g)
            keys.add("$" + v + g + "TIL")
        # Two-letter tokens that end in a consonant ("ar", "ab"): not split.
        for coda in ("b", "d", "f", "g", "j", "k", "l", "m", "n", "p", "r", "t", "v", "x",
                     "z"):
            keys.add("$" + v + coda)
        # Clusters that follow a nasal mark inside a token ("kO~pra" asks for "$PRA").
        for first in ("p", "b", "t", "d", "k", "g", "f", "v"):
            for second in ("r", "l"):
                for mark in ("", "CIRC", "TIL"):
                    keys.add("$" + first + second + v + mark)
    for c in onsets:
        keys.add("$" + c)
    for g in GLIDES:
        keys.add("$" + g)
    for v in VOWELS:
        for g in GLIDES:
            keys.add("$" + g + v)
            keys.add("$" + g + v + "TIL")
        for c in ("k", "g"):
            keys.add("$" + c + "w" + v)
            keys.add("$" + c + "w" + v + "TIL")
    return keys


def read_keys(path: Path) -> set[str]:
    """The keys of a key list: the first field of each line that starts with "$"
    (the listing tool writes KEY<TAB>COUNT[<TAB>note], keys in upper case).

    Glides are written in lower case again, as the translator writes them: the
    synthesizer's fallbacks count w and y as vowels only in lower case."""
    if not path.exists():
        return set()
    keys: set[str] = set()
    for line in path.read_text(encoding="latin-1").splitlines():
        key = line.split("\t", 1)[0].strip()
        if key.startswith("$"):
            keys.add(key.replace("W", "w").replace("Y", "y"))
    return keys


# --- Synthesis -----------------------------------------------------------------------
class _EventId(ctypes.Union):
    _fields_ = [("number", ctypes.c_int), ("name", ctypes.c_char_p),
                ("string", ctypes.c_char * 8)]


class _Event(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("unique_identifier", ctypes.c_uint),
                ("text_position", ctypes.c_int), ("length", ctypes.c_int),
                ("audio_position", ctypes.c_int), ("sample", ctypes.c_int),
                ("user_data", ctypes.c_void_p), ("id", _EventId)]


_CALLBACK = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.POINTER(ctypes.c_short), ctypes.c_int,
                             ctypes.POINTER(_Event))
_EVENT_END_OF_LIST = 0
_EVENT_PHONEME = 7
_OUTPUT_SYNCHRONOUS = 2
_INIT_PHONEME_EVENTS = 1
_CHARS_UTF8 = 1
_PHONEME_INPUT = 0x100
_PARAM_RATE = 1
_PARAM_RANGE = 4
# Pitch range of the units: flat. The synthesizer glues syllables without changing
# their pitch, so units that each fall as an isolated word would jump at every join.
PITCH_RANGE = 0


class Speaker:
    """espeak-ng's library in this process, saying phoneme texts into memory."""

    def __init__(self, words_per_minute: int) -> None:
        self.lib = ctypes.CDLL("libespeak-ng.so.1")
        if self.lib.espeak_Initialize(_OUTPUT_SYNCHRONOUS, 200, None,
                                      _INIT_PHONEME_EVENTS) != ESPEAK_RATE:
            raise RuntimeError("espeak-ng did not start at 22050 Hz")
        if self.lib.espeak_SetVoiceByName(VOICE) != 0:
            raise RuntimeError("espeak-ng has no pt-br voice")
        self.lib.espeak_SetParameter(_PARAM_RATE, words_per_minute, 0)
        self.lib.espeak_SetParameter(_PARAM_RANGE, PITCH_RANGE, 0)
        self.audio: list[int] = []
        self.events: list[tuple[str, int]] = []
        self._callback = _CALLBACK(self._receive)
        self.lib.espeak_SetSynthCallback(self._callback)

    def _receive(self, wav, count, events) -> int:
        if wav and count > 0:
            self.audio.extend(wav[:count])
        i = 0
        while events[i].type != _EVENT_END_OF_LIST:
            if events[i].type == _EVENT_PHONEME:
                name = events[i].id.string.decode("utf-8", "replace")
                self.events.append((name, events[i].sample))
            i += 1
        return 0

    def say(self, phonemes: str) -> tuple[list[int], list[tuple[str, int]]]:
        self.audio = []
        self.events = []
        text = ("[[" + phonemes + "]]").encode("utf-8") + b"\0"
        if self.lib.espeak_Synth(text, len(text), 0, 1, 0, _CHARS_UTF8 | _PHONEME_INPUT,
                                 None, None) != 0:
            raise RuntimeError(f"espeak-ng refused [[{phonemes}]]")
        self.lib.espeak_Synchronize()
        return self.audio, self.events


def resample(samples: list[int]) -> list[int]:
    """22050 Hz to 11025 Hz, 16-bit, through sox's high-quality rate filter."""
    raw = struct.pack(f"<{len(samples)}h", *samples)
    result = subprocess.run(
        ["sox", "-R", "-V1", "-t", "raw", "-r", str(ESPEAK_RATE), "-e", "signed-integer",
         "-b", "16", "-c", "1", "-", "-t", "raw", "-e", "signed-integer", "-b", "16",
         "-c", "1", "-", "rate", "-v", str(RATE)],
        input=raw, check=True, capture_output=True)
    count = len(result.stdout) // 2
    return list(struct.unpack(f"<{count}h", result.stdout[:count * 2]))




def trim(segment: list[int], stop_first: bool) -> list[float]:
    loud = [i for i, v in enumerate(segment) if abs(v) > SILENCE]
    if not loud:
        return []
    start = max(0, loud[0] - (CLOSURE if stop_first else MARGIN))
    end = min(len(segment), loud[-1] + 1 + MARGIN)
    out = [float(v) for v in segment[start:end]]
    for i in range(min(FADE_IN, len(out))):
        out[i] *= i / FADE_IN
    for i in range(min(FADE_OUT, len(out))):
        out[-1 - i] *= i / FADE_OUT
    return out


_speaker: Speaker | None = None


def _start_worker(words_per_minute: int) -> None:
    global _speaker
    _speaker = Speaker(words_per_minute)


def _render_in_this_process(key: str) -> bytes:
    assert _speaker is not None
    phonemes, before, after, stop_first = carrier_for(key)
    audio, events = _speaker.say(phonemes)
    sounds = [(name, at) for name, at in events if not name.startswith("_")]
    ends = [at for name, at in events if name.startswith("_")]
    if len(sounds) <= before + after or not ends:
        raise RuntimeError(f"{key}: unexpected phonemes {events} for [[{phonemes}]]")
    start = sounds[before][1]
    end = sounds[len(sounds) - after][1] if after else ends[0]
    low = resample(audio)
    segment = low[start // 2:end // 2]
    samples = to_unsigned_8(trim(segment, stop_first))
    if not samples:
        raise RuntimeError(f"{key}: espeak-ng said nothing for [[{phonemes}]]")
    return samples[:MAX_UNIT]


def render_unit(key: str) -> tuple[str, bytes]:
    """The samples of one unit at the worker's rate.

    espeak-ng carries state from one utterance to the next (its noise source and pitch
    flutter), so each unit is said by a child forked from a speaker that has said
    nothing yet: every unit starts from the same state, whatever was said before."""
    read_end, write_end = os.pipe()
    pid = os.fork()
    if pid == 0:
        os.close(read_end)
        code = 0
        try:
            result = b"K" + _render_in_this_process(key)
        except Exception as error:  # reported by the parent
            result = b"E" + str(error).encode("utf-8", "replace")
            code = 1
        with os.fdopen(write_end, "wb") as out:
            out.write(result)
        os._exit(code)
    os.close(write_end)
    with os.fdopen(read_end, "rb") as source:
        result = source.read()
    os.waitpid(pid, 0)
    if not result.startswith(b"K"):
        raise RuntimeError(result[1:].decode("utf-8", "replace") or f"{key}: worker died")
    return key, result[1:]


def build_database(keys: list[str], words_per_minute: int, jobs: int) -> tuple[bytes, bytes]:
    """The .IND and .DIF bytes of one database. Keys that sound the same (the same
    carrier) share their samples."""
    by_carrier: dict[str, str] = {}
    for key in keys:
        by_carrier.setdefault(carrier_for(key)[0], key)
    with ProcessPoolExecutor(max_workers=jobs, initializer=_start_worker,
                             initargs=(words_per_minute,)) as pool:
        rendered = dict(pool.map(render_unit, sorted(by_carrier.values()), chunksize=16))
    names = sorted({k.upper().encode("ascii") for k in keys})
    dif = bytearray()
    placed: dict[str, tuple[int, int]] = {}
    records = bytearray()
    upper_to_key = {k.upper(): k for k in sorted(keys)}
    for name in names:
        key = upper_to_key[name.decode("ascii")]
        source = by_carrier[carrier_for(key)[0]]
        if source not in placed:
            samples = rendered[source]
            placed[source] = (len(dif), len(samples))
            dif += samples
        offset, length = placed[source]
        records += struct.pack("<B8sHI", len(name), name.ljust(8, b"\0"), length, offset)
    return bytes(records), bytes(dif)



def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--keys", type=Path, default=DEFAULT_KEYS)
    parser.add_argument("--out", type=Path, default=DEFAULT_OUT)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--only", help="build only this database (e.g. DIFONES2)")
    parser.add_argument("--refresh-keys", action="store_true",
                        help="first rewrite the key list with tools/l2s/list_keys.py (needs a "
                             "built l2s-probe)")
    parser.add_argument("--max-units", type=int, default=4000,
                        help="refuse to build more units than this (size of the databases)")
    args = parser.parse_args()

    try:
        ctypes.CDLL("libespeak-ng.so.1")
    except OSError:
        print("make_diphones: the espeak-ng library (libespeak-ng.so.1) is missing: "
              "install espeak-ng", file=sys.stderr)
        return 1
    if shutil.which("sox") is None:
        print("make_diphones: sox is missing: install sox", file=sys.stderr)
        return 1
    if args.refresh_keys:
        listing = subprocess.run(
            [sys.executable, str(REPO / "tools" / "l2s" / "list_keys.py"), "--sort", "key"],
            capture_output=True, check=False)
        if listing.returncode != 0:
            print("make_diphones: list_keys.py failed: "
                  + listing.stderr.decode("utf-8", "replace").strip(), file=sys.stderr)
            return 1
        write_if_changed(args.keys, listing.stdout)
    requested = read_keys(args.keys) | base_inventory()
    keys, lost = needed_keys(requested)
    for key in lost:
        print(f"make_diphones: {key}: too long and no fallback reaches found keys",
              file=sys.stderr)
    try:
        for key in keys:
            carrier_for(key)
    except KeyError_ as error:
        print(f"make_diphones: {error}", file=sys.stderr)
        return 1
    if len(keys) > args.max_units:
        print(f"make_diphones: {len(keys)} units asked for (at most {args.max_units}): the "
              "key list holds multi-syllable keys; see README.txt", file=sys.stderr)
        return 1
    # Keys equal when upper-cased are one record.
    unique: dict[str, str] = {}
    for key in sorted(keys):
        unique.setdefault(key.upper(), key)
    key_list = sorted(unique.values())

    for name, words_per_minute in DATABASES:
        if args.only and name != args.only:
            continue
        try:
            index, samples = build_database(key_list, words_per_minute, max(1, args.jobs))
        except (OSError, subprocess.CalledProcessError, RuntimeError) as error:
            print(f"make_diphones: {name}: {error}", file=sys.stderr)
            return 1
        changed = write_if_changed(args.out / (name + ".IND"), index)
        changed |= write_if_changed(args.out / (name + ".DIF"), samples)
        print(f"diphones: {name}: {len(index) // 15} keys, {len(samples)} samples"
              f"{', rewritten' if changed else ''}")
    return 1 if lost else 0


if __name__ == "__main__":
    sys.exit(main())
