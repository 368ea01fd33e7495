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
#include "trickle_stream.h"

// The text that the line must leave: up to its newline and then its first
// zero byte, without a carriage return right before the newline.
static std::string expectedText(const std::string& input) {
    std::string line = input.substr(0, input.find('\n'));
    if (line.size() < input.size() && !line.empty() && line.back() == '\r') {  // a newline ended it
        line.pop_back();
    }
    return line.substr(0, line.find('\0'));
}

// Read whole at once, as from a file, and in blocks of growing size, as from
// a pipe; as the program reads, a CR LF line end taken for a newline.
static void readBothWays(const std::string& input, String& readWhole, String& trickled) {
    std::istringstream whole(input);
    String::readLine(whole, readWhole, String::maxLength, true);
    TrickleStream pieces(input);
    String::readLine(pieces, trickled, String::maxLength, true);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t count) {
    const std::string input(reinterpret_cast<const char*>(bytes), count);
    String s(0);
    String trickled(0);
    readBothWays(input, s, trickled);

    const std::string expected = expectedText(input);
    for (const String* read : {&s, &trickled}) {
        const std::string text(&(*read)[0], static_cast<std::size_t>(read->length()));
        if (text != expected) {
            std::cerr << "text of " << text.size() << " bytes, expected " << expected.size() << '\n';
            std::abort();
        }
    }
    const bool verdict = String::isValidConstant(s);
    if (verdict != referenceIsConstant(expected)) {
        std::cerr << "the check says " << std::boolalpha << verdict << ", the pieces say " << !verdict << '\n';
        std::abort();
    }
    return 0;
}
