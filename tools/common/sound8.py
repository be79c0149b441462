"""What the data generators share: the conversion of 16-bit speech to the suite's
11025 Hz 8-bit unsigned mono samples, the canonical WAV header, and writing a
file only when its contents change (so a rebuild of unchanged data leaves git
clean)."""
from __future__ import annotations

import math
import struct
from pathlib import Path

RATE = 11025
# espeak-ng peaks near 0.6 of full scale; this fixed gain brings speech close to full
# scale in 8 bits while keeping the loudness of all pieces alike (no per-file normalising).
# The rare peaks beyond the knee are bent smoothly below full scale instead of clipped.
GAIN = 1.4
KNEE = 0.85


def soft_limit(x: float) -> float:
    magnitude = abs(x)
    if magnitude <= KNEE:
        return x
    bent = KNEE + (1.0 - KNEE) * math.tanh((magnitude - KNEE) / (1.0 - KNEE))
    return math.copysign(bent, x)


def to_unsigned_8(values, gain: float = GAIN) -> bytes:
    """16-bit sample values to 8-bit unsigned samples (1..255, silence 128)."""
    out = bytearray(len(values))
    for i, v in enumerate(values):
        u = math.floor(127.0 * soft_limit(v * gain / 32768.0) + 0.5) + 128
        out[i] = 1 if u < 1 else 255 if u > 255 else u
    return bytes(out)


def wav_bytes(samples: bytes) -> bytes:
    """The canonical 44-byte header (PCM, mono, 11025 Hz, 8 bits) and the samples."""
    header = b"RIFF" + struct.pack("<I", 36 + len(samples)) + b"WAVE"
    header += b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE, 1, 8)
    header += b"data" + struct.pack("<I", len(samples))
    return header + samples


def write_if_changed(path: Path, data: bytes) -> bool:
    if path.exists() and path.read_bytes() == data:
        return False
    path.parent.mkdir(parents=True, exist_ok=True)
    temporary = path.with_name(path.name + ".tmp")
    temporary.write_bytes(data)
    temporary.replace(path)
    return True
