// The terminal on POSIX systems. With no "pause" command here, the program waits for one key
// itself, as the Windows pause does: every key ends the wait, Ctrl+C and Ctrl+Z too, and means
// what it would have meant once the terminal is given back. A signal, or losing the terminal, ends it.
#include <sys/select.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>
#include <initializer_list>

#include "console.h"

// Linux's terminal holds 4096 bytes of a line being typed, one kept for the newline, and drops the rest.
#ifdef __linux__
static constexpr std::int32_t canonicalLineLimit = 4095;
#else
static constexpr std::int32_t canonicalLineLimit = MAX_CANON;
#endif

std::int32_t typedLineLimit() {
    termios settings{};
    const bool lineMode = tcgetattr(STDIN_FILENO, &settings) == 0 && (settings.c_lflag & ICANON) != 0;
    return lineMode ? canonicalLineLimit : 0;  // else no terminal, or one that passes on each key as it comes
}

// No text mode here: a line arrives as it was written.
bool inputKeepsCarriageReturns() { return true; }

// Safe in any state; false when not all was written, which the hold ignores.
static bool writeAll(const char* text, std::size_t count) {
    ssize_t written = 0;
    while (count > 0 && (written = write(STDOUT_FILENO, text, count)) > 0) {
        text += written;
        count -= static_cast<std::size_t>(written);
    }
    return count == 0;
}

// Whether a person is there: standard input and output are both a terminal.
static bool atTerminal() { return isatty(STDIN_FILENO) != 0 && isatty(STDOUT_FILENO) != 0; }

void endTypedLine() {
    if (atTerminal()) {
        writeAll("\n", 1);
    }
}

// Set by the handler, read by the hold with the held signals blocked:
// - signalThatCame: the first held signal but SIGCONT; it ends the wait.
// - continued: a SIGCONT came since the wait last looked at the terminal.
// - stopSpent: a SIGCONT came after signalThatCame, a stop: the job was stopped
//   around the program and goes on already, so that stop must not act.
// NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
static volatile std::sig_atomic_t signalThatCame = 0;
static volatile std::sig_atomic_t continued = 0;
static volatile std::sig_atomic_t stopSpent = 0;
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

extern "C" void noteSignal(int signal) {
    if (signal != SIGCONT) {
        signalThatCame = signalThatCame != 0 ? signalThatCame : signal;
    } else {
        continued = 1;
        stopSpent = signalThatCame == SIGTSTP || signalThatCame == SIGTTIN || signalThatCame == SIGTTOU ? 1 : 0;
    }
}

// SIGCONT, and every signal that by default stops or ends the program, real-time ones too.
static sigset_t heldSignals() {
    sigset_t signals;
    sigfillset(&signals);
    for (const int left : {SIGKILL, SIGSTOP, SIGCHLD, SIGURG, SIGWINCH}) {
        sigdelset(&signals, left);
    }
#ifdef SIGINFO
    sigdelset(&signals, SIGINFO);
#endif
    return signals;
}

// The program's group while it has the terminal; 0 where it is not the controlling terminal,
// so no job control applies; -1 in the background.
static pid_t foregroundGroup() {
    const pid_t foreground = tcgetpgrp(STDIN_FILENO);
    return foreground == getpgrp() ? foreground : foreground < 0 && errno == ENOTTY ? 0 : -1;
}

// The signal that `key` stands for at this terminal, 0 for none.
static int signalOfKey(const termios& startingSettings, unsigned char key) {
    const cc_t* meaning = startingSettings.c_cc;
    if ((startingSettings.c_lflag & ISIG) == 0 || key == _POSIX_VDISABLE) {
        return 0;  // no key has a meaning, or this one stands for a meaning taken away
    }
    return key == meaning[VINTR] ? SIGINT : key == meaning[VQUIT] ? SIGQUIT : key == meaning[VSUSP] ? SIGTSTP : 0;
}

// pselect, the held signals let through; and once more after: it reports input without a signal that came too.
static int inputWithin(const timespec& timeout, const sigset_t& startingMask) {
    fd_set input;
    FD_ZERO(&input);
    FD_SET(STDIN_FILENO, &input);
    const int ready = pselect(STDIN_FILENO + 1, &input, nullptr, nullptr, &timeout, &startingMask);
    sigset_t held;
    sigprocmask(SIG_SETMASK, &startingMask, &held);
    sigprocmask(SIG_SETMASK, &held, nullptr);
    return ready;
}

// A key may send several bytes (an arrow, UTF-8, a paste) that come apart: they are taken
// until the input is quiet for 50 ms, as terminals tell an escape sequence from a lone Esc,
// or a signal comes. The first, or -1: the terminal went away, or the job lost it (no SIGTTIN).
static int takeKey(const sigset_t& startingMask) {
    unsigned char bytes[256];  // the first, then room for the rest
    if (read(STDIN_FILENO, bytes, 1) <= 0) {
        return -1;
    }
    while (inputWithin({0, 50'000'000}, startingMask) > 0 && signalThatCame == 0 &&
           read(STDIN_FILENO, bytes + 1, sizeof bytes - 1) > 0) {
    }
    return bytes[0];
}

