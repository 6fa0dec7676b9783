#!/usr/bin/python3
"""Measures the expression file against real rolls and the archive's own expression files.

    scripts/expression_figures.py [--converter build/bin/rollscribe-convert] [--profile P]
                                  [--keep DIR] FOLDER

FOLDER holds, for each roll ID, the scan ID.bar with ID.ann, the archive's expression file
ID_exp.mid and, for a roll with a traced pen line, ID_w*_trace.csv. Every scan is converted with
--expression into a scratch folder (never into FOLDER), and the figures are printed per roll and
per roll system:

  M1  the level of the notes against the pen-drawn dynamics line, RMSE in % of the pp-ff span,
      per half, for Rollscribe and for the archive's file;
  M2  the archive's sustain changes (down, up) that Rollscribe makes within 15 ms, and the
      count of changes of each kind against the archive's;
  M3  88-note accents: recall and precision against the archive;
  M4  every expression file well formed;
  V   the mean absolute velocity difference from the archive over matched notes.

The rules are those of the data folder's README ("The measurements"). `make expression-figures`
runs it on ../shared/expression-data.
"""

import argparse
import bisect
import csv
import glob
import math
import os
import subprocess
import sys
import tempfile
from collections import Counter, defaultdict

import mido

SUSTAIN, SOFT = 64, 67
MATCH_SECONDS = 0.015
BASS_HIGHEST = 66  # the pen line's halves
PEN_LEAD = {"bass": 65, "treble": 46}  # image rows by which the pen line leads the punches
P, F, BASS_OFFSET = 35.0, 90.0, -5


# ---- reading files -------------------------------------------------------------------------


def read_annotation(path):
    entries = {}
    with open(path, encoding="latin-1") as f:
        for line in f:
            if line.startswith("/") and ":" in line:
                key, value = line[1:].split(":", 1)
                entries[key.strip()] = value.strip()
    return entries


def bar_openings(path, roll_tempo):
    """The rows at which each track opens, by track: from the .bar records."""
    data = open(path, "rb").read()
    if data[:3] != b"BAR":
        raise ValueError(f"{path}: not a BAR file")
    pos, steps, is_open = 3, 0, set()
    opens = defaultdict(list)
    while pos < len(data):
        value, shift = 0, 0
        while True:
            byte = data[pos]
            pos += 1
            value |= (byte & 0x7F) << shift
            shift += 7
            if not byte & 0x80:
                break
        track = data[pos]
        pos += 1
        steps += value
        if track in is_open:
            is_open.discard(track)
        else:
            is_open.add(track)
            opens[track].append(steps / roll_tempo)
    return opens


def timed_events(path):
    """(seconds, tick, message) of every channel message, through the file's own tempo map."""
    midi = mido.MidiFile(path)
    merged = mido.merge_tracks(midi.tracks)
    events, tick, seconds, tempo = [], 0, 0.0, 500000
    for msg in merged:
        tick += msg.time
        seconds += mido.tick2second(msg.time, midi.ticks_per_beat, tempo)
        if msg.type == "set_tempo":
            tempo = msg.tempo
        elif not msg.is_meta:
            events.append((seconds, tick, msg))
    return events, midi.ticks_per_beat


def note_ons(events):
    return [(s, t, m) for s, t, m in events if m.type == "note_on" and m.velocity > 0]


# ---- scan rows of the converter's events ----------------------------------------------------


class RowMap:
    """Expression-file seconds to scan rows, through the note-ons paired with the plain file."""

    def __init__(self, expression_ons, plain_ons, tpq):
        by_pitch_e, by_pitch_p = defaultdict(list), defaultdict(list)
        for s, _, m in expression_ons:
            by_pitch_e[m.note].append(s)
        for s, _, m in plain_ons:
            by_pitch_p[m.note].append(s)
        points = []
        for pitch, times in by_pitch_e.items():
            if len(times) == len(by_pitch_p.get(pitch, ())):
                points.extend(zip(times, by_pitch_p[pitch]))
        points.sort()
        self.x = [p[0] for p in points]
        self.y = [p[1] for p in points]
        self.tpq = tpq

    def row(self, seconds):
        x, y = self.x, self.y
        if len(x) < 2:
            return seconds * self.tpq
        i = bisect.bisect_right(x, seconds)
        i = min(max(i, 1), len(x) - 1)
        a, b = i - 1, i
        while x[b] == x[a] and a > 0:
            a -= 1
        if x[b] == x[a]:
            return y[a] * self.tpq
        plain = y[a] + (y[b] - y[a]) * (seconds - x[a]) / (x[b] - x[a])
        return plain * self.tpq


