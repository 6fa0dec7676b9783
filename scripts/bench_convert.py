#!/usr/bin/env python3
"""Measures rollscribe-convert as a whole process and prints the table of figures and targets.

BINDIR must hold rollscribe-convert, rollscribe-genroll and rollscribe_bench (a Release build:
`make bench` makes one in build-bench/). In one run, with every measurement repeated and taken
alternately with the one it is compared to, so that both see the same machine:

  - the stage benchmarks (annotation reading, roll parsing, MIDI writing, whole load) at 100 KB,
    1 MB, 10 MB and 100 MB, from rollscribe_bench;
  - one large roll: the conversion against cp of the same roll plus the same number of output
    bytes (the MIDI file itself), and the conversion's peak resident memory;
  - linear cost: the whole load's time per input byte at 100 MB against 1 MB;
  - a batch of 1,000 generated rolls of an archive's usual sizes with -j 1 and -j (all cores),
    and the overhead per roll beyond the conversion itself;
  - the load of a 10 MB roll, which is what the desktop program does when it opens one.

The generated files go to a temporary folder (or --work DIR, which keeps them for another run).

Usage: bench_convert.py BINDIR [--work DIR] [--repeat N] [--large-size SIZE] [--batch N]
                               [--skip-stages]
"""
import argparse
import json
import os
import platform
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MB = 1024 * 1024


def run_timed(argv, **kwargs):
    """Runs argv; returns (wall seconds, peak resident bytes, CPU seconds) of that process."""
    start = time.perf_counter()
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, **kwargs)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        raise SystemExit("%s failed with status %d" % (" ".join(argv), proc.returncode))
    return wall, usage.ru_maxrss * 1024, usage.ru_utime + usage.ru_stime


def generate(genroll, *args):
    out = subprocess.run([genroll, *args], check=True, capture_output=True, text=True).stdout
    return int(re.search(r"(\d+) events", out).group(1))


def machine():
    cpu = "unknown"
    try:
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    except OSError:
        pass
    pages = os.sysconf("SC_PHYS_PAGES") * os.sysconf("SC_PAGE_SIZE")
    return {"cores": os.cpu_count(), "cpu": cpu, "memory_gib": pages / 1024 ** 3,
            "kernel": platform.release()}


def disk_of(path):
    try:
        out = subprocess.run(["df", "-T", "-h", path], capture_output=True, text=True).stdout.splitlines()[-1]
        fields = out.split()
        return "%s (%s), %s free" % (fields[0], fields[1], fields[4])
    except (OSError, IndexError):
        return "unknown"


