// One exchange with the user: prompt, read a line, verdict, hold the console.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>
#include <stdexcept>
#include <system_error>

#include "console.h"
#include "text_string.h"

// Written through C's standard error, which is unbuffered, so the message
// gets out whatever state a failure left the C++ streams in. `reason` is the
// errno of the failure, 0 if none is known; only its text allocates, and the
// messages for memory that ran out have none.
static int fail(const char* what, int reason = 0) {
    // NOLINTBEGIN(cppcoreguidelines-pro-type-vararg): printf itself allocates nothing
    if (reason != 0) {
        std::fprintf(stderr, "constcheck: %s: %s\n", what, std::generic_category().message(reason).c_str());
    } else {
        std::fprintf(stderr, "constcheck: %s\n", what);
    }
    // NOLINTEND(cppcoreguidelines-pro-type-vararg)
    return EXIT_FAILURE;
}

// False when the line could not be written: the user never saw it. errno then tells why.
static bool writeLine(const char* line) {
    errno = 0;
    std::cout << line << std::endl;
    return static_cast<bool>(std::cout);
}

// The dialogue up to the verdict; what it returns is the exit status.
static int converse(String& str) {
    if (!writeLine("Vvedite konstantu:")) {
        return fail("cannot write to standard output", errno);
    }
    // A terminal drops what goes past its limit, so a line that reaches it,
    // counted in bytes as typed, may not be the line that was typed.
    const std::int32_t terminalLimit = typedLineLimit();
    try {
        errno = 0;
        String::readLine(std::cin, str, terminalLimit > 0 ? terminalLimit - 1 : String::maxLength,
                         inputKeepsCarriageReturns());
    } catch (const std::length_error&) {
        char what[200];
        // NOLINTNEXTLINE(cppcoreguidelines-pro-type-vararg): as in fail
        std::snprintf(what, sizeof what,
                      terminalLimit > 0
                          ? "a line typed at a terminal is cut at %d bytes, so this one may be incomplete; "
                            "give a longer line through a pipe or a file (constcheck < file)"
                          : "the line is too long: at most %d bytes can be checked",
                      static_cast<int>(terminalLimit > 0 ? terminalLimit : String::maxLength));
        return fail(what);
    }
    if (std::cin.bad()) {  // a read error, unlike the end of input, leaves no line to judge
        return fail("cannot read standard input", errno);
    }
    if (std::cin.eof() && !std::cin.fail()) {
        endTypedLine();  // the line ended without a newline
    }

    // Asked of the text itself about itself, as the dialogue has always put it.
    const bool valid = str.isValidConstant(str);  // NOLINT(readability-static-accessed-through-instance)
    if (!writeLine(valid ? "Pravil'naya zapis' konstanty!" : "Nepravil'naya zapis' konstanty!")) {
        return fail("cannot write to standard output", errno);
    }
    return EXIT_SUCCESS;
}

// Called by operator new where memory has run out, in place of a
// std::bad_alloc that might find no memory either and make the run-time
// abort: said, held and ended, with nothing more to allocate.
[[noreturn]] static void runOutOfMemory() {
    fail("not enough memory");
    holdConsole();
    std::_Exit(EXIT_FAILURE);
}

int main() {
    std::set_new_handler(runOutOfMemory);
    int status = EXIT_FAILURE;
    try {
        // Two reasons. Standard input then reads whole blocks instead of single
        // bytes through C's stdio; and a read error then reaches badbit, where
        // the buffer kept in step with stdio reports it as the end of the input.
        std::ios::sync_with_stdio(false);
        String str(0);
        status = converse(str);
    } catch (const std::bad_alloc&) {  // from the text's malloc or realloc, which call no handler
        status = fail("not enough memory");
    }
    // After an error too: a window opened just for the program must not
    // vanish before its message is read.
    holdConsole();
    return status;
}
