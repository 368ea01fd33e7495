#include "text_string.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

String::String(std::int32_t count) : data(nullptr), size(std::max<std::int32_t>(count, 1)) {
    data = new char[static_cast<std::size_t>(size)];
    data[0] = '\0';
}

[[noreturn]] static void refuseTooLong() { throw std::length_error("text longer than a String can hold"); }

String::String(const char* text) : data(nullptr), size(0) {
    const std::size_t textLength = std::strlen(text);
    if (textLength > maxLength) {
        refuseTooLong();
    }
    size = static_cast<std::int32_t>(textLength) + 1;
    data = new char[textLength + 1];
    std::memcpy(data, text, textLength + 1);
}

String::~String() { delete[] data; }

std::int32_t String::length() const noexcept {
    // The constructors and readLine never let a text grow past maxLength.
    return static_cast<std::int32_t>(std::strlen(data));
}

// Sets `state` without the throw that the stream's exception mask would ask
// for, and puts the mask back: the exception already on its way is the one to report.
static void setQuietly(std::istream& in, std::ios::iostate state) noexcept {
    const std::ios::iostate mask = in.exceptions();
    in.exceptions(std::ios::goodbit);
    in.setstate(state);
    try {
        in.exceptions(mask);
    } catch (const std::ios::failure&) {
    }
}

// Takes the bytes of the next line into `line` and its newline after them,
// as std::getline does, but no more than `most` bytes: past those the line
// stays unread. Returns the state that std::getline would report.
static std::ios::iostate takeLine(std::istream& in, std::string& line, std::size_t most) {
    using Traits = std::istream::traits_type;
    const std::istream::sentry ready(in, true);  // true: leading blanks belong to the line
    if (!ready) {
        return std::ios::failbit;
    }
    std::streambuf& source = *in.rdbuf();
    try {
        for (Traits::int_type next = source.sgetc();; next = source.snextc()) {
            if (Traits::eq_int_type(next, Traits::eof())) {
                return line.empty() ? std::ios::eofbit | std::ios::failbit : std::ios::eofbit;
            }
            if (Traits::eq_int_type(next, Traits::to_int_type('\n'))) {
                source.sbumpc();
                return std::ios::goodbit;
            }
            if (line.size() == most) {
                return std::ios::goodbit;
            }
            line.push_back(Traits::to_char_type(next));
        }
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        // A failing device, taken as std::getline takes it: the stream goes bad,
        // and the device's own exception goes on if the mask asks for badbit.
        setQuietly(in, std::ios::badbit);
        if ((in.exceptions() & std::ios::badbit) != 0) {
            throw;
        }
        return line.empty() ? std::ios::failbit : std::ios::goodbit;
    }
}

std::istream& String::readLine(std::istream& in, String& s, std::int32_t limit) {
    if (limit < 0 || limit > maxLength) {
        throw std::invalid_argument("String::readLine: the limit must lie within 0 .. String::maxLength");
    }
    std::string line;
    try {
        const std::ios::iostate state = takeLine(in, line, static_cast<std::size_t>(limit) + 1);
        if (line.size() > static_cast<std::size_t>(limit)) {
            setQuietly(in, std::ios::failbit);  // the refusal is what gets reported
            refuseTooLong();
        }
        // Windows text mode drops this carriage return before a program sees it;
        // dropping it everywhere makes a CRLF file read alike on every platform.
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        String text(line.c_str());  // up to the line's first zero byte
        std::swap(s.data, text.data);
        std::swap(s.size, text.size);
        in.setstate(state);  // reported once, at the end, as std::getline reports it
    } catch (const std::bad_alloc&) {
        setQuietly(in, std::ios::badbit);
        throw;
    }
    return in;
}
