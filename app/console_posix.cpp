// The terminal on POSIX systems. There is no "pause" command here, so the
// program waits for the key itself, as the Windows pause does: every key ends
// the wait, Ctrl+C and Ctrl+Z too, and nothing can stop or end the program by
// the terminal meanwhile. Once the terminal is given back, the key means what
// it would have meant, for the whole job, as the terminal's own key does.
// Signals from outside end the wait too: their handlers only note them, they
// are blocked except while the hold waits, and every reaction is ordinary
// code, so nothing races with it. A stop acts once, and a continue takes the
// one-key mode up again.
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <initializer_list>

#include "console.h"

// Linux's terminal holds at most 4096 bytes of the line being typed, one of
// them kept for the newline, and drops what goes past that without a word.
// Other systems name their limit MAX_CANON.
#ifdef __linux__
static constexpr std::int32_t canonicalLineLimit = 4095;
#else
static constexpr std::int32_t canonicalLineLimit = MAX_CANON;
#endif

std::int32_t typedLineLimit() {
    termios settings{};
    if (tcgetattr(STDIN_FILENO, &settings) != 0 || (settings.c_lflag & ICANON) == 0) {
        return 0;  // no terminal, or one that passes each key on as it comes
    }
    return canonicalLineLimit;
}

// No text mode here: a line arrives as it was written.
bool inputKeepsCarriageReturns() { return true; }

// Safe in any state; false when not all of it was written. Like the pause
// command, the hold has nothing to report.
static bool writeAll(const char* text, std::size_t count) {
    while (count > 0) {
        const ssize_t written = write(STDOUT_FILENO, text, count);
        if (written <= 0) {
            return false;
        }
        text += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

// Whether a person is there: standard input and output are both a terminal.
static bool atTerminal() { return isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0; }

void endTypedLine() {
    if (atTerminal()) {
        writeAll("\n", 1);
    }
}

// The first signal handled during the hold that ends it; of several let
// through at once, the lowest-numbered. And whether the program was continued
// since then, or, while none came, since the wait began: a continue ends no
// wait. NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
static volatile std::sig_atomic_t signalThatCame = 0;
static volatile std::sig_atomic_t continued = 0;
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

extern "C" void noteSignal(int signal) {
    if (signal == SIGCONT) {
        continued = 1;
    } else if (signalThatCame == 0) {
        signalThatCame = signal;
        continued = 0;
    }
}

// SIGTSTP, SIGCONT, and every signal whose default action ends the process,
// the real-time ones too: all those that may be caught but for the ones that
// by default do nothing or stop a program that touches the terminal from the
// background.
static sigset_t heldSignals() {
    sigset_t signals;
    sigfillset(&signals);
    for (const int left : {SIGKILL, SIGSTOP, SIGCHLD, SIGURG, SIGWINCH, SIGTTIN, SIGTTOU}) {
        sigdelset(&signals, left);
    }
#ifdef SIGINFO
    sigdelset(&signals, SIGINFO);
#endif
    return signals;
}

// The terminal is the program's to change while its group is in the
// foreground: then this is that group. Or when it is not its controlling
// terminal at all: 0, for no job control applies there. A background
// program leaves the terminal to the foreground: -1.
static pid_t foregroundGroup() {
    const pid_t foreground = tcgetpgrp(STDIN_FILENO);
    if (foreground == getpgrp()) {
        return foreground;
    }
    return foreground < 0 && errno == ENOTTY ? 0 : -1;
}

// The signal that `key` stands for at this terminal, 0 for none.
static int signalOfKey(const termios& startingSettings, unsigned char key) {
    if ((startingSettings.c_lflag & ISIG) == 0) {
        return 0;  // the terminal gave no key a meaning
    }
    const struct { int character, signal; } meanings[] = {{VINTR, SIGINT}, {VQUIT, SIGQUIT}, {VSUSP, SIGTSTP}};
    for (const auto& meaning : meanings) {
        const cc_t character = startingSettings.c_cc[meaning.character];
        if (character != _POSIX_VDISABLE && character == key) {
            return meaning.signal;
        }
    }
    return 0;
}

// Whether a byte can be read before `timeout` (none: no end) runs out, with `mask` meanwhile.
static bool inputComes(const timespec* timeout, const sigset_t* mask) {
    fd_set input;
    FD_ZERO(&input);
    FD_SET(STDIN_FILENO, &input);
    return pselect(STDIN_FILENO + 1, &input, nullptr, nullptr, timeout, mask) > 0;
}

// Waits, with the held signals let through, for a key, and takes all of it:
// one key may send several bytes (an arrow, a letter in UTF-8, a paste), and
// they may come apart, so the bytes are taken until the input has been quiet
// for 50 ms, as terminals tell an escape sequence from a lone Esc. A signal
// ends the taking too, so a key held down cannot keep it out. Returns the
// key's first byte, or -1 for a signal or a terminal that went away.
static int takeKey(const sigset_t& startingMask) {
    unsigned char bytes[256];
    if (!inputComes(nullptr, &startingMask) || read(STDIN_FILENO, bytes, sizeof bytes) <= 0) {
        return -1;
    }
    const unsigned char first = bytes[0];
    const timespec quiet{0, 50'000'000};
    while (inputComes(&quiet, &startingMask) && read(STDIN_FILENO, bytes, sizeof bytes) > 0) {
    }
    return first;
}

// Blocks one more signal (SIG_BLOCK), or lets one through (SIG_UNBLOCK).
static void maskSignal(int how, int signal) {
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    sigprocmask(how, &one, nullptr);
}

// A shell that took the terminal back may have put settings of its own back
// already (bash, zsh and fish do when a job stops or is killed), and those
// are theirs to keep. Where it still has the hold's mode, nobody did (dash
// puts nothing back): the settings go back.
static void giveBack(const termios& startingSettings, const termios& oneKey) {
    termios now{};
    if (tcgetattr(STDIN_FILENO, &now) == 0 && now.c_lflag == oneKey.c_lflag && now.c_iflag == oneKey.c_iflag) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &startingSettings);
    }
}

