// One exchange with the user: prompt, read a line, verdict, hold the console.
#include <cstdlib>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>

#include "console_hold.h"
#include "text_string.h"

static int fail(const std::string& what) {
    std::cerr << "constcheck: " << what << std::endl;
    return EXIT_FAILURE;
}

// False when the line could not be written: the user never saw it.
static bool writeLine(const char* line) {
    std::cout << line << std::endl;
    return static_cast<bool>(std::cout);
}

int main() {
    // Lets the standard input buffer whole blocks instead of taking single bytes.
    std::ios::sync_with_stdio(false);

    String str(0);
    if (!writeLine("Vvedite konstantu:")) {
        return fail("cannot write to standard output");
    }
    try {
        std::cin >> str;
    } catch (const std::length_error&) {
        return fail("the line is too long: at most " + std::to_string(String::maxLength) + " bytes can be checked");
    } catch (const std::bad_alloc&) {
        return fail("not enough memory to hold the line");
    }
    if (std::cin.bad()) {  // a read error, unlike the end of input, leaves no line to judge
        return fail("cannot read standard input");
    }

    // Asked of the text itself about itself, as the dialogue has always put it.
    const bool valid = str.isValidConstant(str);  // NOLINT(readability-static-accessed-through-instance)
    if (!writeLine(valid ? "Pravil'naya zapis' konstanty!" : "Nepravil'naya zapis' konstanty!")) {
        return fail("cannot write to standard output");
    }
    holdConsole();
    return EXIT_SUCCESS;
}
