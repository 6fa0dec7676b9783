#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Each seed is a small input in the target's own layout (see tests/support/InputChecks.h):
  annotation_reader  the bytes of an annotation file
  roll_parser        tempo and sample rate (32-bit little-endian each), then a roll file
  conversion         the annotation file's length (16-bit little-endian; FF FF for none),
                     the annotation file, then the roll file
Run it from anywhere; it replaces the seeds it writes and leaves other files alone.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "examples")
HEADER = b"ROL"


def hexbytes(text):
    return bytes.fromhex(text.replace("|", " "))


def roll(records_hex):
    return HEADER + hexbytes(records_hex)


def parser_input(tempo, sample_rate, data):
    return struct.pack("<ii", tempo, sample_rate) + data


def conversion_input(ann, data):
    if ann is None:
        return b"\xff\xff" + data
    return struct.pack("<H", len(ann)) + ann + data


def read_example(name, limit=None):
    with open(os.path.join(EXAMPLES, name), "rb") as f:
        data = f.read()
    return data[:limit] if limit else data


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


KNOWN_KEYS = (b"/title: Nocturne in E flat\r\n/composer:   A. Composer\r\n/pianist: A. Pianist\r\n"
              b"/roll_number: 215\r\n/roll_type: 88-note\r\n/roll_tempo: 80\r\n/sample_rate: 300\r\n"
              b"/recorded: 1925: in the studio\r\n\r\nremark without colon\r\n")

ANNOTATIONS = {
    "example": read_example("evening_waltz.ann"),
    "known_keys": KNOWN_KEYS,
    "empty": b"",
    "lone_cr_last_line_open": b"/a: 1\r/b: 2",
    "lf_only_one_line": b"/title: X\n/composer: Y\n",
    "blanks_around": b"  /title :  X  \r\n\t/b\t:\tv\x0b\x0c\r\n",
    "short_lines": b"a\r\n:\r\nab\r\n\r\n\r",
    "duplicates": b"/b: 1\r\n/a: 2\r\n/b: 3\r\n/Title: case\r\n",
    "numbers": b"/roll_tempo: 80 fpm\r\n/sample_rate: -2147483649\r\n/x: +7\r\n",
    "zero_and_high_bytes": b"/title: a\x00b\r\n/composer: \xe9\xff\x01\r\n\x00:\x00\r\n",
    "long_value": b"/title: " + b"T" * 300 + b"\r\n",
}

ROLLS = {
    "worked_example": parser_input(100, 800, roll("90 03 05 | 00 F2 48 69 00 | C8 01 05 | 01 F5 | 01 05 | 83")),
    "header_only_low_tempo": parser_input(9, 800, HEADER),
    "shorter_than_header": parser_input(100, 800, b"\x01\x02"),
    "long_deltas": parser_input(100, 800, roll("81 80 80 80 80 05 10 | 80 80 80 80 01 10 | "
                                               "81 80 80 80 80 FF FF FF FF FF 7F 10")),
    "every_control_code": parser_input(100, 800, roll(
        "00 F0 41 00 00 F1 00 00 F2 6C 61 00 00 F3 E9 FF 00 00 F4 78 00 "
        "00 F5 00 F6 00 F7 00 F8 00 F9 00 FA 00 FB 00 FC 00 FD 00 FE 00 FF")),
    "track_edges_and_toggles": parser_input(70, 800, roll("00 00 | 00 EF | 00 00 | 01 01 | 00 00 | 02 70")),
    "saturating_positions": parser_input(10, 2, roll("FF FF FF FF 7F 10 | FF FF FF FF 7F 10")),
    "text_cut_off": parser_input(100, 800, roll("00 F2 61 62")),
    "huge_sample_rate": parser_input(10, 2147483647, roll("7F 10 | 7F 10")),
    "negative_figures": parser_input(-5, -800, roll("04 10")),
    "example_start": parser_input(80, 300, read_example("evening_waltz.bar", 1024)),
}

CONVERSIONS = {
    "example": conversion_input(read_example("evening_waltz.ann"), read_example("evening_waltz.bar")),
    "no_annotation_file": conversion_input(None, roll("90 03 05 | 00 F2 48 69 00 | C8 01 05 | 01 F5 | 01 05")),
    "shorter_than_header": conversion_input(b"/title: X\r\n", b"\x01\x02"),
    "duo_art_range_edges": conversion_input(
        b"/roll_type: Duo-Art\r\n/roll_tempo: 500\r\n",
        roll("00 05 | 00 06 | 00 5D | 00 5E | 00 71 | 00 EF | 10 05 | 10 06 | 10 5D | 10 5E")),
    "long_waits": conversion_input(b"/roll_tempo: 10\r\n/sample_rate: 2\r\n",
                                   roll("00 10 | FF FF FF FF 7F 10 | 01 11")),
    "lyrics_and_controls": conversion_input(
        b"/title: Song\r\n",
        roll("00 F2 4C 61 00 | 04 F0 28 63 29 00 | 04 F5 | 04 F2 00 | 04 FF | 04 F4 78 00")),
    "long_texts": conversion_input(
        b"/title: " + b"T" * 300 + b"\r\n/notes: " + b"n" * 200 + b"\r\n",
        HEADER + b"\x00\xf2" + b"L" * 200 + b"\x00\x00\x10"),
    "zero_in_annotation": conversion_input(b"/title: a\x00b\r\n/roll_type: ampico welte\x00duoart\r\n",
                                           roll("00 08 | 00 09 | 00 57 | 00 58")),
    "empty_annotation": conversion_input(b"", roll("00 30")),
}

for name, data in ANNOTATIONS.items():
    write("annotation_reader", name, data)
for name, data in ROLLS.items():
    write("roll_parser", name, data)
for name, data in CONVERSIONS.items():
    write("conversion", name, data)
