// A constant is written as
//     [-] digits [.] digits [e (+|-) digits]
// where every run of digits may be empty, the byte after the optional '-' is
// not '.', the last byte is not '.', and the empty text is no constant.
#include <cstring>

#include "text_string.h"

static bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Whether all eight bytes are '0' to '9': each has the high nibble 3, and its
// low nibble plus 6 stays below 16. A carry between bytes only arises from a
// byte whose high nibble is F, which fails the test on its own.
static bool areEightDigits(std::uint64_t bytes) noexcept {
    constexpr std::uint64_t highNibbles = 0xF0F0F0F0F0F0F0F0;
    return ((bytes & highNibbles) | (((bytes + 0x0606060606060606) & highNibbles) >> 4)) == 0x3333333333333333;
}

// Long runs of digits are where the time goes, so they are taken eight bytes
// at a time while those lie inside the text. The terminator is no digit, so
// the byte-wise tail stops at the end of the text.
static std::int32_t skipDigits(const String& s, std::int32_t position, std::int32_t end) noexcept {
    while (end - position >= 8) {
        std::uint64_t eight = 0;
        std::memcpy(&eight, &s[position], sizeof eight);
        if (!areEightDigits(eight)) {
            break;
        }
        position += 8;
    }
    while (isDigit(s[position])) {
        ++position;
    }
    return position;
}

bool String::isValidConstant(const String& s) noexcept {
    const std::int32_t end = s.length();
    if (end == 0) {
        return false;  // nothing was written, and there is no last byte to look at
    }

    std::int32_t position = s[0] == '-' ? 1 : 0;
    if (s[position] == '.' || s[end - 1] == '.') {
        return false;  // a point may neither open the number nor end it
    }

    position = skipDigits(s, position, end);  // integer part
    if (position == end) {
        return true;
    }
    if (s[position] == '.') {
        ++position;
    }
    position = skipDigits(s, position, end);  // fraction
    if (position == end) {
        return true;
    }

    if (s[position] != 'e') {
        return false;
    }
    ++position;
    if (s[position] != '+' && s[position] != '-') {
        return false;  // the exponent always carries its sign
    }
    position = skipDigits(s, position + 1, end);
    return position == end;
}
