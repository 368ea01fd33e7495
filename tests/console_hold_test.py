#!/usr/bin/env python3
"""The console hold on a terminal: it waits for one key and leaves the
terminal as it found it, also when the wait is cut short by Ctrl+C.

Usage: console_hold_test.py PROGRAM
"""
import os
import select
import signal
import sys
import termios
import time
import unittest

PROGRAM = sys.argv[1]


class ConsoleHold(unittest.TestCase):
    def start(self):
        """Starts the program on a new terminal, as its controlling terminal."""
        self.master, self.slave = os.openpty()
        self.before = termios.tcgetattr(self.slave)
        self.pid = os.fork()
        if self.pid == 0:
            os.setsid()
            os.login_tty(self.slave)
            os.execv(PROGRAM, [PROGRAM])
        self.output = b""

    def tearDown(self):
        os.close(self.master)
        os.close(self.slave)

    def read_until(self, text, seconds=10):
        deadline = time.monotonic() + seconds
        while text not in self.output:
            ready, _, _ = select.select([self.master], [], [], max(0, deadline - time.monotonic()))
            self.assertTrue(ready, f"no {text!r} in {self.output!r}")
            self.output += os.read(self.master, 4096)

    def finish(self):
        _, status = os.waitpid(self.pid, 0)
        self.assertEqual(termios.tcgetattr(self.slave), self.before)
        return status

    def test_one_key_ends_the_wait(self):
        self.start()
        os.write(self.master, b"1.5e-3\n")
        self.read_until(b"Press any key to continue . . . ")
        self.assertIn(b"Pravil'naya zapis' konstanty!", self.output)
        time.sleep(0.3)
        self.assertEqual(os.waitpid(self.pid, os.WNOHANG), (0, 0), "it did not wait for the key")
        os.write(self.master, b"x")
        self.assertEqual(os.waitstatus_to_exitcode(self.finish()), 0)

    def test_ctrl_c_during_the_wait_restores_the_terminal(self):
        self.start()
        os.write(self.master, b"1e5\n")
        self.read_until(b"Press any key")
        os.write(self.master, b"\x03")
        self.assertEqual(os.waitstatus_to_exitcode(self.finish()), -signal.SIGINT)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
