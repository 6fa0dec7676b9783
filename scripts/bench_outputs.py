#!/usr/bin/python3
"""Measures what the converter's --picture and --audio add to converting the example roll.

Usage: scripts/bench_outputs.py BINDIR [ROUNDS]   (BINDIR holds rollscribe-convert)

Each round runs every mode once, in turn, on a fresh copy of the example roll, so that the load
of a shared machine falls on every mode alike. Prints, for each mode, the median and best wall
time and the median processor time (user + system) of the whole process, and what the mode adds
to the plain conversion.
"""
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MODES = [
    ("plain", []),
    ("--picture png", ["--picture", "png"]),
    ("--picture svg", ["--picture", "svg"]),
    ("--picture pdf", ["--picture", "pdf"]),
    ("--audio", ["--audio"]),
]
EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples")


def run_once(converter, options, folder):
    for name in ("evening_waltz.bar", "evening_waltz.ann"):
        shutil.copy(os.path.join(EXAMPLES, name), folder)
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run([converter, "-q"] + options + [os.path.join(folder, "evening_waltz.bar")],
                   check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu


def main(argv):
    converter = os.path.join(argv[1], "rollscribe-convert")
    rounds = int(argv[2]) if len(argv) > 2 else 15
    walls = {name: [] for name, _ in MODES}
    cpus = {name: [] for name, _ in MODES}
    print("load average before:", open("/proc/loadavg").read().split()[:3])
    for _ in range(rounds):
        for name, options in MODES:
            with tempfile.TemporaryDirectory() as folder:
                wall, cpu = run_once(converter, options, folder)
            walls[name].append(wall)
            cpus[name].append(cpu)
    print("load average after:", open("/proc/loadavg").read().split()[:3])
    plain = statistics.median(walls["plain"])
    plain_cpu = statistics.median(cpus["plain"])
    print(f"{'mode':16} {'median':>8} {'best':>8} {'cpu':>8} {'adds':>8} {'adds cpu':>9}")
    for name, _ in MODES:
        wall, cpu = statistics.median(walls[name]), statistics.median(cpus[name])
        print(f"{name:16} {wall * 1000:6.0f}ms {min(walls[name]) * 1000:6.0f}ms "
              f"{cpu * 1000:6.0f}ms {(wall - plain) * 1000:6.0f}ms {(cpu - plain_cpu) * 1000:7.0f}ms")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
