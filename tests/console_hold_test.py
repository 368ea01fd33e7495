#!/usr/bin/env python3
"""The console hold at a terminal, driven as a person drives it: from dash (which puts back no
terminal modes of its own, so the terminal shows what the program left) and bash with job control,
or alone in a new session, on a terminal its own or not. Every wait for what a step expects lasts
5 s at most. Usage: console_hold_test.py PROGRAM"""
import os
import pathlib
import resource
import select
import signal
import sys
import tempfile
import termios
import time
import unittest

PROGRAM = sys.argv[1]


class Exactly(str):
    """Output that must come next, exactly."""


PROMPT, HOLD = "Vvedite konstantu:", "Press any key to continue . . . "
ASK = [PROMPT, b"1.5e-3\r", Exactly("\r\n1.5e-3\r\nPravil'naya zapis' konstanty!\r\n" + HOLD)]  # Enter, the verdict
CUT = ", so this one may be incomplete; give a longer line through a pipe or a file (constcheck < file)\r\n" + HOLD
SHELLS = {"dash": ["dash", "-i"], "bash": ["bash", "--norc", "--noprofile", "--noediting", "-i"]}
LEADER, DETACHED, HANG_UP, HELD = "(leads its own session)", "(on a terminal not its own)", None, "(in the hold's mode)"
FISH, ENDED = "(the hold's mode put back with the next command, as fish does at fg)", "(the last process has ended)"
FOLDER = tempfile.TemporaryDirectory()  # a make job: its Makefile runs the program
open(f"{FOLDER.name}/Makefile", "w").write(f"all:\n\t{PROGRAM}\n")


