#!/usr/bin/env python3
"""Turns bench_regex's JSON output into the tables of bench/README.md.

Usage: bench_regex --benchmark_out=regex.json --benchmark_out_format=json && \
       bench/regex_report.py regex.json
With --benchmark_repetitions each figure is the median of the repetitions.
"""
import json
import statistics
import sys

ENGINES = ["ours", "pcre2", "pcre2_jit", "std_regex"]
SIZES = ["100KB", "1MB", "8MB"]


def main(path):
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    speed = {}  # (pattern, engine, size) -> MB/s
    heap = {}
    rates = {}  # (pattern, engine, size) -> MB/s of each repetition
    for run in runs:
        if run.get("run_type") == "aggregate":
            continue
        parts = run.get("run_name", run["name"]).split("/")
        if parts[0] == "peak_heap":
            heap[parts[1]] = run
            continue
        if parts[0] == "compile":  # no subject: its figures are read from the console
            continue
        key = tuple(parts)
        if run.get("error_occurred"):
            speed.setdefault(key, None)
            continue
        rates.setdefault(key, []).append(run["bytes_per_second"] / 1e6)
    for key, values in rates.items():
        speed[key] = statistics.median(values)
    patterns = []
    for key in speed:
        if key[0] not in patterns:
            patterns.append(key[0])

    def cell(value):
        return "—" if value is None else f"{value:.1f}"

    print("| Pattern | Page | ours MB/s | PCRE2 MB/s | PCRE2 JIT MB/s | std::regex MB/s "
          "| ours/PCRE2 time | ours/JIT speed |")
    print("|---|---|---|---|---|---|---|---|")
    for pattern in patterns:
        for size in SIZES:
            values = [speed.get((pattern, engine, size)) for engine in ENGINES]
            ours, pcre2, jit = values[0], values[1], values[2]
            ratio = "—" if not ours or not pcre2 else f"{pcre2 / ours:.2f}"
            versus_jit = "—" if not ours or not jit else f"{ours / jit:.2f}"
            print(f"| {pattern} | {size} | " + " | ".join(cell(v) for v in values) +
                  f" | {ratio} | {versus_jit} |")
    print()
    print("| Pattern | ours ms/MB at 100KB | at 1MB | at 8MB | 8MB vs 100KB |")
    print("|---|---|---|---|---|")
    for pattern in patterns:
        per_mb = [speed.get((pattern, "ours", size)) for size in SIZES]
        if None in per_mb:
            continue
        ms = [1000.0 / v for v in per_mb]
        print(f"| {pattern} | {ms[0]:.2f} | {ms[1]:.2f} | {ms[2]:.2f} | {ms[2] / ms[0]:.2f} |")
    if heap:
        print()
        print("| Search | subject MB | peak heap MB | budget MB (2x subject + 1 MB) |")
        print("|---|---|---|---|")
        for pattern, run in heap.items():
            budget = run.get("budget_MB")
            print(f"| {pattern} | {run['subject_MB']:.2f} | {run['peak_heap_MB']:.2f} | " +
                  ("—" if budget is None else f"{budget:.2f}") + " |")


if __name__ == "__main__":
    main(sys.argv[1])
