#!/usr/bin/env python3
"""The console hold at a terminal, driven as a person drives it: through an
interactive shell with job control (dash, which puts back no terminal modes
of its own, so what the terminal shows is what the program left; and bash,
for its own ways with jobs), or as the one program of a new session. The
hold waits for one key, takes all of it, shows none of it, and gives the
terminal back on every way out. Nothing here waits on time: every write to a
shell waits for the shell's prompt, every check for the output it expects.

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
SHELLS = {"dash": ["dash", "-i"], "bash": ["bash", "--norc", "--noprofile", "--noediting", "-i"]}


class Terminal(unittest.TestCase):
    def start(self, command):
        """Starts the command as the leader of a new session on a new terminal."""
        self.master, self.slave = os.openpty()
        self.child = os.fork()
        if self.child == 0:
            os.setsid()
            os.login_tty(self.slave)
            for ignored_by_python in (signal.SIGPIPE, signal.SIGXFSZ):
                signal.signal(ignored_by_python, signal.SIG_DFL)
            os.execvpe(command[0], command, {"PATH": os.environ["PATH"], "PS1": "$ ", "ENV": ""})
        self.output, self.seen = b"", 0

    def tearDown(self):
        if self.child:
            os.kill(self.child, signal.SIGKILL)
            os.waitpid(self.child, 0)
        os.close(self.master)
        os.close(self.slave)

    def read_until(self, text, seconds=20):
        """What came after the last text waited for, up to the end of this one."""
        deadline = time.monotonic() + seconds
        while text not in self.output[self.seen:]:
            ready, _, _ = select.select([self.master], [], [], max(0, deadline - time.monotonic()))
            self.assertTrue(ready, f"no {text!r} in {self.output[self.seen:]!r}")
            self.output += os.read(self.master, 65536)
        end = self.output.index(text, self.seen) + len(text)
        came, self.seen = self.output[self.seen:end], end
        return came


class ConsoleHold(Terminal):
    def setUp(self, shell="dash"):
        if not shutil.which(shell):
            self.skipTest(f"needs {shell}")
        self.start(SHELLS[shell])
        self.type_command(b"")  # the shell has set the terminal up once its prompt is out
        self.before = termios.tcgetattr(self.slave)

    def type_command(self, command):
        """Types the command once the shell asks for one; what came before its prompt."""
        before_prompt = self.read_until(b"$ ")
        os.write(self.master, command + b"\n")
        return before_prompt

    def hold(self, redirect=b"", answer=b"1.5e-3\n", held=True):
        """Starts the program from the shell and answers it; what it wrote up to the hold."""
        self.type_command(PROGRAM + redirect)
        self.read_until(b"Vvedite konstantu:" if not redirect else PROGRAM + redirect)
        os.write(self.master, answer)
        return self.read_until(HOLD) if held else b""

    def status(self, command=b""):
        """Runs the command, then tells the exit status of what ran last; what came before the prompt."""
        before_prompt = self.type_command(command + b"echo status=$?")
        self.read_until(b"\nstatus=")
        return before_prompt, int(self.read_until(b"\r\n"))

    def test_one_key_ends_the_wait_and_is_not_shown(self):
        self.hold()
        self.assertEqual(select.select([self.master], [], [], 0.3)[0], [], "it did not wait for the key")
        os.write(self.master, b"k")
        self.assertEqual(self.status(), (b"\r\n$ ", 0))

    def test_every_byte_of_a_key_is_taken(self):
        for key in [b"\x1b[A", "я".encode(), b"\x1bOP", b"\x1bx"]:  # Up, a Cyrillic letter, F1, Alt+x
            with self.subTest(key=key):
                self.hold()
                os.write(self.master, key)
                self.assertEqual(self.status(), (b"\r\n$ ", 0))  # a byte left over would spoil the command

    def test_ctrl_z_gives_the_terminal_back_and_fg_takes_it_up_again(self):
        self.hold()
        os.write(self.master, b"\x1a")
        self.read_until(b"Stopped")
        self.type_command(b"stty intr ^X -ixon")  # a setting changed while it is stopped stays
        self.type_command(b"")
        changed = termios.tcgetattr(self.slave)
        self.assertNotEqual(changed, self.before)
        os.write(self.master, b"fg\n")
        self.read_until(HOLD)
        os.write(self.master, b"\x18")  # the new Ctrl+C
        self.assertEqual(self.status()[1], 128 + signal.SIGINT)
        self.assertEqual(termios.tcgetattr(self.slave), changed)

    def test_a_program_told_to_end_while_stopped_ends_when_continued_without_asking_again(self):
        self.hold()
        program = os.tcgetpgrp(self.master)
        os.write(self.master, b"\x1a")
        self.read_until(b"Stopped")
        os.kill(program, signal.SIGTERM)  # no SIGCONT with it, as from dash's kill
        self.type_command(b"fg")
        shown, status = self.status()
        self.assertNotIn(HOLD, shown)
        self.assertEqual(status, 128 + signal.SIGTERM)
        self.assertEqual(termios.tcgetattr(self.slave), self.before)

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

    def test_a_signal_that_the_shell_ignores_stays_ignored(self):
        self.type_command(b"trap '' USR1")
        self.hold()
        for number in [signal.SIGUSR1, signal.SIGTERM]:  # had the first ended it, it would say so
            os.kill(os.tcgetpgrp(self.master), number)
        self.assertEqual(self.status()[1], 128 + signal.SIGTERM)

    def test_no_hold_when_the_output_is_no_terminal(self):
        self.hold(redirect=b" >/dev/null", held=False)
        self.assertEqual(self.status()[1], 0)

    def test_a_line_ended_by_ctrl_d_gets_its_verdict_on_a_line_of_its_own(self):
        self.assertEqual(self.hold(answer=b"12\x04\x04"), b"\r\n12\r\nPravil'naya zapis' konstanty!\r\n" + HOLD)
        os.write(self.master, b"k")
        self.assertEqual(self.status()[1], 0)

    def test_a_line_that_reaches_the_terminals_limit_gets_no_verdict_and_a_hold(self):
        self.hold(answer=b"1" * 4094 + b"\n")
        os.write(self.master, b"k")
        self.assertEqual(self.status()[1], 0)
        # The terminal passes on 4095 bytes of the first; a carriage return typed as such counts.
        for answer in [b"1" * 4200 + b"x\n", b"1" * 4094 + b"\x16\r\n"]:
            shown = self.hold(answer=answer)
            os.write(self.master, b"k")
            self.assertIn(b"constcheck: a line typed at a terminal is cut at 4095 bytes", shown)
            self.assertNotIn(b"zapis'", shown)
            self.assertEqual(self.status()[1], 1)


class ConsoleHoldUnderBash(ConsoleHold):
    def setUp(self, shell="bash"):
        super().setUp(shell)

    def test_a_stopped_or_background_program_ends_by_kill(self):
        for resume_and_kill in [b"kill %%", b"bg; kill -INT %%"]:
            with self.subTest(command=resume_and_kill):
                self.hold()
                program = os.pidfd_open(os.tcgetpgrp(self.master))
                os.write(self.master, b"\x1a")
                self.read_until(b"Stopped")
                self.type_command(resume_and_kill)
                self.assertTrue(select.select([program], [], [], 20)[0], "the program did not end")
                os.close(program)
                self.assertEqual(termios.tcgetattr(self.slave), self.before)


class SessionLeader(Terminal):
    def test_ctrl_z_is_dropped_where_nothing_can_stop_the_program(self):
        self.start([PROGRAM.decode()])
        self.read_until(b"Vvedite konstantu:")
        os.write(self.master, b"1\n")
        self.read_until(HOLD)
        os.write(self.master, b"\x1a")
        os.write(self.master, b"k")
        child, self.child = self.child, None
        self.assertEqual(os.waitpid(child, 0)[1], 0)
        self.assertEqual(self.read_until(b"\r\n"), b"\r\n")
        self.assertEqual(select.select([self.master], [], [], 0)[0], [], "it asked for a key again")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
