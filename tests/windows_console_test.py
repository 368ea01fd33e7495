#!/usr/bin/env python3
"""The Windows program at a console, as a person meets it, on a pseudo-terminal under Wine:
the prompt, the typed line, the verdict on the next line, the command interpreter's pause,
and one key that ends the run with status 0. Each wait is for what must come, 30 s at most.

Usage: windows_console_test.py COMMAND...   (wine PATH/constcheck.exe)"""
import os
import re
import select
import signal
import sys
import termios
import time
import unittest

SHOWN = "Vvedite konstantu:\n1.5e-3\nPravil'naya zapis' konstanty!\nPress any key"


class WindowsConsole(unittest.TestCase):
    def shown_until(self, text):
        """What the console shows, its control sequences and carriage returns left out, up to `text`."""
        deadline = time.monotonic() + 30
        while text not in (shown := re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07|\r", b"", self.output).decode()):
            ready = select.select([self.master], [], [], max(0, deadline - time.monotonic()))[0]
            self.assertTrue(ready, f"no {text!r} in {shown[-300:]!r}")
            self.output += os.read(self.master, 4096)
        return shown[:shown.index(text) + len(text)]

    def test_a_typed_line_then_one_key(self):
        (child, self.master), self.output = os.forkpty(), b""
        if child == 0:
            os.execvp(sys.argv[1], sys.argv[1:])
        try:
            self.shown_until("Vvedite konstantu:")
            while termios.tcgetattr(self.master)[3] & termios.ECHO:  # until the console takes the keys itself
                time.sleep(0.01)
            os.write(self.master, b"1.5e-3\r")  # the line, and Enter
            self.assertEqual(self.shown_until("Press any key"), SHOWN)
            os.write(self.master, b"k")
            self.assertTrue(select.select([os.pidfd_open(child)], [], [], 30)[0], "one key did not end the pause")
        finally:  # a program that has ended is only reaped
            os.kill(child, signal.SIGKILL)
            status = os.waitstatus_to_exitcode(os.waitpid(child, 0)[1])
        self.assertEqual(status, 0)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