def snap(row, rows, limit=3.0):
    """The nearest row of rows (sorted) within limit of row, else row itself."""
    i = bisect.bisect_left(rows, row)
    best = None
    for j in (i - 1, i):
        if 0 <= j < len(rows) and abs(rows[j] - row) <= limit:
            if best is None or abs(rows[j] - row) < abs(best - row):
                best = rows[j]
    return row if best is None else best


class Notes:
    """A file's sounding notes as (row, pitch, velocity), and its sustain transitions."""

    def __init__(self, notes, sustain):
        self.notes = notes
        self.sustain = sustain  # {"on": [rows], "off": [rows]}


def pedal_transitions(events, row_of, controller=SUSTAIN):
    last = {}
    down = False
    out = {"on": [], "off": []}
    for s, t, m in events:
        if m.type == "control_change" and m.control == controller:
            last[m.channel] = m.value
            now = any(v >= 64 for v in last.values())
            if now != down:
                out["on" if now else "off"].append(row_of(s, t))
                down = now
    return out


def archive_notes(path, system):
    events, tpq = timed_events(path)
    notes = [(t, m.note, m.velocity) for s, t, m in note_ons(events)]
    # The archive's Duo-Art pedals are swapped: its soft pedal is the sustain hole's.
    sustain = SOFT if system == "duo-art" else SUSTAIN
    return Notes(notes, pedal_transitions(events, lambda s, t: t, sustain)), tpq


def rollscribe_notes(expression_path, plain_path, bar_path, roll_tempo, tpq):
    events, _ = timed_events(expression_path)
    plain, _ = timed_events(plain_path)
    ons = note_ons(events)
    rows = RowMap(ons, note_ons(plain), tpq)
    opens = bar_openings(bar_path, roll_tempo)
    notes = []
    for s, _, m in ons:
        notes.append((snap(rows.row(s), opens.get(m.note - 15, [])), m.note, m.velocity))
    return Notes(notes, pedal_transitions(events, lambda s, t: rows.row(s)))


# ---- the figures -----------------------------------------------------------------------------


def read_trace(path):
    rows = []
    with open(path) as f:
        for r in csv.DictReader(f):
            rows.append((int(r["y_px"]), float(r["bass_value"] or "nan"), r["bass_flag"],
                         float(r["treble_value"] or "nan"), r["treble_flag"]))
    rows.sort()
    return rows


def trace_value(trace, y, half):
    ys = [r[0] for r in trace]
    value, flag = (1, 2) if half == "bass" else (3, 4)
    i = bisect.bisect_left(ys, y)
    if i < len(ys) and ys[i] == y:
        return trace[i][value] if trace[i][flag] == "ink" else None
    if i == 0 or i == len(ys):
        return None
    a, b = trace[i - 1], trace[i]
    if a[flag] != "ink" or b[flag] != "ink":
        return None
    return a[value] + (b[value] - a[value]) * (y - a[0]) / (b[0] - a[0])


def pen_rmse(notes, trace, first_hole):
    """M1: {half: (rmse %, notes compared)}."""
    squares = {"bass": [], "treble": []}
    for row, pitch, velocity in notes:
        half = "bass" if pitch <= BASS_HIGHEST else "treble"
        value = trace_value(trace, first_hole + row - PEN_LEAD[half], half)
        if value is None:
            continue
        level = ((velocity - BASS_OFFSET if half == "bass" else velocity) - P) / (F - P)
        squares[half].append((level - value) ** 2)
    return {h: (100 * math.sqrt(sum(v) / len(v)) if v else float("nan"), len(v))
            for h, v in squares.items()}


