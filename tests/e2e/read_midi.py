#!/usr/bin/python3
"""Reads a MIDI file with independent readers and prints what they found, one "key value" a line.

mido (Debian's python3-mido) parses the file; midicsv, where installed, must parse it too.
Exits non-zero when either reader rejects the file.
"""
import subprocess
import shutil
import sys

import mido


def main(path):
    mid = mido.MidiFile(path)  # raises on a malformed file
    print("type", mid.type)
    print("tracks", len(mid.tracks))
    print("ticks_per_beat", mid.ticks_per_beat)
    track = mid.tracks[0]
    kinds = {}
    for msg in track:
        kinds[msg.type] = kinds.get(msg.type, 0) + 1
    for kind in sorted(kinds):
        print("count_" + kind, kinds[kind])
    print("last", track[-1].type)
    print("total_ticks", sum(msg.time for msg in track))
    print("track_name", next((m.name for m in track if m.type == "track_name"), ""))
    print("lyrics", "|".join(m.text for m in track if m.type == "lyrics"))
    print("texts", len([m for m in track if m.type == "text"]))
    tempo = next((m.tempo for m in track if m.type == "set_tempo"), 0)
    print("tempo", tempo)
    print("channels", ",".join(str(c) for c in sorted({m.channel for m in track if hasattr(m, "channel")})))
    pedals = {}
    for m in track:
        if m.type == "control_change":
            pedals[m.control] = m.value
    print("pedals_up_at_end", "yes" if all(v == 0 for v in pedals.values()) else "no")
    if shutil.which("midicsv"):
        result = subprocess.run(["midicsv", path], capture_output=True)
        if result.returncode != 0 or b"Error" in result.stderr:
            print("midicsv rejected the file:", result.stderr.decode(errors="replace"), file=sys.stderr)
            return 1
        rows = result.stdout.splitlines()
        print("midicsv_rows", len(rows))
        print("midicsv_tempos", sum(1 for row in rows if b", Tempo," in row))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
