#include <gtest/gtest.h>

#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>

#include "text_string.h"
#include "trickle_stream.h"

// The reader's memory runs out on demand, at the realloc that follows the
// next `reallocsLeft` ones: the tests are linked with realloc wrapped.
// NOLINTBEGIN(bugprone-reserved-identifier,cppcoreguidelines-avoid-non-const-global-variables)
static int reallocsLeft = -1;
extern "C" void* __real_realloc(void* memory, std::size_t size);
extern "C" void* __wrap_realloc(void* memory, std::size_t size) {
    return reallocsLeft >= 0 && reallocsLeft-- == 0 ? nullptr : __real_realloc(memory, size);
}  // NOLINTEND(bugprone-reserved-identifier,cppcoreguidelines-avoid-non-const-global-variables)

static std::string textOf(String& s) { return {&s[0], static_cast<std::size_t>(s.length())}; }

TEST(String, ConstructionKeepsTheTerminatorInside) {
    for (std::int32_t count : {0, 1, 64}) {
        String sized(count);
        EXPECT_EQ(sized.length(), 0);
        EXPECT_EQ(sized[0], '\0');
    }
    String copied(" 1.5 ");
    EXPECT_EQ(textOf(copied), " 1.5 ");
    EXPECT_EQ(copied.allocatedSize(), copied.length() + 1);
}

TEST(String, ReadsOneLineAsTheUserTypedIt) {
    const struct {
        std::string input, firstLine, secondLine;
    } cases[] = {
        {"1.5e-3\nnext", "1.5e-3", "next"},
        {"\n\n", "", ""},
        {"  5\t \n", "  5\t ", ""},                            // blanks stay
        {std::string("1\0002\nnext", 8), "1", "next"},         // a zero byte ends the text, not the line
        {std::string("1.5e-3\n1\0002\n", 11), "1.5e-3", "1"},  // into a String that held a longer text
        {"12\r\n3\r", "12", "3\r"},                            // a carriage return goes right before a newline
        {"1\r2\r\r\n", "1\r2\r", ""},                          // and only there
        // The first piece holds 128 bytes: lines that end, or leave their carriage return, at its edge.
        {std::string(127, '1') + "\r\n" + std::string(128, '2'), std::string(127, '1'), std::string(128, '2')},
        {std::string(128, '3') + "\r\n", std::string(128, '3'), ""},
        {std::string(128, '3') + '\0' + "\r\n", std::string(128, '3'), ""},
        {std::string(5000, '4') + '\0' + std::string(9000, '5') + "\nnext", std::string(5000, '4'), "next"},
        {std::string(100000, '6') + "\n", std::string(100000, '6'), ""},
    };
    for (const auto& c : cases) {
        // Read whole at once, and in blocks of growing size, as from a pipe.
        std::istringstream whole(c.input);
        TrickleStream trickled(c.input);
        for (std::istream* in : {static_cast<std::istream*>(&whole), static_cast<std::istream*>(&trickled)}) {
            String s(0);
            String::readLine(*in, s, String::maxLength, true);  // as the program reads a line
            EXPECT_EQ(textOf(s), c.firstLine);
            EXPECT_EQ(s.allocatedSize(), s.length() + 1);       // a line cut at a zero byte holds no more than its text
            String::readLine(*in, s, String::maxLength, true);  // the same String takes the next line whole
            EXPECT_EQ(textOf(s), c.secondLine);
            EXPECT_EQ(s.allocatedSize(), s.length() + 1);
        }
    }
}

TEST(String, EndOfInputFollowsTheRulesOfLineReading) {
    std::istringstream in("last");
    String s("old");
    EXPECT_TRUE(in >> s);
    EXPECT_EQ(textOf(s), "last");
    EXPECT_TRUE(in.eof());
    EXPECT_FALSE(in >> s);  // no line is left: an empty text and a failure
    EXPECT_EQ(s.length(), 0);

    std::istringstream exactPiece(std::string(128, '7'));
    EXPECT_TRUE(exactPiece >> s);
    EXPECT_EQ(s.length(), 128);
}

