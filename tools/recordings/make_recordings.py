#!/usr/bin/env python3
"""Builds the suite's recorded speech (prompts, characters, number words, tones).

Reads tools/recordings/manifest.tsv: each line names a file under data/drive_c, a tab,
and either the Portuguese words that espeak-ng's Brazilian voice says for it or
"@dtmf LOW HIGH" for a telephone tone. Every file is written as 11025 Hz, 8-bit
unsigned, mono PCM with the canonical 44-byte header and nothing else, so that the
program's readers (which skip exactly 44 bytes) and the joined number words work.

Speech is trimmed of silence at both ends so that pieces played back to back flow.
The output depends only on the manifest and the installed espeak-ng and sox: the same
run twice writes the same bytes.
"""

from __future__ import annotations

import argparse
import math
import os
import struct
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "common"))
from sound8 import RATE, to_unsigned_8, wav_bytes, write_if_changed  # noqa: E402

VOICE = "pt-br"
WORDS_PER_MINUTE = 170
# Silence trimming: audio below this level is silence; a few ms are kept at each end.
SILENCE_LEVEL = "0.5%"
SILENCE_MIN_SOUND = "0.004"
KEEP_SECONDS = "0.004"
TONE_SECONDS = 0.150
TONE_FADE_SECONDS = 0.005
TONE_LEVEL = 0.42  # of full scale, for each of the two sines

REPO = Path(__file__).resolve().parents[2]
DEFAULT_MANIFEST = REPO / "tools" / "recordings" / "manifest.tsv"
DEFAULT_DRIVE_C = REPO / "data" / "drive_c"


class ManifestError(Exception):
    pass


def read_manifest(path: Path) -> list[tuple[str, str]]:
    """Returns (relative file name, text) pairs; rejects malformed or repeated names."""
    entries: list[tuple[str, str]] = []
    seen: set[str] = set()
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.startswith("#"):
            continue
        name, tab, text = line.partition("\t")
        text = text.strip()
        where = f"{path.name}:{number}"
        if not tab or not text:
            raise ManifestError(f"{where}: expected 'file<TAB>words'")
        parts = name.split("/")
        if name.startswith("/") or ".." in parts or not name.endswith(".wav"):
            raise ManifestError(f"{where}: bad file name {name!r}")
        if name.lower() in seen:
            raise ManifestError(f"{where}: {name} listed twice")
        seen.add(name.lower())
        entries.append((name, text))
    return entries





def speak(text: str, tmpdir: str, index: int) -> bytes:
    raw_wav = os.path.join(tmpdir, f"{index}.wav")
    subprocess.run(
        ["espeak-ng", "-v", VOICE, "-s", str(WORDS_PER_MINUTE), "-w", raw_wav, "--stdin"],
        input=text.encode("utf-8"), check=True, capture_output=True)
    trim = ["silence", "1", SILENCE_MIN_SOUND, SILENCE_LEVEL]
    result = subprocess.run(
        ["sox", "-R", "-V1", raw_wav, "-t", "raw", "-e", "signed-integer", "-b", "16",
         "-c", "1", "-",
         *trim, "reverse", *trim, "reverse",
         "rate", "-v", str(RATE), "pad", KEEP_SECONDS, KEEP_SECONDS],
        check=True, capture_output=True)
    os.unlink(raw_wav)
    count = len(result.stdout) // 2
    samples = to_unsigned_8(struct.unpack(f"<{count}h", result.stdout[: count * 2]))
    if not samples:
        raise RuntimeError(f"espeak-ng said nothing for {text!r}")
    return samples


def dual_tone(low_hz: float, high_hz: float) -> bytes:
    count = round(TONE_SECONDS * RATE)
    fade = round(TONE_FADE_SECONDS * RATE)
    out = bytearray(count)
    for i in range(count):
        t = i / RATE
        envelope = 1.0
        edge = min(i, count - 1 - i)
        if edge < fade:
            envelope = 0.5 - 0.5 * math.cos(math.pi * edge / fade)
        v = TONE_LEVEL * (math.sin(2 * math.pi * low_hz * t) + math.sin(2 * math.pi * high_hz * t))
        out[i] = max(0, min(255, math.floor(127.0 * envelope * v + 0.5) + 128))
    return bytes(out)


def render(text: str, tmpdir: str, index: int) -> bytes:
    if text.startswith("@"):
        fields = text.split()
        if fields[0] != "@dtmf" or len(fields) != 3:
            raise ManifestError(f"unknown generator marker {text!r}")
        return dual_tone(float(fields[1]), float(fields[2]))
    return speak(text, tmpdir, index)



def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--manifest", type=Path, default=DEFAULT_MANIFEST)
    parser.add_argument("--drive-c", type=Path, default=DEFAULT_DRIVE_C)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    args = parser.parse_args()

    try:
        entries = read_manifest(args.manifest)
    except ManifestError as error:
        print(f"make_recordings: {error}", file=sys.stderr)
        return 1

    with tempfile.TemporaryDirectory(prefix="recordings-") as tmpdir:
        with ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
            futures = [pool.submit(render, text, tmpdir, i) for i, (_, text) in enumerate(entries)]
            changed = 0
            total = 0
            for (name, text), future in zip(entries, futures):
                try:
                    data = wav_bytes(future.result())
                except (OSError, subprocess.CalledProcessError, RuntimeError, ManifestError) as error:
                    print(f"make_recordings: {name}: {error}", file=sys.stderr)
                    return 1
                changed += write_if_changed(args.drive_c / name, data)
                total += len(data)

    # Report recordings in the same folders that the manifest does not list: the data
    # test rejects them, and they are someone's to delete, not this tool's.
    listed = {(args.drive_c / name).resolve() for name, _ in entries}
    folders = {(args.drive_c / name).resolve().parent for name, _ in entries}
    strays = sorted(p for folder in folders for p in folder.glob("*.wav")
                    if p.resolve() not in listed)
    for stray in strays:
        print(f"make_recordings: not in the manifest: {stray}", file=sys.stderr)

    print(f"recordings: {len(entries)} files, {total} bytes, {changed} rewritten")
    return 0


if __name__ == "__main__":
    sys.exit(main())
