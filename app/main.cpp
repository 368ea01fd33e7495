// One exchange with the user: prompt, read a line, verdict, hold the console.
#include <cstdlib>
#include <iostream>
#include <new>
#include <stdexcept>

#include "console.h"
#include "text_string.h"

// Streams the message straight to standard error: nothing to allocate, so it
// works when memory has run out.
template <typename... Parts>
static int fail(const Parts&... parts) {
    ((std::cerr << "constcheck: ") << ... << parts) << std::endl;
    return EXIT_FAILURE;
}

// False when the line could not be written: the user never saw it.
static bool writeLine(const char* line) {
    std::cout << line << std::endl;
    return static_cast<bool>(std::cout);
}

// The dialogue up to the verdict; what it returns is the exit status.
static int converse(String& str) {
    if (!writeLine("Vvedite konstantu:")) {
        return fail("cannot write to standard output");
    }
    // A terminal drops what goes past its limit, so a line that reaches it,
    // counted in bytes as typed, may not be the line that was typed.
    const std::int32_t cut = typedLineLimit();
    try {
        String::readLine(std::cin, str, cut > 0 ? cut - 1 : String::maxLength);
    } catch (const std::length_error&) {
        if (cut > 0) {
            return fail("a line typed at a terminal is cut at ", cut, " bytes, so this one may be incomplete;",
                        " give a longer line through a pipe or a file (constcheck < file)");
        }
        return fail("the line is too long: at most ", String::maxLength, " bytes can be checked");
    } catch (const std::bad_alloc&) {
        return fail("not enough memory");
    }
    if (std::cin.bad()) {  // a read error, unlike the end of input, leaves no line to judge
        return fail("cannot read standard input");
    }
    if (std::cin.eof() && !std::cin.fail()) {
        endTypedLine();  // the line ended without a newline
    }

    // Asked of the text itself about itself, as the dialogue has always put it.
    const bool valid = str.isValidConstant(str);  // NOLINT(readability-static-accessed-through-instance)
    if (!writeLine(valid ? "Pravil'naya zapis' konstanty!" : "Nepravil'naya zapis' konstanty!")) {
        return fail("cannot write to standard output");
    }
    return EXIT_SUCCESS;
}

int main() {
    // Two reasons. Standard input then reads whole blocks instead of single
    // bytes through C's stdio; and a read error then reaches badbit, where
    // the buffer kept in step with stdio reports it as the end of the input.
    std::ios::sync_with_stdio(false);

    String str(0);
    const int status = converse(str);
    // After an error too: a window opened just for the program must not
    // vanish before its message is read.
    holdConsole();
    return status;
}
