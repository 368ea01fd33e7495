#!/usr/bin/env python3
"""Times constcheck against grep -E, Python's re and a minimal C program.

Usage: bench/compare.py PATH/TO/constcheck [--mib 256] [--runs 5] [--short-runs 300]

A one-line input of digits then ".5e+3" is checked by each contender in
turn (runs alternate, so drifts in the machine hit all alike); the median
wall time and the peak resident memory of each are printed with the ratios.
A short line ("1.5e-3") is then timed against a C program that only reads
and prints a line, which is the least any such program can cost.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

# The notation with the two rules about the point spelled out: grep has no
# look-around, so the rules become alternatives.
GREP_PATTERN = r"^-?([0-9]*(e[+-][0-9]*)?|[0-9]+\.([0-9]+|[0-9]*e[+-][0-9]*))$"
PYTHON_CHECK = r"""
import re, sys
line = sys.stdin.buffer.readline().rstrip(b"\n")
notation = re.compile(rb"-?[0-9]*(?:\.[0-9]*)?(?:e[+-][0-9]*)?")
ok = line != b"" and notation.fullmatch(line) and not line.lstrip(b"-").startswith(b".") and not line.endswith(b".")
print("Pravil'naya zapis' konstanty!" if ok else "Nepravil'naya zapis' konstanty!")
"""
MINIMAL_C = r"""
#include <stdio.h>
int main(void) {
    char line[4096];
    puts("Vvedite konstantu:");
    fflush(stdout);
    if (fgets(line, sizeof line, stdin)) puts("Pravil'naya zapis' konstanty!");
    return 0;
}
"""


def run_once(command, input_path):
    """Wall seconds and peak resident KiB of one run with stdin from input_path."""
    with open(input_path, "rb") as stdin, open(os.devnull, "wb") as devnull:
        start = time.perf_counter()
        child = subprocess.Popen(command, stdin=stdin, stdout=devnull)
        _, status, usage = os.wait4(child.pid, 0)
        elapsed = time.perf_counter() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode not in (0, 1):  # grep says 1 for "no match"
        sys.exit(f"{command[0]} failed with status {child.returncode}")
    return elapsed, usage.ru_maxrss


def compare(contenders, input_path, runs):
    """Median wall time and peak memory per contender, runs interleaved."""
    times = {name: [] for name in contenders}
    peaks = {name: 0 for name in contenders}
    for _ in range(runs):
        for name, command in contenders.items():
            elapsed, peak = run_once(command, input_path)
            times[name].append(elapsed)
            peaks[name] = max(peaks[name], peak)
    return {name: (statistics.median(times[name]), peaks[name]) for name in contenders}


def report(title, results, line_bytes=None):
    print(f"\n{title}")
    ours_time, ours_peak = results["constcheck"]
    for name, (median, peak) in results.items():
        row = f"  {name:<12} median {median * 1000:9.2f} ms"
        if line_bytes:  # a short run's peak is mostly this process's own, which it starts with
            row += f"   peak {peak / 1024:8.1f} MiB"
        if name != "constcheck":
            row += f"   its time / constcheck's: {median / ours_time:.2f}"
        print(row)
    if line_bytes:
        print(f"  constcheck peak memory is {ours_peak * 1024 / line_bytes:.2f}x the line")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--short-runs", type=int, default=300)
    options = parser.parse_args()
    program = os.path.abspath(options.program)

    with tempfile.TemporaryDirectory() as scratch:
        long_input = os.path.join(scratch, "long.txt")
        tail = b".5e+3\n"
        line_bytes = options.mib << 20
        with open(long_input, "wb") as out:
            # Written in pieces: a run's peak memory counts this process's own at the start.
            piece = b"1234567890" * 102400
            digits = line_bytes - len(tail)
            for _ in range(digits // len(piece)):
                out.write(piece)
            out.write(b"0" * (digits % len(piece)) + tail)
        results = compare({"constcheck": [program],
                           "grep -E": ["grep", "-cE", GREP_PATTERN],
                           "python re": [sys.executable, "-c", PYTHON_CHECK]},
                          long_input, options.runs)
        report(f"One line of {options.mib} MiB, {options.runs} runs each:", results, line_bytes)

        short_input = os.path.join(scratch, "short.txt")
        with open(short_input, "wb") as out:
            out.write(b"1.5e-3\n")
        minimal = os.path.join(scratch, "minimal")
        subprocess.run(["cc", "-O2", "-x", "c", "-o", minimal, "-"], input=MINIMAL_C.encode(), check=True)
        results = compare({"constcheck": [program], "minimal C": [minimal]}, short_input, options.short_runs)
        report(f"One short line, {options.short_runs} runs each:", results)


if __name__ == "__main__":
    main()