def match_transitions(archive, ours, tolerance):
    """M2: (matched, archive count) for one kind of transition."""
    used = [False] * len(ours)
    matched = 0
    for row in archive:
        best, best_d = None, None
        i = bisect.bisect_left(ours, row - tolerance)
        while i < len(ours) and ours[i] <= row + tolerance:
            d = abs(ours[i] - row)
            if not used[i] and (best_d is None or d < best_d):
                best, best_d = i, d
            i += 1
        if best is not None:
            used[best] = True
            matched += 1
    return matched, len(archive)


def match_notes(archive, ours, limit=2.0):
    """Pairs (archive note, our note) of one pitch within limit rows, each used once."""
    by_pitch = defaultdict(list)
    for n in ours:
        by_pitch[n[1]].append(n)
    pairs = []
    for pitch, mine in by_pitch.items():
        mine.sort()
        theirs = sorted(n for n in archive if n[1] == pitch)
        used = [False] * len(mine)
        j = 0
        for a in theirs:
            while j < len(mine) and mine[j][0] < a[0] - limit:
                j += 1
            k = j
            while k < len(mine) and mine[k][0] <= a[0] + limit:
                if not used[k]:
                    used[k] = True
                    pairs.append((a, mine[k]))
                    break
                k += 1
    return pairs


def accents(archive, ours):
    """M3: (both, archive accents, ours accented), or None when the archive accents > 40 %."""
    theirs = sum(1 for n in archive if n[2] == 95)
    if not archive or theirs > 0.4 * len(archive):
        return None
    common = Counter(n[2] for n in ours).most_common(1)[0][0]
    mine = sum(1 for n in ours if n[2] > common)
    both = sum(1 for a, b in match_notes(archive, ours) if a[2] == 95 and b[2] > common)
    return both, theirs, mine


def velocity_difference(archive, ours):
    pairs = match_notes(archive, ours)
    if not pairs:
        return float("nan"), 0
    return sum(abs(a[2] - b[2]) for a, b in pairs) / len(pairs), len(pairs)


def well_formed(path):
    """M4: a list of faults (empty when well formed)."""
    try:
        midi = mido.MidiFile(path)
    except Exception as e:  # noqa: BLE001 - any parse failure is the fault
        return [f"does not parse: {e}"]
    faults = []
    sounding = Counter()
    pedal = {}
    for msg in mido.merge_tracks(midi.tracks):
        if msg.type == "note_on" and msg.velocity > 0:
            if not 1 <= msg.velocity <= 127:
                faults.append(f"velocity {msg.velocity}")
            sounding[(msg.channel, msg.note)] += 1
        elif msg.type in ("note_off", "note_on"):
            if sounding[(msg.channel, msg.note)] == 0:
                faults.append(f"note-off of {msg.note} with nothing sounding")
            else:
                sounding[(msg.channel, msg.note)] -= 1
        elif msg.type == "control_change":
            if not 0 <= msg.value <= 127:
                faults.append(f"controller value {msg.value}")
            if msg.control in (SUSTAIN, SOFT):
                pedal[(msg.channel, msg.control)] = msg.value
    faults += [f"controller {c} down at the end" for (_, c), v in pedal.items() if v >= 64]
    return faults[:5]


# ---- running ---------------------------------------------------------------------------------


def convert(converter, bar, out_dir, profile):
    command = [converter, "-q", "--expression", "-o", out_dir, bar]
    if profile:
        command[3:3] = ["--profile", profile]
    done = subprocess.run(command, capture_output=True, text=True)
    stem = os.path.join(out_dir, os.path.basename(bar)[:-4] + "_BAR_e")
    return done.returncode, stem + ".mid", stem + "_expression.mid", done.stderr.strip()


