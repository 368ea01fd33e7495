#include <gtest/gtest.h>

#include <string>

#include "reference_notation.h"
#include "text_string.h"

static bool check(const std::string& text) {
    const String s(text.c_str());
    return String::isValidConstant(s);
}

TEST(Notation, AcceptsEveryWayOfWritingAConstant) {
    for (const char* text : {"0", "123", "-5", "3.14", "-0.5", "5.e+1", "1.5e-3", "1e+10", "-1e-5", "12e-", "5e+",
                             "e+5", "e+", "-e-", "-", "0.0e+0", "00012.34000", "9.e-", "1.5e-12345678901234567890"}) {
        EXPECT_TRUE(check(text)) << '"' << text << '"';
    }
}

TEST(Notation, RejectsEverythingElse) {
    for (const char* text :
         {"",        "5.",  "12.", "-5.", ".",       "-.",   ".5",   "-.5",    ".e+5",  "1e5", "1E+5",
          "+1",      "--5", " 5",  "5 ",  "1.2.3",   "1..2", "1.e",  "1e+5.0", "1e+-5", "1-",  "a",
          "1e+5e+5", "e",   "-e",  "1e",  "1.5e+3.", "1\t",  "0x10", "1,5",    "\xb1",  "\r",  "1\r"}) {
        EXPECT_FALSE(check(text)) << '"' << text << '"';
    }
}

TEST(Notation, LongLinesAreScannedToTheEnd) {
    // Lengths around the eight-byte steps of the scan, with the deciding byte
    // placed last, in the fraction and in the exponent.
    for (std::size_t digits : {7U, 8U, 9U, 15U, 16U, 17U, 5000U}) {
        const std::string run(digits, '7');
        EXPECT_TRUE(check(run));
        EXPECT_TRUE(check("-" + run + "." + run + "e+" + run));
        EXPECT_FALSE(check(run + "x"));
        EXPECT_FALSE(check(run + "." + run + "."));
        EXPECT_FALSE(check(run + "e+" + run + "/"));
        EXPECT_FALSE(check(run + ":" + run));  // ':' and '/' border the digits
    }
}

TEST(Notation, AgreesWithTheNotationCutIntoPieces) {
    // Every text of up to six bytes over the notation's alphabet and two strays.
    const std::string alphabet = "0-+.eE ";
    std::string text;
    int compared = 0;
    const auto visit = [&](const auto& self, std::size_t left) -> void {
        ASSERT_EQ(check(text), referenceIsConstant(text)) << '"' << text << '"';
        ++compared;
        for (std::size_t i = 0; left > 0 && i < alphabet.size(); ++i) {
            text.push_back(alphabet[i]);
            self(self, left - 1);
            text.pop_back();
        }
    };
    visit(visit, 6);
    EXPECT_EQ(compared, 137257);
}
