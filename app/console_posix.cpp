// The terminal on POSIX systems. There is no "pause" command here, so the
// program waits for the key itself, in a mode of the terminal that it puts
// back on every way out.
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>

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

// Globals, since the signal handlers must reach them: the terminal as it was
// found, the hold's mode of it, and the signal actions the hold replaced.
// NOLINTBEGIN(cppcoreguidelines-avoid-non-const-global-variables)
static termios savedTerminal;
static termios oneKeyTerminal;
static struct sigaction replacedActions[NSIG];
// NOLINTEND(cppcoreguidelines-avoid-non-const-global-variables)

static const char holdPrompt[] = "Press any key to continue . . . ";

// Safe in a signal handler. Like the pause command, the hold has nothing to report.
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

// Takes up the one-key mode and asks. TCSAFLUSH drops keys typed ahead: the
// wait is for a key pressed from now on. Safe in a signal handler.
static void askForKey() {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &oneKeyTerminal);
    writeAll(holdPrompt, sizeof holdPrompt - 1);
}

// Every signal whose default action ends the process.
static const int endingSignals[] = {
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

// The ending signals, the real-time ones (which end the process too), and
// the stop from the keyboard.
template <typename Visit>
static void forEachHeldSignal(Visit visit) {
    for (const int signal : endingSignals) {
        visit(signal);
    }
#ifdef SIGRTMIN
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) {
        visit(signal);
    }
#endif
    visit(SIGTSTP);
}

static void handle(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

// The terminal goes back as it was found, then the signal ends the process
// as it would have without the hold.
extern "C" void restoreAndEnd(int signal) {
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    handle(signal, SIG_DFL);
    raise(signal);  // delivered as soon as this handler returns
}

// Ctrl+Z: the terminal goes back to the shell and the process stops. When it
// is continued, the shell may have put its own modes back, so the hold takes
// up its mode again and asks again.
extern "C" void restoreAndStop(int signal) {
    const int savedErrno = errno;
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    handle(signal, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, signal);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(signal);  // stops here until continued
    // cppcheck-suppress unreachableCode ; raise returns when the process is continued
    handle(signal, restoreAndStop);
    askForKey();
    errno = savedErrno;
}

// A signal ignored by whoever started the program stays ignored.
static void catchHeldSignals() {
    forEachHeldSignal([](int signal) {
        if (sigaction(signal, nullptr, &replacedActions[signal]) == 0 &&
            replacedActions[signal].sa_handler != SIG_IGN) {
            handle(signal, signal == SIGTSTP ? restoreAndStop : restoreAndEnd);
        }
    });
}

static void releaseHeldSignals() {
    forEachHeldSignal([](int signal) { sigaction(signal, &replacedActions[signal], nullptr); });
}

void holdConsole() {
    // The hold is there so that a person can read the verdict: without a
    // terminal at both ends (a pipe, a file) nobody reads it or presses a key.
    if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0 || tcgetattr(STDIN_FILENO, &savedTerminal) != 0) {
        return;
    }
    oneKeyTerminal = savedTerminal;
    oneKeyTerminal.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    oneKeyTerminal.c_cc[VMIN] = 1;
    oneKeyTerminal.c_cc[VTIME] = 0;
    catchHeldSignals();
    askForKey();

    // One key may send several bytes (an arrow, an F-key, Alt with a key, a
    // letter in UTF-8); they arrive together and are taken in one read.
    char key[64];
    while (read(STDIN_FILENO, key, sizeof key) < 0 && errno == EINTR) {
    }
    writeAll("\n", 1);
    // TCSAFLUSH again: nothing typed during the hold reaches the next program.
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    releaseHeldSignals();
}