static const char holdPrompt[] = "Press any key to continue . . . ";

void holdConsole() {
    // The hold is there so that a person can read what was written: without a
    // terminal at both ends (a pipe, a file) nobody reads it or presses a key.
    const pid_t group = foregroundGroup();
    termios startingSettings{};
    if (!atTerminal() || group < 0 || tcgetattr(STDIN_FILENO, &startingSettings) != 0) {
        return;
    }
    // Meanwhile the held signals are only noted, and blocked but for the wait.
    const sigset_t held = heldSignals();
    sigset_t startingMask;
    sigprocmask(SIG_BLOCK, &held, &startingMask);
    struct sigaction startingActions[NSIG] = {};
    struct sigaction note {};
    note.sa_handler = noteSignal;
    note.sa_mask = held;
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&held, signal) == 1) {
            sigaction(signal, &note, &startingActions[signal]);
        }
    }

    // One key, unseen and as typed (no CR/NL mapping), with no signals from
    // the terminal and no Ctrl+S holding the output; a read waits for one
    // byte, whatever the terminal kept in that slot (some systems keep the
    // end-of-file key there in line mode). TCSAFLUSH drops keys typed ahead:
    // the wait is for a key pressed from now on, and nothing typed during it
    // reaches the next program. Where the prompt cannot be written, nobody
    // knows to press a key: no wait.
    termios oneKey = startingSettings;
    oneKey.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
    oneKey.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR);
    oneKey.c_cc[VMIN] = 1;
    oneKey.c_cc[VTIME] = 0;
    int keySignal = 0;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &oneKey) == 0) {
        int key = -1;
        if (writeAll(holdPrompt, sizeof holdPrompt - 1)) {
            // Continued after a stop that could not be caught (SIGSTOP): the
            // shell may have put its own mode back, so the hold takes its own up again.
            while ((key = takeKey(startingMask)) < 0 && continued != 0 && signalThatCame == 0) {
                continued = 0;
                tcsetattr(STDIN_FILENO, TCSAFLUSH, &oneKey);
            }
        }
        // A stop or a signal for the whole job may reach its other processes
        // first, and the shell then takes the terminal back, so what follows
        // may run in the background. SIGTTOU is blocked: the terminal would
        // stop the program there, and after fg the stop it noted would stop
        // it a second time, alone. From here a continue is noted as it comes.
        maskSignal(SIG_BLOCK, SIGTTOU);
        maskSignal(SIG_UNBLOCK, SIGCONT);
        giveBack(startingSettings, oneKey);
        if (key >= 0 && group > 0) {  // on a terminal not its own, a key only ends the wait
            keySignal = signalOfKey(startingSettings, static_cast<unsigned char>(key));
        }
        if (foregroundGroup() >= 0) {  // the shell may have the terminal already: the line is its
            writeAll("\n", 1);
        }
    }

    // What came, or what the key stands for, now does what it does with the
    // action the program was started with: it ends the program, stops it, or,
    // where whoever started the program ignores it, nothing more. It is
    // pending here, blocked, until the mask is put back.
    if (signalThatCame != 0) {
        raise(signalThatCame);  // from outside, for this program alone; it wins over the key
    } else if (keySignal != 0) {
        kill(-group, keySignal);  // as the terminal sends it: to the whole job, make or a script with it
    }
    // A stop acts once. A continue from now on drops it, as any continue
    // drops a pending stop; one that came since the stop did shows that the
    // job was stopped around the program and goes on already (fg), so the
    // stop is dropped here, as ignoring it does.
    if (continued != 0) {
        note.sa_handler = SIG_IGN;
        sigaction(SIGTSTP, &note, nullptr);
    }
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&held, signal) == 1) {
            sigaction(signal, &startingActions[signal], nullptr);
        }
    }
    sigprocmask(SIG_SETMASK, &startingMask, nullptr);
}
