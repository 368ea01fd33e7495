// There is no "pause" command here, so the program waits for the key itself.
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <iterator>

#include "console_hold.h"

// Global because the signal handler must reach it.
static termios savedTerminal;  // NOLINT(cppcoreguidelines-avoid-non-const-global-variables)
static const int holdSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};

// A signal during the wait must not leave the terminal without echo.
extern "C" void restoreAndRedeliver(int signal) {
    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

static void writeAll(const char* text, std::size_t count) {
    while (count > 0) {
        const ssize_t written = write(STDOUT_FILENO, text, count);
        if (written <= 0) {
            return;  // like the pause command, the hold has nothing to report
        }
        text += written;
        count -= static_cast<std::size_t>(written);
    }
}

void holdConsole() {
    // Piped runs end at once: nobody is there to press a key.
    if (isatty(STDIN_FILENO) == 0 || tcgetattr(STDIN_FILENO, &savedTerminal) != 0) {
        return;
    }
    struct sigaction restoring {};
    restoring.sa_handler = restoreAndRedeliver;
    struct sigaction previous[std::size(holdSignals)];
    for (std::size_t i = 0; i < std::size(holdSignals); ++i) {
        sigaction(holdSignals[i], nullptr, &previous[i]);
        if (previous[i].sa_handler != SIG_IGN) {  // a signal ignored by whoever started us stays so
            sigaction(holdSignals[i], &restoring, nullptr);
        }
    }

    termios oneKey = savedTerminal;
    oneKey.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    oneKey.c_cc[VMIN] = 1;
    oneKey.c_cc[VTIME] = 0;
    // TCSAFLUSH drops keys typed ahead: the wait is for a key pressed from now on.
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &oneKey);

    static const char prompt[] = "Press any key to continue . . . ";
    writeAll(prompt, sizeof prompt - 1);
    char key = 0;
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
    writeAll("\n", 1);

    tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    for (std::size_t i = 0; i < std::size(holdSignals); ++i) {
        sigaction(holdSignals[i], &previous[i], nullptr);
    }
}
