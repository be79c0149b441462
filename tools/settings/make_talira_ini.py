#!/usr/bin/env python3
"""Writes the suite's settings file data/drive_c/windows/TALIRA.INI.

Every key the program reads, with the values it ships with: cp1252 text, CR LF
line ends, the file rewritten only when its contents change (so running the data
build on an unchanged tree leaves git clean).

The speech speeds 1 (slowest) to 5 (fastest) each name their own diphone
database (made by tools/diphones/make_diphones.py) and get their own timing:
each speed cuts more off unstressed diphones, leaves shorter gaps between words
and shorter pauses after punctuation than the one before; the fastest, speed 5,
also drops every other voiced period of the sound (CORTAFALA), which keeps the
voice's pitch. Playing at 1.5 times the rate (RAPIDINHO) raises the pitch by a
fifth and is left off at every speed. A test sentence of 22 syllables lasts
about 7.4, 6.1, 5.1, 4.3 and 1.9 seconds at speeds 1 to 5.
"""
import argparse
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]

# Per speed: CORTEFON, SOBRAFON, INTERPAL (samples at 11025 Hz),
# CORTAFALA, RAPIDINHO, PAUSAPONTO, PAUSAVIRG, PAUSADOISPONTOS (milliseconds).
SPEEDS = {
    1: (250, 1000, 900, "N", "N", 500, 300, 400),
    2: (350, 900, 700, "N", "N", 400, 250, 300),
    3: (450, 800, 500, "N", "N", 300, 200, 250),
    4: (550, 700, 300, "N", "N", 250, 150, 200),
    5: (650, 600, 200, "S", "N", 200, 100, 150),
}


def sections():
    synth = []
    for speed in SPEEDS:
        synth.append((f"DIFONES{speed}", f"DIFONES{speed}"))
    for index, key in enumerate(["CORTEFON", "SOBRAFON", "INTERPAL", "CORTAFALA", "RAPIDINHO",
                                 "PAUSAPONTO", "PAUSAVIRG", "PAUSADOISPONTOS"]):
        for speed, values in SPEEDS.items():
            synth.append((f"{key}{speed}", str(values[index])))
    return [
        ("Speech: speed, folders of the recordings, external engine (N: none)", "TRADUTOR", [
            ("VELOCIDADE", "3"),
            ("DIRLETRAS", "c:\\quiral\\som\\letras\\"),
            ("DIRDIFONES", "c:\\quiral\\som\\difones\\"),
            ("SAPI", "N"),
        ]),
        ("Diphone synthesizer, per speed 1..5", "SINTETIZADOR", synth),
        ("The stopwatch's own prompts", "TEMBRIKA", [
            ("DIRTEMBRIKA", "c:\\quiral\\som\\tembrika\\"),
        ]),
        ("The suite's folder (\"@\" in a value) and the programs that open documents", "TALIRA", [
            ("PGMTALIRA", "c:\\quiral"),
            ("PROG.HTM", ""),
            ("PROG.TXT", ""),
        ]),
        ("External engine, used when SAPI is not N", "SERVFALA", [
            ("VOZ", "1"),
            ("VELOCIDADE", "5"),
            ("TOM", "5"),
            ("TIPOSAPI", "4"),
        ]),
        ("Console window", "VIDEO", [
            ("TABCORES", ",".join(str(i) for i in range(16))),
            ("CORESFIXAS", "N"),
            ("LENTO", "N"),
            ("CORFUNDO", "0"),
            ("CORLETRA", "15"),
            ("AMPLIF", "2"),
            ("FONTE", "DejaVu Sans Mono"),
            ("LARGURALETRA", ""),
            ("ALTURALETRA", ""),
            ("CANTOTELA", "SIM"),
        ]),
        ("Six-key braille entry: 0 off", "BRAILLE", [
            ("MODO", "0"),
        ]),
    ]


def render():
    lines = ["; Settings of the TALIRA suite (written by tools/settings/make_talira_ini.py)"]
    for comment, name, keys in sections():
        lines.append("")
        lines.append(f"; {comment}")
        lines.append(f"[{name}]")
        lines.extend(f"{key}={value}" for key, value in keys)
    return ("\r\n".join(lines) + "\r\n").encode("cp1252")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--drive-c", type=Path, default=REPO / "data" / "drive_c",
                        help="drive C folder to write windows/TALIRA.INI into")
    args = parser.parse_args()
    target = args.drive_c / "windows" / "TALIRA.INI"
    data = render()
    if target.exists() and target.read_bytes() == data:
        return 0
    target.parent.mkdir(parents=True, exist_ok=True)
    temporary = target.with_name(target.name + ".tmp")
    temporary.write_bytes(data)
    temporary.replace(target)
    print(f"wrote {target}", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