# What a person does, and the exit status that must follow. A step is keys
# (bytes; several in a row come 3 ms apart, as over a slow link), output to
# wait for (str), a signal from outside (int; SIGWINCH as a resized window
# sends it; negative: to the whole job; else to the job's first process), a key
# held down with a signal from outside some seconds in (a tuple), a command typed at the shell's prompt ("$ ..."),
# HELD: the terminal back in the hold's mode, FISH, ENDED, or HANG_UP: the terminal is
# closed. A case is run from a shell, after a command that sets it up (a
# shell's name: from that shell only), or without a shell, as LEADER or
# DETACHED. Nothing may reach the shell, and the terminal must be left as the
# shell had it.
CASES = [
    ("", "{}", [*ASK, b"k", Exactly("\r\n")], 0),
    ("", "{}", [*ASK, b"\x1b[A"], 0),  # an arrow
    ("", "{}", [*ASK, b"\x1b", b"[", b"A"], 0),  # the same, its bytes apart
    ("", "{}", [*ASK, b"\xd1", b"\x8f"], 0),  # a Cyrillic letter in UTF-8
    ("", "{}", [*ASK, b"x" * 20000], 0),  # a paste
    ("", "{}", [*ASK, b"\x13"], 0),  # Ctrl+S
    ("", "{}", [*ASK, b"\x03"], 128 + signal.SIGINT),
    ("", "dash -c '{}; echo went on'", [*ASK, b"\x03"], 128 + signal.SIGINT),  # the key acts on the whole job
    ("", "bash -c '{}; echo went on'", [*ASK, b"\x03"], 128 + signal.SIGINT),  # bash goes on where the program alone got it
    ("", f"make -sf {FOLDER.name}/Makefile", [*ASK, b"\x1a", "Stopped", "$ fg"], 0),
    ("stty -isig", "{}", [*ASK, b"\x03"], 0),
    ("stty quit undef", "{}", [*ASK, b"\x00"], 0),
    ("", "{}", [*ASK, b"\x1c"], 128 + signal.SIGQUIT),
    ("stty intr ^X", "{}", [*ASK, b"\x18"], 128 + signal.SIGINT),
    ("trap '' INT", "{}", [*ASK, b"\x03"], 0),
    ("", "{}", [*ASK, b"\x1a", "Stopped", "$ fg"], 0),  # Ctrl+Z
    ("stty igncr", "{}", [PROMPT, b"1.5e-3\n", HOLD, b"\r"], 0),  # Enter is a key, compared as typed
    ("stty intr ^J", "{}", [*ASK, b"\r"], 0),
    ("stty min 5", "{}", [*ASK, signal.SIGWINCH, b"k"], 0),  # one key ends it, and a resize does not
    ("", "{}", [*ASK, (b"\x15", signal.SIGTERM, 0.5)], 128 + signal.SIGTERM),  # Ctrl+U: an idle shell ignores it
    ("", "{}", [*ASK, (b"\x1a", signal.SIGCONT, 0), "Stopped", "$ fg"], 0),  # a continue spends no stop of the key's
    *[("", "{}", [*ASK, number, "Stopped", "$ fg"], 0) for number in [signal.SIGTSTP, signal.SIGTTIN, signal.SIGTTOU]],
    ("", "sh -c '{}; echo went on $?'", [*ASK, -signal.SIGTSTP, "Stopped", "$ fg", "went on 0"], 0),  # sh stops first
    ("", "sh -c '{}; echo went on $?'", [*ASK, signal.SIGTSTP, "Stopped", ENDED, "$ fg", Exactly("fg\r\n"), "went on 0"], 0),  # sh alone
    ("dash", "sh -c '{}; echo went on $?'", [*ASK, -signal.SIGTSTP, "Stopped", FISH, "$ fg", "went on 0"], 0),
    # dash puts no mode back; a key typed ahead of the continue is not the hold's
    ("bash", "{}", [*ASK, signal.SIGSTOP, "Stopped", "$ fg\rk", HELD, b"\x1c"], 128 + signal.SIGQUIT),
    *[("", "{}", [*ASK, number], 128 + number) for number in [
        signal.SIGTERM, signal.SIGHUP, signal.SIGPIPE, signal.SIGUSR1, signal.SIGALRM, signal.SIGXFSZ, signal.SIGRTMIN + 1]],
    ("trap '' USR1", "{}", [*ASK, signal.SIGUSR1], 0),
    ("", "{}", [PROMPT, b"1.5e-3\nk", HOLD, b"\x03"], 128 + signal.SIGINT),  # a key typed ahead does not count
    ("", "{} >/dev/null", [b"1.5e-3\n"], 0),  # no hold where nobody reads
    ("", "printf 5 | {}; echo end", [PROMPT, Exactly("\r\nPravil'naya zapis' konstanty!\r\nend\r\n")], 0),
    ("", "{} 1</dev/tty", ["cannot write to standard output: Bad file descriptor"], 1),  # no prompt, no wait
    ("", "setsid -w {}", [*ASK, b"\x03"], 0),  # not its controlling terminal: the key only ends the wait
    ("trap '' TTIN", "{} & wait $!", ["cannot read standard input"], 1),  # the background leaves the terminal be
    ("stty -icanon", "{}", [PROMPT, b"1" * 5000 + b"\n", "Pravil'naya", HOLD, b"k"], 0),
    ("", "{}", [PROMPT, b"12\x04\x04", Exactly("\r\n12\r\nPravil'naya zapis' konstanty!\r\n" + HOLD), b"k"], 0),
    ("", "{}", [PROMPT, b"\x04", Exactly("\r\nNepravil'naya zapis' konstanty!\r\n" + HOLD), b"k"], 0),
    # The terminal passes on 4095 bytes of a line; a carriage return typed as such counts.
    ("", "{}", [PROMPT, b"1" * 4094 + b"\n", HOLD, b"k"], 0),
    ("", "{}", [PROMPT, b"1" * 4200 + b"x\n", "cut at 4095 bytes", Exactly(CUT), b"k"], 1),
    ("", "{}", [PROMPT, b"1" * 4094 + b"\x16\r\n", "cut at 4095 bytes", Exactly(CUT), b"k"], 1),
    (LEADER, "", [*ASK, b"\x1a"], 0),  # nothing can stop it: Ctrl+Z is only a key
    (LEADER, "", [*ASK, HANG_UP], 128 + signal.SIGHUP),
    (DETACHED, "", [*ASK, HANG_UP], 0),
]