// Whether the terminal has `mode` still: no shell has put its own back.
static bool terminalHas(const termios& mode) {
    termios now{};
    return tcgetattr(STDIN_FILENO, &now) == 0 && now.c_lflag == mode.c_lflag && now.c_iflag == mode.c_iflag;
}

// Nothing signals that the shell took the terminal (the job stopped around the program,
// or bg): the wait looks every 100 ms. After a continue the shell may have put its own
// mode back (at SIGSTOP, which cannot be caught): the hold's goes on, without keys typed for the shell.
static int waitForKey(const termios& oneKey, const sigset_t& startingMask) {
    for (;;) {
        const int ready = inputWithin({0, 100'000'000}, startingMask);
        if (signalThatCame != 0 || foregroundGroup() < 0 || (ready < 0 && errno != EINTR)) {
            return -1;
        }
        if (continued != 0 && !terminalHas(oneKey)) {
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &oneKey);
        } else if (continued == 0 && ready > 0) {
            return takeKey(startingMask);
        }
        continued = 0;
    }
}

// One key, unseen and as typed (no CR/NL mapping), raising no signal, with no Ctrl+S holding
// the output; a read waits for one byte, whatever that slot held.
static termios oneKeyMode(termios settings) {
    settings.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return settings;
}

// Where a shell put its own settings back (bash, zsh and fish do at a stop), they stay;
// where the hold's mode is left (dash), the starting ones go back, as SIGTTOU is blocked.
static void giveBack(const termios& startingSettings, const termios& oneKey) {
    if (terminalHas(oneKey)) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &startingSettings);
    }
}

// What the hold changes, as it found it, and what it uses meanwhile.
struct Hold {
    sigset_t held;
    sigset_t startingMask;
    struct sigaction startingActions[NSIG];
    termios startingSettings;
    termios oneKey;
    pid_t group;
};

// The held signals are only noted, and blocked but while the wait waits.
static void takeSignals(Hold& hold) {
    hold.held = heldSignals();
    sigprocmask(SIG_BLOCK, &hold.held, &hold.startingMask);
    struct sigaction note {};
    note.sa_handler = noteSignal;
    note.sa_mask = hold.held;
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&hold.held, signal) == 1) {
            sigaction(signal, &note, &hold.startingActions[signal]);
        }
    }
}

// From the end of the wait on, a continue is noted as it comes.
static void noteContinues() {
    sigset_t continues;
    sigemptyset(&continues);
    sigaddset(&continues, SIGCONT);
    sigprocmask(SIG_UNBLOCK, &continues, nullptr);
}

// What came, or what the key stands for, is raised, pending until the signals go back.
static void passOn(const Hold& hold, int key) {
    if (signalThatCame != 0) {
        raise(signalThatCame);                // from outside, for this program alone
    } else if (key >= 0 && hold.group > 0) {  // as the terminal sends it, to the whole job; 0 sends none
        kill(-hold.group, signalOfKey(hold.startingSettings, static_cast<unsigned char>(key)));
    }
    // Raised first, then looked at: a continue after the raise drops the stop
    // itself; one before it was noted, and setting SIG_IGN discards the stop.
    if (stopSpent != 0) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(signalThatCame, &ignore, nullptr);
    }
}

// What was passed on acts where the mask goes back. Going on after a stop, the terminal is
// given back once more: fish puts back at fg the mode it saved at the stop, maybe the hold's.
static void putSignalsBack(const Hold& hold) {
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&hold.held, signal) == 1) {
            sigaction(signal, &hold.startingActions[signal], nullptr);
        }
    }
    sigprocmask(SIG_SETMASK, &hold.startingMask, nullptr);
    sigprocmask(SIG_BLOCK, &hold.held, nullptr);
    giveBack(hold.startingSettings, hold.oneKey);
    sigprocmask(SIG_SETMASK, &hold.startingMask, nullptr);
}

// The terminal is given back before what came acts, so that the shell finds it as it was.
// Without a terminal at both ends (a pipe, a file) nobody reads.
void holdConsole() {
    static const char holdPrompt[] = "Press any key to continue . . . ";
    if (!atTerminal()) {
        return;
    }
    Hold hold{};
    hold.group = foregroundGroup();
    if (hold.group < 0 || tcgetattr(STDIN_FILENO, &hold.startingSettings) != 0) {
        return;
    }
    hold.oneKey = oneKeyMode(hold.startingSettings);
    takeSignals(hold);
    // TCSAFLUSH drops keys typed ahead; where no prompt is written, no wait.
    const bool prompted =
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &hold.oneKey) == 0 && writeAll(holdPrompt, sizeof holdPrompt - 1);
    const int key = prompted ? waitForKey(hold.oneKey, hold.startingMask) : -1;
    noteContinues();
    giveBack(hold.startingSettings, hold.oneKey);
    if (prompted && foregroundGroup() >= 0) {  // else the shell has the terminal, and the line is its
        writeAll("\n", 1);
    }
    passOn(hold, key);
    putSignalsBack(hold);
}
