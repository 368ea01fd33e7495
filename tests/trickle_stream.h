// A stream that hands its text out a few bytes at a time and tells nothing of
// what is left, as a pipe does; a string stream tells its whole length ahead.
#ifndef CONSTCHECK_TRICKLE_STREAM_H
#define CONSTCHECK_TRICKLE_STREAM_H

#include <algorithm>
#include <istream>
#include <streambuf>
#include <string>
#include <utility>

class TrickleBuffer : public std::streambuf {
public:
    explicit TrickleBuffer(std::string all) : text(std::move(all)) {}

protected:
    int_type underflow() override {
        if (handedOut == text.size()) {
            return traits_type::eof();
        }
        char* piece = text.data() + handedOut;
        handedOut += std::min<std::size_t>(7, text.size() - handedOut);
        setg(piece, piece, text.data() + handedOut);
        return traits_type::to_int_type(*piece);
    }

private:
    std::string text;
    std::size_t handedOut = 0;
};

class TrickleStream : private TrickleBuffer, public std::istream {
public:
    explicit TrickleStream(std::string all) : TrickleBuffer(std::move(all)), std::istream(this) {}
};

#endif
