#include "text_string.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

// The arrays come from malloc, as the reader's buffer does, so that a String
// can take that buffer over and one release fits both.
static char* allocate(std::size_t bytes, bool zeroed) {
    // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): as said above
    char* array = static_cast<char*>(zeroed ? std::calloc(bytes, 1) : std::malloc(bytes));
    return array != nullptr ? array : throw std::bad_alloc();
}

// Zero-filled, so the terminator comes first; at least one byte, to hold it.
String::String(std::int32_t count)
    : data(allocate(static_cast<std::size_t>(std::max(count, 1)), true)), size(std::max(count, 1)) {}

// Refuses a text longer than the 32-bit positions, or a caller's tighter limit, can count.
static void refuseBeyond(std::size_t length, std::size_t limit) {
    if (length > limit) {
        throw std::length_error("text longer than a String can hold");
    }
}

String::String(const char* text) : data(nullptr), size(0) {
    const std::size_t textLength = std::strlen(text);
    refuseBeyond(textLength, maxLength);
    size = static_cast<std::int32_t>(textLength) + 1;
    data = allocate(textLength + 1, false);
    std::memcpy(data, text, textLength + 1);
}

String::~String() { std::free(data); }  // NOLINT(cppcoreguidelines-no-malloc)

std::int32_t String::length() const noexcept {
    // The constructors and readLine never let a text grow past maxLength.
    return static_cast<std::int32_t>(std::strlen(data));
}

// Puts the caller's exception mask back without a throw of its own: the
// exception already on its way is the one to report.
static void restoreExceptionMask(std::istream& in, std::ios::iostate mask) noexcept {
    try {
        in.exceptions(mask);
    } catch (const std::ios::failure&) {
    }
}

// A buffer from malloc and realloc, and so freed by free.
using Buffer = std::unique_ptr<char[], void (*)(void*)>;

// Gives `line` room for `bytes` bytes, keeping what it holds. realloc: glibc's
// moves a large buffer by remapping its pages where copying them into fresh
// ones would cost a long line most of its time.
static void resize(Buffer& line, std::size_t bytes) {
    // NOLINTNEXTLINE(cppcoreguidelines-no-malloc): realloc is the point, as said above
    char* moved = static_cast<char*>(std::realloc(line.get(), bytes));
    if (moved == nullptr) {
        throw std::bad_alloc();
    }
    static_cast<void>(line.release());
    line.reset(moved);
}

// Takes the next line into `line` piece by piece, as std::getline takes it,
// but no more than `maxTaken` bytes of it: past those it stays unread.
// `length` tells how many came; returns what std::getline would report.
static std::ios::iostate takeLine(std::istream& in, Buffer& line, std::size_t& length, std::size_t maxTaken) {
    // A short line, the usual case, costs one small piece; a long one grows
    // in pieces as large as what it has so far. The buffer doubles, so where
    // realloc copies (msvcrt's does) the copies add up to one more line.
    constexpr std::size_t smallest = 128;
    for (;;) {
        const std::size_t room = std::min(std::max(length, smallest), maxTaken - length);
        resize(line, length + room + 1);  // + 1 for the terminator
        in.getline(line.get() + length, static_cast<std::streamsize>(room + 1));
        const std::ios::iostate state = in.rdstate();
        length += static_cast<std::size_t>(in.gcount()) - (state == std::ios::goodbit ? 1 : 0);
        in.clear(state & std::ios::badbit);
        // Only failbit: the piece is full and the line goes on, unless it has reached `maxTaken`.
        if (state != std::ios::failbit || length == maxTaken) {
            return (state & std::ios::eofbit) |
                   (state != std::ios::goodbit && length == 0 ? std::ios::failbit : std::ios::goodbit);
        }
    }
}

std::istream& String::readLine(std::istream& in, String& s, std::int32_t limit, bool dropCarriageReturn) {
    if (limit < 0 || limit > maxLength) {
        throw std::invalid_argument("String::readLine: the limit must lie within 0 .. String::maxLength");
    }
    // Meanwhile only badbit throws: a full piece of a long line sets failbit,
    // which is no failure of the line, and a failing device's own exception
    // still goes on, as from std::getline.
    const std::ios::iostate mask = in.exceptions();
    in.exceptions(mask & std::ios::badbit);
    try {
        Buffer line(nullptr, std::free);
        std::size_t taken = 0;
        const std::ios::iostate state = takeLine(in, line, taken, static_cast<std::size_t>(limit) + 1);
        // A refused line sets failbit, and the refusal is what gets reported.
        in.setstate(taken > static_cast<std::size_t>(limit) ? std::ios::failbit : std::ios::goodbit);
        refuseBeyond(taken, static_cast<std::size_t>(limit));
        resize(line, taken + 1);  // what the doubling left unused goes back
        // As Windows' text mode drops it from a CR LF line end: only right before a newline.
        if (dropCarriageReturn && (state & std::ios::eofbit) == 0 && taken > 0 && line[taken - 1] == '\r') {
            --taken;
        }
        line[taken] = '\0';
        if (std::memchr(line.get(), '\0', taken) != nullptr) {
            String text(line.get());  // a zero byte ends the text: a copy of what comes before it
            std::swap(s.data, text.data);
            std::swap(s.size, text.size);
        } else {
            // The usual case: the line itself becomes the text, without a copy.
            std::free(s.data);  // NOLINT(cppcoreguidelines-no-malloc): the constructors' malloc
            s.data = line.release();
            s.size = static_cast<std::int32_t>(taken) + 1;
        }
        in.exceptions(mask);
        in.setstate(state);  // once, at the end, as std::getline reports it
    } catch (const std::bad_alloc&) {
        in.exceptions(std::ios::goodbit);  // badbit, without a std::ios::failure in its place
        in.setstate(std::ios::badbit);
        restoreExceptionMask(in, mask);
        throw;
    } catch (...) {
        restoreExceptionMask(in, mask);
        throw;
    }
    return in;
}
