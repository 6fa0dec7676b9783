#!/usr/bin/env python3
"""Runs two builds of rollscribe-convert on the same rolls and compares everything they produce:
the report on standard output, standard error, the exit status and the MIDI file, byte for byte.

The rolls are generated ones of realistic density (rollscribe-genroll, random seeds, sizes, scan
figures) and random ones made here to reach the corners: long and overlong deltas, positions past
the 32-bit range, texts of every length, odd tempos and sample rates, cut-off records.

Usage: compare_converters.py OLD_CONVERTER NEW_CONVERTER GENROLL [--count N] [--seed N]
Exit status 0 when every case matches, 1 otherwise.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile


def random_roll(rng):
    """Roll bytes that stress the parser: any delta length, any code, texts, a cut-off end."""
    out = bytearray(rng.randbytes(3))
    for _ in range(rng.choice([0, 1, 10, 200, 5000, 60000])):
        kind = rng.random()
        if kind < 0.6:
            delta = [rng.randrange(128)]
        elif kind < 0.9:
            delta = [rng.randrange(128, 256) for _ in range(rng.randrange(1, 5))] + [rng.randrange(128)]
        else:  # long deltas: past the fifth byte the bits weigh nothing; some past the tenth
            delta = [rng.randrange(128, 256) for _ in range(rng.randrange(4, 14))] + [rng.randrange(128)]
        out += bytes(delta)
        code = rng.choice([rng.randrange(240), rng.randrange(256), 240, 242, 245])
        out.append(code)
        if 240 <= code <= 244:
            length = rng.choice([0, 1, 5, 127, 128, 300])
            out += bytes(rng.randrange(1, 256) for _ in range(length)) + b"\0"
    if rng.random() < 0.3:
        out += bytes([rng.randrange(128, 256)])  # a delta cut off by the end
    return bytes(out)


def random_ann(rng):
    lines = []
    if rng.random() < 0.8:
        lines.append("/roll_tempo: %s" % rng.choice(["80", "5", "10", "500", "501", "-3", "fast", "70"]))
    if rng.random() < 0.8:
        lines.append("/sample_rate: %s" % rng.choice(["300", "1", "0", "7", "800", "429496729", "2000000000"]))
    if rng.random() < 0.5:
        lines.append("/roll_type: %s" % rng.choice(["Ampico", "Duo-Art", "welte", "88-note"]))
    lines.append("/title: case %d" % rng.randrange(1000))
    return ("\r\n".join(lines) + "\r\n").encode()


def run(converter, folder):
    result = subprocess.run([converter, os.path.join(folder, "roll.bar")], capture_output=True)
    mid = os.path.join(folder, "roll_BAR_e.mid")
    data = open(mid, "rb").read() if os.path.exists(mid) else None
    text = result.stdout.replace(folder.encode(), b"@DIR@")
    return result.returncode, text, result.stderr.replace(folder.encode(), b"@DIR@"), data


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("genroll")
    parser.add_argument("--count", type=int, default=200)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        for case in range(args.count):
            a, b = os.path.join(work, "a"), os.path.join(work, "b")
            for d in (a, b):
                shutil.rmtree(d, ignore_errors=True)
                os.mkdir(d)
            if case % 2 == 0:
                size = rng.choice([3, 100, 4096, 65536, 300000, 2000000])
                subprocess.run([args.genroll, "--seed", str(rng.randrange(1 << 30)), "--size", str(size),
                                "--sample-rate", str(rng.choice([200, 300, 400, 600, 1200])),
                                "--tempo", str(rng.randrange(40, 130)), os.path.join(a, "roll.bar")],
                               check=True, stdout=subprocess.DEVNULL)
            else:
                open(os.path.join(a, "roll.bar"), "wb").write(random_roll(rng))
                if rng.random() < 0.9:
                    open(os.path.join(a, "roll.ann"), "wb").write(random_ann(rng))
            for name in os.listdir(a):
                shutil.copy(os.path.join(a, name), os.path.join(b, name))
            old, new = run(args.old, a), run(args.new, b)
            if old != new:
                failures += 1
                what = [n for n, x, y in zip(("status", "report", "errors", "midi"), old, new) if x != y]
                print("case %d differs in %s" % (case, ", ".join(what)))
                keep = os.path.join(tempfile.gettempdir(), "rollscribe-compare-%d" % case)
                shutil.rmtree(keep, ignore_errors=True)
                shutil.copytree(a, keep)
                print("  inputs kept in", keep)
    print("%d passed, %d failed" % (args.count - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