def stage_benchmarks(bench, work, batch, repeat, only=None):
    """Runs rollscribe_bench; returns {name: {'real_time_s': min, 'bytes_per_second': ...}}."""
    out_json = os.path.join(work, "stages.json")
    argv = [bench, "--benchmark_out=" + out_json, "--benchmark_out_format=json",
            "--benchmark_counters_tabular=true"]
    if repeat > 1:
        argv += ["--benchmark_repetitions=%d" % repeat]
    if only:
        argv += ["--benchmark_filter=" + only]
    env = dict(os.environ, ROLLSCRIBE_BENCH_DIR=work, ROLLSCRIBE_BENCH_BATCH=str(batch))
    subprocess.run(argv, check=True, env=env, stdout=None if only is None else subprocess.DEVNULL)
    runs = {}
    for b in json.load(open(out_json))["benchmarks"]:
        if b.get("run_type") == "aggregate":
            continue
        name = b["run_name"]
        seconds = b["real_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]
        runs.setdefault(name, []).append((seconds, b.get("bytes_per_second", 0.0)))
    return {name: {"min_s": min(s for s, _ in r), "median_s": statistics.median(s for s, _ in r),
                   "bytes_per_second": max(bps for _, bps in r)} for name, r in runs.items()}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bindir")
    parser.add_argument("--work")
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--large-size", default="100M")
    parser.add_argument("--batch", type=int, default=1000)
    parser.add_argument("--skip-stages", action="store_true", help="only the whole-process measurements")
    args = parser.parse_args()

    convert = os.path.join(args.bindir, "rollscribe-convert")
    genroll = os.path.join(args.bindir, "rollscribe-genroll")
    bench = os.path.join(args.bindir, "rollscribe_bench")
    work = args.work or tempfile.mkdtemp(prefix="rollscribe-bench-")
    os.makedirs(work, exist_ok=True)
    cores = os.cpu_count() or 1
    info = machine()
    load_before = os.getloadavg()
    rows = []

    try:
        print("Machine: %d cores, %s, %.1f GiB, Linux %s; disk %s" % (
            info["cores"], info["cpu"], info["memory_gib"], info["kernel"], disk_of(work)))
        print("Load average before: %.2f %.2f %.2f" % load_before)
        print()

        # Inputs, made by the deterministic generator.
        large = os.path.join(work, "large.bar")
        large_events = generate(genroll, "--size", args.large_size, large)
        batch_dir = os.path.join(work, "batch_%d" % args.batch)
        generate(genroll, "--batch", str(args.batch), "--seed", "1", batch_dir)
        batch = sorted(os.path.join(batch_dir, n) for n in os.listdir(batch_dir) if n.endswith(".bar"))

        # The batch first, before the large runs have freed gigabytes that the virtual machine
        # hands back to its host (memory touched next is then slow to fault in for a while).
        # -j 1 against -j cores, taken alternately, and converted in-process for the
        # overhead. Every run converts a fresh folder of hard links to the generated rolls, so
        # that it writes new MIDI files, as converting an archive does: replacing a thousand
        # files, run after run, mostly measures how the file system finds room for new ones.
        folders = []

        def fresh_folder():
            folder = os.path.join(work, "run%03d" % len(folders))
            os.mkdir(folder)
            for name in os.listdir(batch_dir):
                if name.endswith((".bar", ".ann")):
                    os.link(os.path.join(batch_dir, name), os.path.join(folder, name))
            folders.append(folder)
            return sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".bar"))

        def in_process():
            files = fresh_folder()
            out_json = os.path.join(work, "folder.json")
            env = dict(os.environ, ROLLSCRIBE_BENCH_DIR=work, ROLLSCRIBE_BENCH_BATCH="0",
                       ROLLSCRIBE_BENCH_FOLDER=os.path.dirname(files[0]))
            subprocess.run([bench, "--benchmark_filter=BM_LoadFolder", "--benchmark_out=" + out_json,
                            "--benchmark_out_format=json"], check=True, env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            b = json.load(open(out_json))["benchmarks"][0]
            return b["real_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]

        one, all_, cpu1, cpun, inproc_times = [], [], [], [], []
        run_timed([convert, "-q", "-j", "1", *fresh_folder()])  # warms the page cache
        for _ in range(args.repeat):
            files = fresh_folder()
            os.sync()  # the previous run's files are written out before this one starts
            wall, _, cpu = run_timed([convert, "-q", "-j", "1", *files])
            one.append(wall)
            cpu1.append(cpu)
            files = fresh_folder()
            os.sync()
            wall, _, cpu = run_timed([convert, "-q", "-j", str(cores), *files])
            all_.append(wall)
            cpun.append(cpu)
            inproc_times.append(in_process())
        t1, tn = statistics.median(one), statistics.median(all_)
        rows.append(("Batch of %d rolls: -j 1 / -j %d" % (len(batch), cores),
                     "%.3f s / %.3f s = %.2fx (best %.3f / %.3f s; CPU time %.3f / %.3f s)" % (
                         t1, tn, t1 / tn, min(one), min(all_), statistics.median(cpu1),
                         statistics.median(cpun)),
                     ">= 1.7x on 2 cores", t1 / tn >= 1.7))
        inproc = statistics.median(inproc_times)
        overhead = (t1 - inproc) / len(batch)
        rows.append(("Overhead per roll beyond its conversion (-j 1)",
                     "%.3f ms (%.3f s whole process, %.3f s converting in-process)" % (overhead * 1e3, t1, inproc),
                     "< 1 ms", overhead < 1e-3))

        stages = {}
        if not args.skip_stages:
            print("Stage benchmarks (in-process, 3 repetitions; bytes read, or written for the MIDI writing):")
            stages = stage_benchmarks(bench, work, args.batch, 3)
            print()
        # The whole load at 1 MB and 100 MB, and the batch in-process, repeated for the ratios.
        loads = stage_benchmarks(bench, work, args.batch, args.repeat,
                                 "BM_LoadRoll/(1048576|10485760|104857600)/")

        # One large roll: conversion against cp of the roll and of as many output bytes.
        mid = os.path.join(work, "large_BAR_e.mid")
        run_timed([convert, "-q", large])  # warms the page cache for both
        copies = [os.path.join(work, "copy.bar"), os.path.join(work, "copy.mid")]
        conv_times, cp_times, peaks = [], [], []
        for _ in range(args.repeat):
            os.remove(mid)
            os.sync()  # neither side waits for the other's write-back
            wall, peak, _ = run_timed([convert, "-q", large])
            conv_times.append(wall)
            peaks.append(peak)
            for c in copies:
                if os.path.exists(c):
                    os.remove(c)
            os.sync()
            cp_times.append(run_timed(["cp", large, copies[0]])[0] + run_timed(["cp", mid, copies[1]])[0])
        large_bytes, out_bytes = os.path.getsize(large), os.path.getsize(mid)
        conv, cp = statistics.median(conv_times), statistics.median(cp_times)
        rows.append(("Large roll (%.0f MB in, %.0f MB out): convert / cp" % (large_bytes / MB, out_bytes / MB),
                     "%.3f s / %.3f s = %.1fx (best %.3f / %.3f s)" % (conv, cp, conv / cp, min(conv_times), min(cp_times)),
                     "<= 3x", conv / cp <= 3))
        peak = max(peaks)
        budget = 40 * large_events + out_bytes + 16 * MB
        rows.append(("Peak memory, large roll (%d events)" % large_events,
                     "%.0f MB (%.1f bytes/event all in)" % (peak / MB, peak / large_events),
                     "<= %.0f MB" % (budget / MB), peak <= budget))

        # Linear cost: the whole load per input byte.
        small = loads["BM_LoadRoll/1048576/real_time"]
        big = loads["BM_LoadRoll/104857600/real_time"]
        per_small, per_big = small["median_s"] / MB, big["median_s"] / (100 * MB)
        rows.append(("Load time per input byte, 100 MB vs 1 MB",
                     "%.2f ns vs %.2f ns: %+.0f%% (best %.2f vs %.2f ns)" % (
                         per_big * 1e9, per_small * 1e9, (per_big / per_small - 1) * 100,
                         big["min_s"] / (100 * MB) * 1e9, small["min_s"] / MB * 1e9),
                     "within 20%", abs(per_big / per_small - 1) <= 0.2))

        desk = loads["BM_LoadRoll/10485760/real_time"]
        rows.append(("Load of a 10 MB roll (what the desktop program runs)",
                     "%.3f s (best %.3f s)" % (desk["median_s"], desk["min_s"]), "< 0.3 s", desk["median_s"] < 0.3))

        print()
        if stages:
            print("| Stage (best of 3) | 100 KB | 1 MB | 10 MB | 100 MB |")
            print("|---|---|---|---|---|")
            for stage in ("BM_ReadAnnotations", "BM_ParseRoll", "BM_WriteMidi", "BM_LoadRoll"):
                cells = []
                for size in (100 * 1024, MB, 10 * MB, 100 * MB):
                    s = stages.get("%s/%d/real_time" % (stage, size))
                    cells.append("%.1f ms, %.0f MB/s" % (s["min_s"] * 1e3, s["bytes_per_second"] / MB) if s else "-")
                print("| %s | %s |" % (stage[3:], " | ".join(cells)))
            print()
        print("| Measurement | Figure | Target | Met |")
        print("|---|---|---|---|")
        for name, figure, target, met in rows:
            print("| %s | %s | %s | %s |" % (name, figure, target, "yes" if met else "NO"))
        print()
        print("Load average after: %.2f %.2f %.2f (figures are medians of %d runs)" % (os.getloadavg() + (args.repeat,)))
    finally:
        if not args.work:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
