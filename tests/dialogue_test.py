#!/usr/bin/env python3
"""The built program seen from outside: bytes in, bytes and exit status out.

Usage: dialogue_test.py [--windows] [--no-memory-limit] PROGRAM [ARGUMENT...]

PROGRAM with its ARGUMENTs is the command that starts constcheck (for the
Windows build: wine PATH/constcheck.exe). --windows expects that platform's
line ends and its command interpreter's pause; --no-memory-limit leaves out the
memory-limit cases, which the memory map of a sanitizer or of valgrind cannot
run under.
"""
import os
import re
import resource
import signal
import subprocess
import sys
import tempfile
import unittest

PROMPT = b"Vvedite konstantu:"
VALID = b"Pravil'naya zapis' konstanty!"
INVALID = b"Nepravil'naya zapis' konstanty!"
WINDOWS = "--windows" in sys.argv
NO_MEMORY_LIMIT = "--no-memory-limit" in sys.argv
PROGRAM = [word for word in sys.argv[1:] if word not in ("--windows", "--no-memory-limit")]
NEWLINE = b"\r\n" if WINDOWS else b"\n"


def run(stdin, arguments=()):
    return subprocess.run(PROGRAM + list(arguments), input=stdin, capture_output=True, timeout=60)


class Dialogue(unittest.TestCase):
    def assertVerdict(self, stdin, verdict, arguments=()):
        result = run(stdin, arguments)
        expected = PROMPT + NEWLINE + verdict + NEWLINE
        if WINDOWS:  # the command interpreter's pause speaks last, and alone
            self.assertEqual(result.stdout[:len(expected)], expected)
            self.assertRegex(result.stdout[len(expected):], rb"^Press any key[^\r\n]*(\r\n)?$")
        else:
            self.assertEqual(result.stdout, expected)
            self.assertEqual(result.stderr, b"")
        self.assertEqual(result.returncode, 0)

    def test_verdicts(self):
        for stdin, verdict in [(b"1.5e-3\n", VALID), (b"1e5\n", INVALID), (b"-5.e+1\r\n", VALID),
                               (b"1.5e-3", VALID), (b"1\x002\n", VALID), (b" 5\n", INVALID),
                               (b"5\r", INVALID), (b"1\r\r\n", INVALID),  # a CR goes only as part of CR LF
                               (b"1e5\n1.5e-3\n", INVALID), (b"1.5e-3\nnot a number\n", VALID),  # the first line only
                               (b"", INVALID), (b"\n", INVALID)]:  # no constant at all
            with self.subTest(stdin=stdin):
                self.assertVerdict(stdin, verdict)

    # Every constant that the documents give a verdict, and the manual page's piped run.
    def test_the_documents_examples(self):
        readme, page, text = [open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", name)).read().replace(
            "\\-", "-") for name in ("README.md", "doc/constcheck.1.in", "doc/README.txt.in")]
        table = readme.split("## The notation")[1].split("\n## ")[0]
        found = [{(item, column == 0) for row in re.findall(r"^\|(.*)\|(.*)\|$", table, re.M)
                  for column, cell in enumerate(row) for item in re.findall(r"`([^`]*)`", cell)},
                 {(item, not wrong) for wrong, items in re.findall(r"^Written (in)?correctly:\n(.*?)\n\.[PS]", page, re.M | re.S)
                  for item in re.findall(r"^\.BR? (\S+)", items, re.M)},
                 {(item, not wrong) for wrong, items in re.findall(r"written (in)?correctly:(.*(?:\n {20,}\S.*)*)", text)
                  for item in re.split(r"\s{2,}", items.strip()) if " " not in item},
                 {(item, right == "P") for document in (readme, page, text)  # a session: prompt, typed line, verdict
                  for item, right in re.findall(r"konstantu:.*\n\s*(\S+)\n\s*(P|Nep)", document)}]
        self.assertEqual([len(f) >= least for f, least in zip(found, [15, 15, 15, 1])], [True] * 4, "examples not found")
        for item, right in set.union(*found):
            with self.subTest(example=item):
                self.assertVerdict(item.encode() + b"\n", VALID if right else INVALID)
        piped = re.findall(r"^\$ echo (\S+) \| constcheck\nVvedite konstantu:\n(.*)\n\.EE", page, re.M)
        for line, verdict in piped or self.fail("the manual page's piped run was not found"):
            self.assertVerdict(line.encode() + b"\n", verdict.encode())

    def test_arguments_change_nothing(self):
        self.assertVerdict(b"1.5e-3\n", VALID, ["--help", "1e5"])

    def test_a_line_of_megabytes_is_read_whole(self):
        digits = b"1234567890" * (1 << 20)
        self.assertVerdict(digits + b".5e+3\n", VALID)
        self.assertVerdict(digits + b".5e+3x\n", INVALID)

    @unittest.skipIf(WINDOWS, "no /dev/full there")
    def test_unwritable_output_is_a_failure(self):
        with open("/dev/full", "wb") as full:
            result = subprocess.run(PROGRAM, input=b"1\n", stdout=full, stderr=subprocess.PIPE, timeout=60)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, b"constcheck: cannot write to standard output: No space left on device\n")

    @unittest.skipIf(WINDOWS, "these inputs and errors are POSIX ones")
    def test_a_failure_after_the_prompt_says_why(self):
        empty, writer = os.pipe()  # the writer stays open: nothing to read, and no end of input either
        os.set_blocking(empty, False)
        inputs = [os.open(os.devnull, os.O_WRONLY), os.open("/", os.O_RDONLY), empty, subprocess.PIPE]
        for stdin, message in zip(inputs, [b"cannot read standard input: Bad file descriptor",
                                           b"cannot read standard input: Is a directory",
                                           b"cannot read standard input: Resource temporarily unavailable",
                                           b"cannot write to standard output: Broken pipe"]):
            # SIGPIPE ignored, as after trap '' PIPE: the verdict's write to a pipe nobody reads fails.
            with self.subTest(message=message), subprocess.Popen(
                    PROGRAM, stdin=stdin, stdout=subprocess.PIPE, stderr=subprocess.PIPE, restore_signals=False) as run:
                self.assertEqual(run.stdout.read(len(PROMPT + NEWLINE)), PROMPT + NEWLINE)
                run.stdout.close()
                _, stderr = run.communicate(b"1\n" if stdin == subprocess.PIPE else None, timeout=60)
                self.assertEqual((run.returncode, stderr), (1, b"constcheck: " + message + b"\n"))
        for descriptor in inputs[:3] + [writer]:
            os.close(descriptor)

    @unittest.skipIf(WINDOWS or NO_MEMORY_LIMIT, "the limit is set through POSIX, and needs the program alone")
    def test_a_line_too_large_for_memory_is_a_failure(self):
        limit = 48 << 20
        with tempfile.TemporaryFile() as line:
            line.write(b"7" * (limit + (16 << 20)) + b"\n")
            line.seek(0)
            result = subprocess.run(PROGRAM, stdin=line, capture_output=True, timeout=60,
                                    preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, (limit, limit)))
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr, b"constcheck: not enough memory\n")
        self.assertEqual(result.stdout, PROMPT + NEWLINE)

    @unittest.skipIf(WINDOWS or NO_MEMORY_LIMIT, "the limit is set through POSIX, and needs the program alone")
    def test_memory_too_short_to_start_is_a_failure_not_an_abort(self):
        outcomes = []
        for limit, kib in [(resource.RLIMIT_AS, kib) for kib in range(2500, 4000, 100)] + [
                (resource.RLIMIT_DATA, kib) for kib in range(50, 600, 50)]:
            result = subprocess.run(PROGRAM, input=b"1\n", capture_output=True, timeout=60,
                                    preexec_fn=lambda: resource.setrlimit(limit, (kib << 10, kib << 10)))
            # The other outcomes come before the program runs: its C library cannot be loaded
            # (status 127), or the kernel cannot start it at all (a crash).
            outcomes += [(result.returncode, result.stderr)] if result.returncode in (1, -signal.SIGABRT) else []
        self.assertTrue(outcomes and set(outcomes) == {(1, b"constcheck: not enough memory\n")}, outcomes)

if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
