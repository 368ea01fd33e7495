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

int main() {
    try {
        // Lets the standard input buffer whole blocks instead of taking single bytes.
        std::ios::sync_with_stdio(false);

        String str(0);
        if (!writeLine("Vvedite konstantu:")) {
            return fail("cannot write to standard output");
        }
        std::cin >> str;
        if (std::cin.bad()) {  // a read error, unlike the end of input, leaves no line to judge
            return fail("cannot read standard input");
        }
        // A terminal drops what goes past its limit, so a line that reaches
        // it may not be the line that was typed.
        const std::int32_t cut = typedLineLimit();
        if (cut > 0 && str.length() >= cut) {
            return fail("a line typed at a terminal is cut at ", cut, " bytes, so this one may be incomplete;",
                        " give a longer line through a pipe or a file (constcheck < file)");
        }

        // Asked of the text itself about itself, as the dialogue has always put it.
        const bool valid = str.isValidConstant(str);  // NOLINT(readability-static-accessed-through-instance)
        if (!writeLine(valid ? "Pravil'naya zapis' konstanty!" : "Nepravil'naya zapis' konstanty!")) {
            return fail("cannot write to standard output");
        }
    } catch (const std::length_error&) {
        return fail("the line is too long: at most ", String::maxLength, " bytes can be checked");
    } catch (const std::bad_alloc&) {
        return fail("not enough memory");
    }
    holdConsole();
    return EXIT_SUCCESS;
}
