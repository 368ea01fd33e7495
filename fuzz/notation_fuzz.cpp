// Any bytes, as the input that follows the prompt: read into a String and
// checked, then held against the same line cut into pieces. A difference in
// the text or in the verdict aborts with both answers.
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "reference_notation.h"
#include "text_string.h"

// The text that the line must leave: up to its newline and then its first
// zero byte, without one carriage return at the end.
static std::string expectedText(const std::string& input) {
    std::string line = input.substr(0, input.find('\n'));
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line.substr(0, line.find('\0'));
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t count) {
    const std::string input(reinterpret_cast<const char*>(bytes), count);
    std::istringstream in(input);
    String s(0);
    in >> s;

    const std::string expected = expectedText(input);
    const std::string text(&s[0], static_cast<std::size_t>(s.length()));
    if (text != expected) {
        std::cerr << "text of " << text.size() << " bytes, expected " << expected.size() << '\n';
        std::abort();
    }
    const bool verdict = String::isValidConstant(s);
    if (verdict != referenceIsConstant(expected)) {
        std::cerr << "the check says " << std::boolalpha << verdict << ", the pieces say " << !verdict << '\n';
        std::abort();
    }
    return 0;
}