def pct(a, b):
    return f"{100 * a / b:5.1f} %" if b else "    -  "


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folder")
    parser.add_argument("--converter", default="build/bin/rollscribe-convert")
    parser.add_argument("--profile", help="a profile for every roll (default: by roll type)")
    parser.add_argument("--only", action="append", help="only rolls of this roll type")
    parser.add_argument("--keep", help="convert into this folder and keep the files")
    args = parser.parse_args(argv)

    scratch = None if args.keep else tempfile.TemporaryDirectory(prefix="rollscribe-figures-")
    out_dir = args.keep or scratch.name
    os.makedirs(out_dir, exist_ok=True)
    systems = defaultdict(lambda: {"on": [0, 0], "off": [0, 0], "count": [0, 0, 0, 0],
                                   "acc": [0, 0, 0], "vel": [0.0, 0], "rolls": 0, "bad": 0})
    failures = 0
    print(f"{'roll':<13} {'system':<15} {'M2 down':>8} {'M2 up':>8} {'V':>5}  M3 / M1 / M4")
    for bar in sorted(glob.glob(os.path.join(args.folder, "*.bar"))):
        roll = os.path.basename(bar)[:-4]
        ann = read_annotation(bar[:-4] + ".ann")
        system = ann.get("roll_type", "?")
        archive_path = os.path.join(args.folder, roll + "_exp.mid")
        if not os.path.exists(archive_path):
            continue
        if args.only and system not in args.only:
            continue
        archive, tpq = archive_notes(archive_path, system)
        status, plain, expression, error = convert(args.converter, bar, out_dir, args.profile)
        s = systems[system]
        s["rolls"] += 1
        faults = [f"exit {status}: {error}"] if status else well_formed(expression)
        if faults:
            s["bad"] += 1
            failures += 1
            print(f"{roll:<13} {system:<15} M4 FAULTS: {'; '.join(faults)}")
            continue
        ours = rollscribe_notes(expression, plain, bar, float(ann["roll_tempo"]), tpq)
        tolerance = MATCH_SECONDS * tpq
        line = []
        for kind in ("on", "off"):
            m, n = match_transitions(archive.sustain[kind], ours.sustain[kind], tolerance)
            s[kind][0] += m
            s[kind][1] += n
        k = s["count"]
        k[0] += len(ours.sustain["on"])
        k[1] += len(archive.sustain["on"])
        k[2] += len(ours.sustain["off"])
        k[3] += len(archive.sustain["off"])
        on = match_transitions(archive.sustain["on"], ours.sustain["on"], tolerance)
        off = match_transitions(archive.sustain["off"], ours.sustain["off"], tolerance)
        v, pairs = velocity_difference(archive.notes, ours.notes)
        s["vel"][0] += v * pairs
        s["vel"][1] += pairs
        acc = accents(archive.notes, ours.notes) if system == "88-note" else None
        if acc:
            for i in range(3):
                s["acc"][i] += acc[i]
            line.append(f"accents recall {acc[0]}/{acc[1]} precision {acc[0]}/{acc[2]}")
        for trace_path in sorted(glob.glob(os.path.join(args.folder, roll + "_w*_trace.csv"))):
            trace = read_trace(trace_path)
            first = trace[0][0] - int(next(csv.DictReader(open(trace_path)))["tick"])
            window = os.path.basename(trace_path)[len(roll) + 1:-len("_trace.csv")]
            for who, notes in (("rollscribe", ours.notes), ("archive", archive.notes)):
                r = pen_rmse(notes, trace, first)
                line.append(f"{window} {who} bass {r['bass'][0]:.1f} % ({r['bass'][1]}) "
                            f"treble {r['treble'][0]:.1f} % ({r['treble'][1]})")
        print(f"{roll:<13} {system:<15} {pct(*on):>8} {pct(*off):>8} {v:5.2f}  "
              + " | ".join(line or ["well formed"]))

    print()
    print(f"{'system':<15} {'rolls':>5} {'sustain down':>20} {'sustain up':>20} "
          f"{'V':>5} {'accent recall':>14} {'precision':>10} {'M4':>6}")
    for system, s in sorted(systems.items()):
        v = s["vel"][0] / s["vel"][1] if s["vel"][1] else float("nan")
        a = s["acc"]
        k = s["count"]
        recall = f"{a[0] / a[1]:.3f}" if a[1] else "-"
        precision = f"{a[0] / a[2]:.3f}" if a[2] else "-"
        down = f"{pct(*s['on'])} ({k[0]}/{k[1]})"
        up = f"{pct(*s['off'])} ({k[2]}/{k[3]})"
        print(f"{system:<15} {s['rolls']:>5} {down:>20} {up:>20} {v:5.2f} {recall:>14} "
              f"{precision:>10} {'ok' if not s['bad'] else str(s['bad']) + ' bad':>6}")
    print("\n(sustain: matched within 15 ms; in brackets Rollscribe's changes / the archive's)")
    if scratch:
        scratch.cleanup()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