class ConsoleHold(unittest.TestCase):
    def start(self, command, own_terminal=True):
        """Starts the command as the leader of a new session on a new terminal, its own or not."""
        self.master, slave = os.openpty()
        self.child, self.output, self.seen, self.before, self.held, self.put_back = os.fork(), b"", 0, None, None, None
        if self.child == 0:  # as a shell would start it: no signal ignored or blocked, and no core files
            for number in signal.valid_signals() - {signal.SIGKILL, signal.SIGSTOP}:
                signal.signal(number, signal.SIG_DFL)
            signal.pthread_sigmask(signal.SIG_SETMASK, [])
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
            if own_terminal:
                os.login_tty(slave)
            else:
                os.setsid()
                for standard in (0, 1, 2):
                    os.dup2(slave, standard)
            os.execvpe(command[0], command, {"PATH": os.environ["PATH"], "PS1": "$ ", "ENV": ""})
        os.close(slave)
        os.set_blocking(self.master, False)

    def until(self, condition, failure):
        """Waits 5 s at most for the condition to hold, taking in the output meanwhile."""
        deadline = time.monotonic() + 5
        while not condition():
            self.assertLess(time.monotonic(), deadline, f"{failure}; the output ends {self.output[-300:]!r}")
            if select.select([] if self.master is None else [self.master], [], [], 0.01)[0]:
                self.output += os.read(self.master, 65536)

    def read_until(self, text):
        """What came after the last text waited for, up to the end of this one."""
        self.until(lambda: text in self.output[self.seen:], f"no {text!r}")
        end = self.output.index(text, self.seen) + len(text)
        came, self.seen = self.output[self.seen:end], end
        return came

    def press(self, keys):
        """Types the keys as fast as the terminal takes them."""
        while keys:
            self.assertTrue(select.select([], [self.master], [], 5)[1], "the terminal takes no more keys")
            keys = keys[os.write(self.master, keys):]

    def type_command(self, command):
        """Types the command and Enter (Ctrl+J where CR is no newline) once the shell asks; the terminal must be its."""
        self.read_until(b"$ ")  # and the terminal as the shell had it, which a job stopped in the background gives back late
        self.until(lambda: self.before in [None, termios.tcgetattr(self.master)], "the terminal is not as the shell had it")
        self.put_back = self.put_back and termios.tcsetattr(self.master, termios.TCSANOW, self.put_back)  # None after
        self.press(command.encode() + (b"\r" if termios.tcgetattr(self.master)[0] & (termios.ICRNL | termios.IGNCR) == termios.ICRNL else b"\n"))

    def run_case(self, shell, setup, command, steps):
        """Does the steps; the exit status of what ran."""
        alone = setup in (LEADER, DETACHED)
        self.start([PROGRAM] if alone else SHELLS[shell], own_terminal=setup != DETACHED)
        for typed in [] if alone else ["" if setup in SHELLS else setup, command.format(PROGRAM)]:
            self.type_command(typed)
        self.before = termios.tcgetattr(self.master)  # as the shell set it up, then as the case did
        for step, previous in zip(steps, [None] + steps):
            if isinstance(step, bytes):
                if isinstance(previous, bytes):
                    time.sleep(0.003)
                else:
                    typed = time.monotonic()
                self.press(step)
                if time.monotonic() - typed > 0.03:  # a busy machine, not a slow link: tried again
                    raise TimeoutError("keys meant to come 3 ms apart took over 30 ms")
            elif step == signal.SIGWINCH:  # the window resized: it must change nothing
                termios.tcsetwinsize(self.master, (40, 100))
                self.assertFalse(select.select([self.master], [], [], 0.2)[0], "a resize ended the hold")
            elif isinstance(step, int):  # to the whole job: fg must come after each of it took the signal
                os.kill(os.tcgetpgrp(self.master) * (1 if step > 0 else -1), abs(step))
                self.until(lambda: step > 0 or not any(int(pathlib.Path(f"/proc/{pid}/status").read_text().split(
                    "ShdPnd:")[1].split()[0], 16) >> (-step - 1) & 1 for pid in self.family(self.child)), "not taken")
            elif isinstance(step, tuple):  # the signal must end the hold while the key still comes
                group, number, start, began = os.tcgetpgrp(self.master), step[1], time.monotonic(), time.monotonic()
                while os.tcgetpgrp(self.master) == group and time.monotonic() - start < 3:
                    due, previous, began = number, began, time.monotonic()
                    if step[2] or due:  # held down, or pressed once with the signal right after
                        self.press(step[0])
                    if number and time.monotonic() - start >= step[2]:  # right after a repeat
                        if pathlib.Path(f"/proc/{group}/stat").read_text().split(") ")[1][0] == "Z":  # or none: gone
                            raise TimeoutError("the program took the key as let go: the terminal passed it on late")
                        number = os.kill(group, number)  # None from now on
                    if due and time.monotonic() - previous > 0.045:  # the key might have seemed let go already
                        raise TimeoutError("a held key's repeat or its signal came over 45 ms after the repeat before")
                    time.sleep(0.03)
                self.assertNotEqual(os.tcgetpgrp(self.master), group, "the key held down kept the signal out")
            elif step is HELD:
                self.until(lambda: not termios.tcgetattr(self.master)[3] & termios.ICANON, "the hold has its mode no more")
            elif step is ENDED:  # though its parent may be stopped, and cannot take its status
                self.until(lambda: open(f"/proc/{self.family(self.child)[-1]}/stat").read().split(") ")[1][0] == "Z", "it waits")
            elif step is FISH:
                self.put_back = self.held
            elif step is HANG_UP:
                self.master = os.close(self.master)  # None from now on
            elif step.startswith("$ "):
                self.type_command(step[2:])
            else:
                came = self.read_until(step.encode())
                self.held = termios.tcgetattr(self.master) if came.endswith(HOLD.encode()) else self.held
                if isinstance(step, Exactly):
                    self.assertEqual(came, step.encode())
        if not alone:
            self.type_command("echo status=$?")
            self.read_until(b"status=$?\r\n")  # its echo
            return int(self.read_until(b"\r\n").split(b"=")[1])
        self.assertTrue(select.select([ended := os.pidfd_open(self.child)], [], [], 5)[0], "the program did not end")
        os.close(ended)
        status, self.child = os.waitstatus_to_exitcode(os.waitpid(self.child, 0)[1]), None
        if self.master is not None:
            self.assertEqual(termios.tcgetattr(self.master), self.before)
        return 128 - status if status < 0 else status

    def family(self, pid):
        """The process and those it started, and so on, as far as they are there."""
        try:
            with open(f"/proc/{pid}/task/{pid}/children") as children:
                return [pid] + [member for child in children.read().split() for member in self.family(int(child))]
        except FileNotFoundError:
            return []

    def test_what_a_person_does_at_the_hold(self):
        for shell in SHELLS:
            for setup, command, steps, status in [case for case in CASES if case[0] not in SHELLS.keys() - {shell}]:
                with self.subTest(shell=shell, setup=setup, command=command, steps=[str(s)[:20] for s in steps]):
                    for attempt in range(5):
                        try:
                            self.assertEqual(self.run_case(shell, setup, command, steps), status)
                            self.assertLessEqual(self.output.count(HOLD.encode()), 1, "it asked for the key again")
                            break
                        except (TimeoutError, ProcessLookupError, FileNotFoundError):  # a held key's signal found it gone
                            self.assertLess(attempt, 4, "the machine is too busy to type keys on time")
                        finally:  # all that the case started: a wrong program may linger
                            for pid in self.family(self.child) if self.child else []:
                                os.kill(pid, signal.SIGKILL)
                            if self.child:
                                os.waitpid(self.child, 0)
                            if self.master is not None:
                                os.close(self.master)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], failfast=True)  # each failing case costs a wait
