// The terminal on POSIX systems. There is no "pause" command here, so the
// program waits for the key itself, in a one-key mode of the terminal that it
// gives back on its way out. The signal handlers only note what came; the
// signals are blocked except while the hold waits, and every reaction is
// ordinary code, so nothing races with it.
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>

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

// Safe in any state. Like the pause command, the hold has nothing to report.
static void writeAll(const char* text, std::size_t count) {
    while (count > 0) {
        const ssize_t written = write(STDOUT_FILENO, text, count);
        if (written <= 0) {
            return;
        }
        text += written;
        count -= static_cast<std::size_t>(written);
    }
}

// Whether a person is there: standard input and output are both a terminal.
static bool atTerminal() { return isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0; }

void endTypedLine() {
    if (atTerminal()) {
        writeAll("\n", 1);
    }
}

// What the handlers note. NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
static volatile std::sig_atomic_t endingSignal = 0;
static volatile std::sig_atomic_t stopAsked = 0;
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

extern "C" void noteSignal(int signal) {
    if (signal == SIGTSTP) {
        stopAsked = 1;
    } else if (endingSignal == 0) {
        endingSignal = signal;
    }
}

// Every signal whose default action ends the process, the real-time ones too.
static sigset_t endingSignals() {
    static const int listed[] = {
        SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV,
        SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGSTKFLT
        SIGSTKFLT,
#endif
#ifdef SIGPOLL
        SIGPOLL,
#endif
#ifdef SIGPWR
        SIGPWR,
#endif
    };
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal : listed) {
        sigaddset(&signals, signal);
    }
#ifdef SIGRTMIN
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) {
        sigaddset(&signals, signal);
    }
#endif
    return signals;
}

static bool inForeground() { return tcgetpgrp(STDIN_FILENO) == getpgrp(); }

// The terminal during the hold: the settings it had when the hold last took
// it up, and whether the one-key mode is in effect.
struct Terminal {
    termios found{};
    bool oneKeyMode = false;
};

static const char holdPrompt[] = "Press any key to continue . . . ";

// Takes up the one-key mode from the terminal's present settings (the user
// may have changed them while the program was stopped) and asks for the key.
// NOFLSH: a Ctrl+Z or Ctrl+C must not flush away a key that has just come.
// TCSAFLUSH drops keys typed ahead: the wait is for a key pressed from now on.
// Only in the foreground: otherwise the terminal is another program's.
static bool takeUp(Terminal& terminal) {
    if (terminal.oneKeyMode || !inForeground()) {
        return true;
    }
    if (tcgetattr(STDIN_FILENO, &terminal.found) != 0) {
        return false;
    }
    termios oneKey = terminal.found;
    oneKey.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    oneKey.c_lflag |= NOFLSH;
    oneKey.c_cc[VMIN] = 1;
    oneKey.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &oneKey) != 0) {
        return false;
    }
    terminal.oneKeyMode = true;
    writeAll(holdPrompt, sizeof holdPrompt - 1);
    return true;
}

static void giveBack(Terminal& terminal, int when) {
    if (terminal.oneKeyMode && inForeground()) {
        tcsetattr(STDIN_FILENO, when, &terminal.found);
    }
    terminal.oneKeyMode = false;
}

// Lets `signal` take its default action now: ends or stops the process.
static void actByDefault(int signal) {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
    raise(signal);  // pending, since it is blocked, until the next line lets it through
    // cppcheck-suppress unreachableCode ; raise returns, the signal being blocked
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, signal);
    sigprocmask(SIG_UNBLOCK, &just, nullptr);
    sigprocmask(SIG_BLOCK, &just, nullptr);  // continued after a stop
}

// Each held signal that whoever started the program did not ignore (an
// ignored one stays ignored) is only noted from now on, with the others
// blocked meanwhile; `replaced` keeps the actions it had.
static void noteHeldSignals(const sigset_t& held, struct sigaction (&replaced)[NSIG]) {
    struct sigaction note {};
    note.sa_handler = noteSignal;
    note.sa_mask = held;
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&held, signal) == 1 && sigaction(signal, nullptr, &replaced[signal]) == 0 &&
            replaced[signal].sa_handler != SIG_IGN) {
            sigaction(signal, &note, nullptr);
        }
    }
}

static void putBackHeldSignals(const sigset_t& held, const struct sigaction (&replaced)[NSIG]) {
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&held, signal) == 1 && replaced[signal].sa_handler != SIG_IGN) {
            sigaction(signal, &replaced[signal], nullptr);
        }
    }
}

// Lets the signals that came while the hold could not take them reach their handlers.
static void noteSignalsThatCame(const sigset_t& unblocked) {
    const timespec now{0, 0};
    pselect(0, nullptr, nullptr, nullptr, &now, &unblocked);
}

// Waits for a signal, or for the key while the one-key mode is in effect; a
// program in the background looks every 200 ms whether it has the terminal
// again, since a shell's fg sends no signal to a job that was not stopped.
// True when the key came, or no key can come any more.
static bool waitForKey(const Terminal& terminal, const sigset_t& unblocked) {
    fd_set input;
    FD_ZERO(&input);
    FD_SET(STDIN_FILENO, &input);
    const timespec look{0, 200'000'000};
    const int ready = pselect(STDIN_FILENO + 1, terminal.oneKeyMode ? &input : nullptr, nullptr, nullptr,
                              terminal.oneKeyMode ? nullptr : &look, &unblocked);
    if (ready <= 0) {
        return ready < 0 && errno != EINTR;
    }
    // One key may send several bytes (an arrow, an F-key, Alt with a key, a
    // letter in UTF-8); they arrive together and are taken in one read.
    // NOFLSH keeps the key that was seen there, so this read does not block.
    char key[64];
    [[maybe_unused]] const ssize_t taken = read(STDIN_FILENO, key, sizeof key);
    return true;
}

void holdConsole() {
    // The hold is there so that a person can read what was written: without a
    // terminal at both ends (a pipe, a file) nobody reads it or presses a key.
    if (!atTerminal()) {
        return;
    }
    sigset_t held = endingSignals();
    // A group that leads its session cannot be stopped: Ctrl+Z is dropped there.
    const bool stoppable = getsid(0) != getpgrp();
    if (stoppable) {
        sigaddset(&held, SIGTSTP);
    }
    sigset_t unblocked;
    sigprocmask(SIG_BLOCK, &held, &unblocked);
    struct sigaction replaced[NSIG] = {};
    noteHeldSignals(held, replaced);

    Terminal terminal;
    bool done = false;
    while (!done && endingSignal == 0) {
        if (stopAsked != 0) {
            stopAsked = 0;
            giveBack(terminal, TCSANOW);
            actByDefault(SIGTSTP);
            noteSignalsThatCame(unblocked);  // before asking again: a kill meanwhile comes first
            continue;
        }
        done = !takeUp(terminal) || waitForKey(terminal, unblocked);
    }
    giveBack(terminal, TCSAFLUSH);  // nothing typed during the hold reaches the next program
    if (endingSignal != 0) {
        actByDefault(endingSignal);  // ends the process as it would have without the hold
    }
    writeAll("\n", 1);
    putBackHeldSignals(held, replaced);
    sigprocmask(SIG_SETMASK, &unblocked, nullptr);
}