TEST(String, RefusesALineBeyondTheLimitAndKeepsItsOwn) {
    // Every byte of the line counts, those that the text leaves out too.
    for (const std::string& fits :
         {std::string("12345\n"), std::string("12345"), std::string("1234\r\n"), std::string("1\0003\r\n", 5)}) {
        std::istringstream in(fits);
        String s(0);
        String::readLine(in, s, 5);
        EXPECT_EQ(textOf(s), fits.substr(0, fits.find_first_of(std::string("\n\0", 2))));  // a CR stays, unasked
    }
    for (const std::string& beyond :
         {std::string("123456\n"), std::string("12345\r\n"), std::string("1\0003456\n", 7)}) {
        std::istringstream in(beyond);
        String s("kept");
        EXPECT_THROW(String::readLine(in, s, 5), std::length_error);
        EXPECT_EQ(textOf(s), "kept");
    }
}

TEST(String, BehavesLikeGetlineForOtherCallers) {
    // The exception mask is honoured only where std::getline would throw: at the end.
    std::istringstream in(std::string(300, '1') + "\n" + std::string(200, '2'));
    in.exceptions(std::ios::failbit);
    String s(0);
    EXPECT_NO_THROW(in >> s >> s);
    EXPECT_EQ(textOf(s), std::string(200, '2'));
    EXPECT_THROW(in >> s, std::ios::failure);

    // A refused line leaves the stream failed, past its first limit + 1 bytes or past its end,
    // whatever those bytes are: endless input after a zero byte ends too. So does a line that
    // finds no memory, with badbit. Either way the caller's mask is back.
    const std::string ones(101, '1');
    const struct {
        std::string line, nextLine;
        bool noMemory = false;
    } refused[] = {{ones, "next"},
                   {ones + "1", "1"},
                   {ones + std::string(19, '1'), std::string(19, '1')},
                   {std::string(1, '\0') + std::string(100, '1') + "tail", "tail"},
                   {ones + std::string(1, '\0') + "tail", ""},
                   {"12", "next", true}};
    for (const auto& r : refused) {
        std::istringstream lines(r.line + "\nnext\n");
        lines.exceptions(std::ios::failbit);  // the refusal is reported, not the failbit it sets
        String kept("kept");
        reallocsLeft = r.noMemory ? 1 : -1;  // the line is read, then finds no memory
        if (r.noMemory) {
            EXPECT_THROW(String::readLine(lines, kept, 100), std::bad_alloc);
        } else {
            EXPECT_THROW(String::readLine(lines, kept, 100), std::length_error);
        }
        EXPECT_TRUE(lines.fail());
        EXPECT_EQ(lines.bad(), r.noMemory);
        EXPECT_EQ(lines.exceptions(), std::ios::failbit);
        EXPECT_EQ(textOf(kept), "kept");
        lines.clear();
        lines >> kept;
        EXPECT_EQ(textOf(kept), r.nextLine) << r.line.size();
    }

    // A limit that no text can meet is refused before anything is read.
    for (const std::int32_t limit : {-1, -2, INT32_MAX}) {
        std::istringstream line("12\n");
        EXPECT_THROW(String::readLine(line, s, limit), std::invalid_argument);
        line >> s;
        EXPECT_EQ(textOf(s), "12");
    }
}

// What a read leaves: the exception that came out, or else the stream's state.
template <typename Read>
static std::string outcome(Read read, const std::string& input, std::size_t failAfter, std::ios::iostate mask) {
    TrickleStream in(input, failAfter);
    in.exceptions(mask);
    try {
        read(in);
    } catch (const std::ios::failure&) {
        return "std::ios::failure";
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return std::to_string(in.rdstate());
}

TEST(String, ReportsEndsAndDeviceErrorsAsStdGetlineDoes) {
    const std::ios::iostate masks[] = {std::ios::goodbit, std::ios::badbit, std::ios::failbit, std::ios::eofbit,
                                       std::ios::badbit | std::ios::failbit | std::ios::eofbit};
    const struct {
        std::string input;
        std::size_t failAfter;
    } cases[] = {{"", std::string::npos},
                 {"12", std::string::npos},
                 {"12\n", std::string::npos},
                 {std::string(30, '3'), 14},
                 {"", 0}};  // the device fails in the middle of a line, and at once
    for (const auto& c : cases) {
        for (const std::ios::iostate mask : masks) {
            String s(0);
            std::string line;
            EXPECT_EQ(outcome([&](std::istream& in) { in >> s; }, c.input, c.failAfter, mask),
                      outcome([&](std::istream& in) { std::getline(in, line); }, c.input, c.failAfter, mask))
                << c.input << " failing at " << c.failAfter << ", mask " << mask;
        }
    }
}
