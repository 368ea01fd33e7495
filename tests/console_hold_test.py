#!/usr/bin/env python3
"""The console hold at a terminal, driven as a person drives it: through an
interactive shell with job control (dash, which puts back no terminal modes
of its own, so what the terminal shows is what the program left). The hold
waits for one key, takes all of it, shows none of it, and leaves the
terminal as it found it on every way out.

Usage: console_hold_test.py PROGRAM
"""
import os
import select
import shutil
import signal
import sys
import termios
import time
import unittest

PROGRAM = sys.argv[1].encode()
HOLD = b"Press any key to continue . . . "


@unittest.skipUnless(shutil.which("dash"), "needs dash")
class ConsoleHold(unittest.TestCase):
    def setUp(self):
        self.master, self.slave = os.openpty()
        self.shell = os.fork()
        if self.shell == 0:
            os.setsid()
            os.login_tty(self.slave)
            for ignored_by_python in (signal.SIGPIPE, signal.SIGXFSZ):
                signal.signal(ignored_by_python, signal.SIG_DFL)
            os.execvpe("dash", ["dash", "-i"], {"PATH": os.environ["PATH"], "PS1": "$ ", "ENV": ""})
        self.output, self.seen = b"", 0
        self.read_until(b"$ ")
        self.before = termios.tcgetattr(self.slave)

    def tearDown(self):
        os.kill(self.shell, signal.SIGKILL)
        os.waitpid(self.shell, 0)
        os.close(self.master)
        os.close(self.slave)

    def read_until(self, text, seconds=10):
        """What came after the last text waited for, up to the end of this one."""
        deadline = time.monotonic() + seconds
        while text not in self.output[self.seen:]:
            ready, _, _ = select.select([self.master], [], [], max(0, deadline - time.monotonic()))
            self.assertTrue(ready, f"no {text!r} in {self.output[self.seen:]!r}")
            self.output += os.read(self.master, 4096)
        end = self.output.index(text, self.seen) + len(text)
        came, self.seen = self.output[self.seen:end], end
        return came

    def hold(self, redirect=b"", answer=b"1.5e-3", held=True):
        """Starts the program from the shell and answers it, up to the hold."""
        os.write(self.master, PROGRAM + redirect + b"\n")
        self.read_until(b"Vvedite konstantu:" if not redirect else PROGRAM + redirect)
        os.write(self.master, answer + b"\n")
        if held:
            self.read_until(HOLD)

    def status(self):
        """The program's exit status, as the shell tells it once the program is gone."""
        before_prompt = self.read_until(b"$ ")
        os.write(self.master, b"echo status=$?\n")
        self.read_until(b"\nstatus=")
        return before_prompt, int(self.read_until(b"\r\n"))

    def test_one_key_ends_the_wait_and_is_not_shown(self):
        self.hold()
        time.sleep(0.3)
        self.assertEqual(select.select([self.master], [], [], 0)[0], [], "it did not wait for the key")
        os.write(self.master, b"k")
        shown, status = self.status()
        self.assertEqual((shown, status), (b"\r\n$ ", 0))

    def test_every_byte_of_a_key_is_taken(self):
        for key in [b"\x1b[A", "я".encode(), b"\x1bOP", b"\x1bx"]:  # Up, a Cyrillic letter, F1, Alt+x
            with self.subTest(key=key):
                self.hold()
                os.write(self.master, key)
                self.assertEqual(self.status(), (b"\r\n$ ", 0))
                os.write(self.master, b"echo next\n")
                self.assertNotIn(b"not found", self.read_until(b"\nnext"))

    def test_ctrl_z_gives_the_terminal_back_and_fg_takes_it_up_again(self):
        self.hold()
        os.write(self.master, b"\x1a")
        self.read_until(b"Stopped")
        self.read_until(b"$ ")
        self.assertEqual(termios.tcgetattr(self.slave), self.before)
        os.write(self.master, b"fg\n")
        self.read_until(HOLD)
        os.write(self.master, b"k")
        self.assertEqual(self.status(), (b"\r\n$ ", 0))

    def test_a_signal_that_ends_the_program_leaves_the_terminal_as_it_was(self):
        for number in [signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGPIPE, signal.SIGUSR1,
                       signal.SIGALRM, signal.SIGXFSZ]:
            with self.subTest(signal=number.name):
                self.hold()
                if number == signal.SIGINT:
                    os.write(self.master, b"\x03")  # Ctrl+C
                else:
                    os.kill(os.tcgetpgrp(self.master), number)
                self.assertEqual(self.status()[1], 128 + number)
                self.assertEqual(termios.tcgetattr(self.slave), self.before)

    def test_no_hold_when_the_output_is_no_terminal(self):
        self.hold(redirect=b" >/dev/null", held=False)
        self.assertEqual(self.status()[1], 0)

    def test_a_line_that_reaches_the_terminals_limit_gets_no_verdict(self):
        self.hold(answer=b"1" * 4094)
        os.write(self.master, b"k")
        self.assertEqual(self.status()[1], 0)
        self.hold(answer=b"1" * 4200 + b"x", held=False)  # the terminal passes on 4095 of them
        shown, status = self.status()
        self.assertIn(b"constcheck: a line typed at a terminal is cut at 4095 bytes", shown)
        self.assertNotIn(b"zapis'", shown)
        self.assertEqual(status, 1)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
