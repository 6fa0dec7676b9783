#!/usr/bin/python3
"""Measures what --expression adds to a conversion: one large roll, and an archive on all cores.

Usage: scripts/bench_expression.py BINDIR [ROUNDS] [--profile NAME] [--work DIR]

BINDIR holds rollscribe-convert and rollscribe-genroll. The inputs are generated (a 20 MB roll,
seed 1, and an archive of 1,000 rolls, seed 1) into DIR (default: a temporary folder), and kept
there with --work. Each round converts each input plainly and with --expression, the two in
turn, after one warm-up round, so that the load of a shared machine falls on both alike; the
archive with -r -j N (N the number of cores). Prints, for each input, the median wall and
processor time (user + system of the whole process) of each side and the medians of the ratios
taken round by round.
"""
import argparse
import os
import resource
import statistics
import subprocess
import tempfile
import time


def run_once(command):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def measure(label, plain, expression, rounds):
    runs = {"plain": [], "expression": []}
    for n in range(rounds + 1):
        pair = [run_once(plain), run_once(expression)]
        if n > 0:  # the first round warms the caches
            runs["plain"].append(pair[0])
            runs["expression"].append(pair[1])
    p, e = runs["plain"], runs["expression"]
    wall_ratio = statistics.median(b[0] / a[0] for a, b in zip(p, e))
    cpu_ratio = statistics.median(b[1] / a[1] for a, b in zip(p, e))
    print(f"{label}:")
    for side in ("plain", "expression"):
        wall = statistics.median(r[0] for r in runs[side])
        cpu = statistics.median(r[1] for r in runs[side])
        print(f"  {side:<11} {wall:7.3f} s wall {cpu:7.3f} s processor")
    print(f"  expression / plain: {wall_ratio:.2f} wall, {cpu_ratio:.2f} processor")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("bindir")
    parser.add_argument("rounds", nargs="?", type=int, default=7)
    parser.add_argument("--profile", default="")
    parser.add_argument("--work", default="")
    args = parser.parse_args()
    convert = os.path.join(args.bindir, "rollscribe-convert")
    genroll = os.path.join(args.bindir, "rollscribe-genroll")
    with tempfile.TemporaryDirectory() as scratch:
        work = args.work or scratch
        os.makedirs(work, exist_ok=True)
        roll = os.path.join(work, "large.bar")
        archive = os.path.join(work, "archive")
        if not os.path.exists(roll):
            subprocess.run([genroll, "--size", "20M", "--seed", "1", roll], check=True)
        if not os.path.isdir(archive):
            subprocess.run([genroll, "--batch", "1000", "--seed", "1", archive], check=True)
        extra = ["--expression"] + (["--profile", args.profile] if args.profile else [])
        out = os.path.join(work, "out")
        jobs = ["-j", str(os.cpu_count() or 1)]
        print(f"load average before: {os.getloadavg()[0]:.2f}")
        measure("one roll (20 MB)", [convert, "-q", "-o", out + "/a", roll],
                [convert, "-q"] + extra + ["-o", out + "/b", roll], args.rounds)
        measure("archive (1,000 rolls, -r " + " ".join(jobs) + ")",
                [convert, "-q", "-r"] + jobs + ["-o", out + "/a", archive],
                [convert, "-q", "-r"] + jobs + extra + ["-o", out + "/b", archive], args.rounds)
        print(f"load average after: {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()
