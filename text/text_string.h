// The owning text that holds the typed line, and the check of its notation.
#ifndef CONSTCHECK_TEXT_STRING_H
#define CONSTCHECK_TEXT_STRING_H

#include <cassert>
#include <cstdint>
#include <iosfwd>

class String {
public:
    // Positions are 32-bit and `size` counts the terminator too, so this is
    // the longest text whose every position and whose size fit.
    static constexpr std::int32_t maxLength = INT32_MAX - 1;

    // An empty text in an array of `count` bytes (at least one, for the terminator).
    explicit String(std::int32_t count);
    // A copy of the zero-terminated `text`; std::length_error past maxLength.
    explicit String(const char* text);
    ~String();

    // One owner per array: a String is handed on by reference only (deleting
    // the copy leaves it without a move too).
    String(const String&) = delete;
    String& operator=(const String&) = delete;

    // Bytes before the first zero byte, counted anew on every call.
    [[nodiscard]] std::int32_t length() const noexcept;

    // No bounds check in release builds: callers stay within 0 .. length().
    char& operator[](std::int32_t position) noexcept {
        assert(position >= 0 && position < size);
        return data[position];
    }
    const char& operator[](std::int32_t position) const noexcept {
        assert(position >= 0 && position < size);
        return data[position];
    }

    // Bytes requested for the array: informational, not the length.
    [[nodiscard]] std::int32_t allocatedSize() const noexcept { return size; }

    // True when `s` is a correctly written constant.
    [[nodiscard]] static bool isValidConstant(const String& s) noexcept;

    // Reads one line, as std::getline does, and rebuilds `s` from it up to the
    // line's first zero byte. With `dropCarriageReturn`, a carriage return
    // right before the newline is left out, as Windows' text mode leaves it
    // out of a CR LF line end: for input that has not been through that mode.
    // No line at all gives the empty text and sets failbit; the stream's
    // exception mask is honoured as std::getline honours it.
    // `limit` must lie within 0 .. maxLength (else std::invalid_argument, and
    // nothing is read). A line of more than `limit` bytes (all of them count:
    // zero bytes and a carriage return too) throws std::length_error with
    // failbit set, `s` as it was, and the stream just past the first limit + 1
    // bytes of the line, or past its end if that comes first. A failed
    // allocation sets badbit and throws std::bad_alloc, `s` as it was.
    static std::istream& readLine(std::istream& in, String& s, std::int32_t limit = maxLength,
                                  bool dropCarriageReturn = false);

private:
    char* data;
    std::int32_t size;
};

inline std::istream& operator>>(std::istream& in, String& s) { return String::readLine(in, s); }

#endif
