#!/usr/bin/env python3
"""Times constcheck against a C floor, grep -E, Python's re and a minimal C program.

Usage: bench/compare.py PATH/TO/constcheck [--mib 256] [--runs 5] [--short-runs 1000]

A one-line input of digits then ".5e+3" is checked by each contender in turn
(runs alternate, so drifts in the machine hit all alike), from the file and
through a pipe (cat FILE |). The floor is the least such a program can do:
read the line with read() and realloc(), and look at each byte once. The
median wall time and the peak resident memory of each are printed, with the
ratios. A short line ("1.5e-3") is then timed against a C program that only
reads and prints a line, the least any such program can cost to start.

Each run is started and measured by a small C launcher, so that its time
holds no Python and its peak memory none inherited from this script.
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile

# The notation exactly, with the rules about the point and the empty line
# spelled out: grep has no look-around, so the rules become alternatives.
GREP_PATTERN = r"^(-|-?([0-9]+(e[+-][0-9]*)?|e[+-][0-9]*|[0-9]+\.([0-9]+|[0-9]*e[+-][0-9]*)))$"
PYTHON_CHECK = r"""
import re, sys
line = sys.stdin.buffer.readline().rstrip(b"\n")
notation = re.compile(rb"-?[0-9]*(?:\.[0-9]*)?(?:e[+-][0-9]*)?")
ok = line != b"" and notation.fullmatch(line) and not line.lstrip(b"-").startswith(b".") and not line.endswith(b".")
print("Pravil'naya zapis' konstanty!" if ok else "Nepravil'naya zapis' konstanty!")
"""
# Lines on which the two patterns must give the program's verdict before anything is timed.
SAMPLE = ["0", "-5", "3.14", "1.5e-3", "5.e+1", "1e+10", "12e-", "e+5", "-e-", "-", "5.", ".5", "-.5", ".e+5",
          "1e5", "1E+5", "+1", "--5", " 5", "5 ", "1.2.3", "1..2", "1.e", "1e+5.0", "1e+-5", "1-", "a", ""]
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
FLOOR_C = r"""
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>
int main(void) {
    size_t capacity = 1 << 16, length = 0;
    char *line = malloc(capacity);
    puts("Vvedite konstantu:");
    fflush(stdout);
    for (;;) {
        if (length == capacity && !(line = realloc(line, capacity *= 2))) return 1;
        ssize_t got = read(0, line + length, capacity - length);
        if (got <= 0) break;
        char *newline = memchr(line + length, '\n', (size_t)got);
        length += (size_t)got;
        if (newline) { length = (size_t)(newline - line); break; }
    }
    size_t digits = 0;
    for (size_t i = 0; i < length; ++i) digits += line[i] >= '0' && line[i] <= '9';
    puts(digits == length ? "Pravil'naya zapis' konstanty!" : "Nepravil'naya zapis' konstanty!");
    return 0;
}
"""
# Runs the command with this stdin and its stdout to /dev/null; prints the
# wall seconds, the peak resident KiB and the exit status.
LAUNCHER_C = r"""
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
int main(int argc, char **argv) {
    struct timespec start, end;
    struct rusage usage;
    int status;
    (void)argc;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t child = fork();
    if (child == 0) {
        dup2(open("/dev/null", O_WRONLY), 1);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    wait4(child, &status, 0, &usage);
    clock_gettime(CLOCK_MONOTONIC, &end);
    printf("%.9f %ld %d\n", (end.tv_sec - start.tv_sec) + (end.tv_nsec - start.tv_nsec) / 1e9, usage.ru_maxrss,
           WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
"""


def compile_c(source, path):
    subprocess.run(["cc", "-O2", "-x", "c", "-o", path, "-"], input=source.encode(), check=True)
    return path


def check_patterns(program):
    """Stops unless grep's pattern and Python's check agree with the program on every sample line."""
    for line in SAMPLE:
        verdicts = [subprocess.run(command, input=line.encode() + b"\n", capture_output=True).stdout
                    for command in ([program], ["grep", "-cE", GREP_PATTERN], [sys.executable, "-c", PYTHON_CHECK])]
        valid = [b"Pravil'" in verdicts[0], verdicts[1] == b"1\n", b"Pravil'" in verdicts[2]]
        if valid != [valid[0]] * 3:
            sys.exit(f"the benchmark's patterns and the program disagree on {line!r}: {verdicts}")


def run_once(launcher, command, input_path, piped):
    """Wall seconds and peak resident KiB of one run, its stdin the file or a pipe from cat."""
    with open(input_path, "rb") as source:
        feeder = subprocess.Popen(["cat"], stdin=source, stdout=subprocess.PIPE) if piped else None
        result = subprocess.run([launcher] + command, stdin=feeder.stdout if feeder else source,
                                capture_output=True, check=True)
        if feeder:
            feeder.stdout.close()
            feeder.wait()
    seconds, peak, status = result.stdout.split()
    if int(status) not in (0, 1):  # grep says 1 for "no match"
        sys.exit(f"{command[0]} failed with status {int(status)}")
    return float(seconds), int(peak)


def compare(launcher, contenders, input_path, runs):
    """Median wall time and peak memory per contender, runs interleaved."""
    times = {name: [] for name in contenders}
    peaks = {name: 0 for name in contenders}
    for run in range(runs):
        print(f"  run {run + 1} of {runs}", end="\r", file=sys.stderr, flush=True)
        for name, (command, piped) in contenders.items():
            elapsed, peak = run_once(launcher, command, input_path, piped)
            times[name].append(elapsed)
            peaks[name] = max(peaks[name], peak)
    return {name: (statistics.median(times[name]), peaks[name]) for name in contenders}


def report(title, results, baselines, line_bytes=None):
    """Each row's time against its baseline: the floor on the same input."""
    print(f"\n{title}")
    for name, (median, peak) in results.items():
        baseline = baselines(name)
        row = f"  {name:<22} median {median * 1000:9.2f} ms   its time / {baseline}'s: {median / results[baseline][0]:5.2f}"
        if line_bytes:
            row += f"   peak {peak / 1024:7.1f} MiB = {peak * 1024 / line_bytes:.3f}x the line"
        print(row)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--mib", type=int, default=256)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--short-runs", type=int, default=1000)
    options = parser.parse_args()
    program = os.path.abspath(options.program)
    check_patterns(program)

    with tempfile.TemporaryDirectory() as scratch:
        launcher = compile_c(LAUNCHER_C, os.path.join(scratch, "launch"))
        floor = compile_c(FLOOR_C, os.path.join(scratch, "floor"))
        minimal = compile_c(MINIMAL_C, os.path.join(scratch, "minimal"))

        long_input = os.path.join(scratch, "long.txt")
        tail = b".5e+3\n"
        line_bytes = options.mib << 20
        with open(long_input, "wb") as out:
            piece = b"1234567890" * 102400
            digits = line_bytes - len(tail)
            for _ in range(digits // len(piece)):
                out.write(piece)
            out.write(b"0" * (digits % len(piece)) + tail)
        contenders = {"constcheck < file": ([program], False), "C floor < file": ([floor], False),
                      "cat | constcheck": ([program], True), "cat | C floor": ([floor], True),
                      "grep -E < file": (["grep", "-cE", GREP_PATTERN], False),
                      "python re < file": ([sys.executable, "-c", PYTHON_CHECK], False)}
        print(f"One line of {options.mib} MiB, {len(contenders)} contenders, {options.runs} runs each:", flush=True)
        results = compare(launcher, contenders, long_input, options.runs)
        report(f"One line of {options.mib} MiB:", results,
               lambda name: "cat | C floor" if name.startswith("cat |") else "C floor < file", line_bytes)

        short_input = os.path.join(scratch, "short.txt")
        with open(short_input, "wb") as out:
            out.write(b"1.5e-3\n")
        print(f"\nOne short line, {options.short_runs} runs each:", flush=True)
        results = compare(launcher, {"constcheck": ([program], False), "minimal C": ([minimal], False)},
                          short_input, options.short_runs)
        report("One short line:", results, lambda name: "minimal C")


if __name__ == "__main__":
    main()
