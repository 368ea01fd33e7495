// A stream that hands its text out a few bytes at a time, as a pipe does, and
// whose estimate of what is left throws: a reader must not depend on it. It
// can fail as a device does, by throwing once `failAfter` bytes are handed out.
#ifndef CONSTCHECK_TRICKLE_STREAM_H
#define CONSTCHECK_TRICKLE_STREAM_H

#include <algorithm>
#include <istream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <utility>

class TrickleBuffer : public std::streambuf {
public:
    explicit TrickleBuffer(std::string all, std::size_t failAfter = std::string::npos)
        : text(std::move(all)), bytesBeforeFailure(failAfter) {}

protected:
    std::streamsize showmanyc() override { throw std::runtime_error("no estimate"); }

    int_type underflow() override {
        if (handedOut >= bytesBeforeFailure) {
            throw std::runtime_error("device error");
        }
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
    std::size_t bytesBeforeFailure;
    std::size_t handedOut = 0;
};

class TrickleStream : private TrickleBuffer, public std::istream {
public:
    explicit TrickleStream(std::string all, std::size_t failAfter = std::string::npos)
        : TrickleBuffer(std::move(all), failAfter), std::istream(this) {}
};

#endif
