#!/usr/bin/env python3
"""Writes the bundled example roll: examples/evening_waltz.bar and its annotation file.

The roll is an original little waltz in C major (48 bars, melody and oom-pah-pah accompaniment)
on an 88-note roll, with a copyright record, lyrics and a few expression codes, in the scan file
format that Rollscribe reads. The output is the same every time.

Usage: make_example_roll.py [OUTPUT_FOLDER]   (default: examples/ beside this script's folder)
"""
import os
import sys

SAMPLE_RATE = 300
TEMPO = 80
# Scan steps per quarter note: 1.2 inches of roll at SAMPLE_RATE * 50 / TEMPO steps per inch.
STEPS_PER_BEAT = 1.2 * (SAMPLE_RATE * 50 // TEMPO)

# Chords of the progression, one per bar, as (bass note, chord notes).
C, F, G7, Am, Dm = (36, [52, 55, 60]), (41, [53, 57, 60]), (43, [53, 55, 59]), (45, [52, 57, 60]), (38, [53, 57, 62])
PROGRESSION = [C, C, F, C, G7, G7, C, C, Am, Dm, G7, C, F, C, G7, C] * 3

# Melody, one list of (note, beats) per bar; 16 bars, played three times (the last an octave up).
MELODY = [
    [(64, 2), (67, 1)], [(72, 3)], [(69, 2), (65, 1)], [(67, 3)],
    [(65, 1), (67, 1), (65, 1)], [(62, 3)], [(64, 1), (62, 1), (60, 1)], [(64, 3)],
    [(69, 2), (72, 1)], [(74, 2), (72, 1)], [(71, 1), (69, 1), (67, 1)], [(72, 3)],
    [(69, 1), (72, 1), (77, 1)], [(76, 2), (72, 1)], [(74, 1), (71, 1), (67, 1)], [(72, 3)],
]

LYRICS = {0: "Evening comes", 4: "the lamps are lit", 8: "we dance along", 12: "till night is done"}


def track(note):
    """The roll track that plays a MIDI note."""
    return note - 15


def events():
    """(beat position, order, code, text) for every hole change and control record."""
    out = []
    out.append((0, 0, 240, "(c) 2026 Rollscribe example roll, free to copy"))
    out.append((0, 0, 241, "Evening Waltz - an original example roll"))
    for bar, (bass, chord) in enumerate(PROGRESSION):
        start = bar * 3
        section = bar // 16
        if bar % 16 in LYRICS:
            out.append((start, 0, 242, LYRICS[bar % 16]))
        if bar % 16 == 0:
            out.append((start, 0, 245 + section, ""))  # expression codes without text
        # Oom: the bass on beat one; pah-pah: the chord on beats two and three.
        out.append((start, 2, track(bass), ""))
        out.append((start + 0.9, 1, track(bass), ""))
        for beat in (1, 2):
            for n in chord:
                out.append((start + beat, 2, track(n), ""))
                out.append((start + beat + 0.6, 1, track(n), ""))
        pos = start
        for note, beats in MELODY[bar % 16]:
            n = note + (12 if section == 2 else 0)
            out.append((pos, 2, track(n), ""))
            out.append((pos + beats - 0.1, 1, track(n), ""))
            pos += beats
    out.append((len(PROGRESSION) * 3, 0, 243, "The End"))
    # Hole closings before openings at the same position, so a repeated note re-strikes.
    out.sort(key=lambda e: (e[0], e[1]))
    return out


def delta_bytes(steps):
    """A delta in the scan file's little-endian base-128 form."""
    out = []
    while True:
        group = steps & 0x7F
        steps >>= 7
        if steps:
            out.append(group | 0x80)
        else:
            out.append(group)
            return bytes(out)


def roll_bytes():
    data = bytearray(b"BAR")
    last = 0
    for beat, _, code, text in events():
        step = int(round(beat * STEPS_PER_BEAT))
        data += delta_bytes(step - last)
        data.append(code)
        if 240 <= code <= 244:
            data += text.encode("latin-1") + b"\0"
        last = step
    return bytes(data)


ANNOTATIONS = [
    ("/title", "Evening Waltz"),
    ("/composer", "Hanna Lindqvist"),
    ("/pianist", "Played by hand, arranged for roll"),
    ("/roll_number", "EX-101"),
    ("/roll_type", "88-note"),
    ("/roll_tempo", str(TEMPO)),
    ("/sample_rate", str(SAMPLE_RATE)),
    ("/publisher", "Rollscribe examples"),
    ("/scanned", "2026-12-07: generated, not scanned"),
    ("/notes", "An original tune written for this example; free to copy."),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "examples")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "evening_waltz.bar"), "wb") as f:
        f.write(roll_bytes())
    with open(os.path.join(folder, "evening_waltz.ann"), "wb") as f:
        f.write("".join("%s: %s\r\n" % kv for kv in ANNOTATIONS).encode("latin-1"))


if __name__ == "__main__":
    main()
