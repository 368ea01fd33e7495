#include "text_string.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

String::String(std::int32_t count) : data(nullptr), size(std::max<std::int32_t>(count, 1)) {
    data = new char[static_cast<std::size_t>(size)];
    data[0] = '\0';
}

// Refuses a text longer than the 32-bit positions, or a caller's tighter limit, can count.
static void refuseBeyond(std::uint64_t length, std::uint64_t limit) {
    if (length > limit) {
        throw std::length_error("text longer than a String can hold");
    }
}

String::String(const char* text) : data(nullptr), size(0) {
    const std::size_t textLength = std::strlen(text);
    refuseBeyond(textLength, maxLength);
    size = static_cast<std::int32_t>(textLength) + 1;
    data = new char[textLength + 1];
    std::memcpy(data, text, textLength + 1);
}

String::~String() { delete[] data; }

std::int32_t String::length() const noexcept {
    // The constructors and readLine never let a text grow past maxLength.
    return static_cast<std::int32_t>(std::strlen(data));
}

void String::adopt(char* array, std::int32_t arraySize) noexcept {
    delete[] data;
    data = array;
    size = arraySize;
}

// A line arrives in blocks of growing size: its length is unknown until its
// end, and regrowing one array would copy and touch its bytes many times over.
struct LineBlock {
    std::unique_ptr<char[]> bytes;
    std::streamsize used;
};

// A short line, the usual case, costs one small block; a long one doubles its way up.
static constexpr std::streamsize firstBlockSize = 128;
static constexpr std::streamsize largestBlockSize = std::streamsize{64} << 20;

// The first `length` bytes held by the blocks, in one terminated array.
static char* joinBlocks(std::vector<LineBlock>& blocks, std::streamsize length) {
    char* text = new char[static_cast<std::size_t>(length) + 1];
    std::streamsize copied = 0;
    for (LineBlock& block : blocks) {
        const std::streamsize part = std::min(block.used, length - copied);
        std::memcpy(text + copied, block.bytes.get(), static_cast<std::size_t>(part));
        copied += part;
        block.bytes.reset();  // keeps the peak near one copy of the line, not two
    }
    text[length] = '\0';
    return text;
}

// Reads the next piece of the line into `bytes`, which hold `capacity` bytes;
// true when the line goes on past them. `stored` tells how many came.
static bool readPiece(std::istream& in, char* bytes, std::streamsize capacity, std::streamsize& stored) {
    in.getline(bytes, capacity);
    const bool full = in.fail() && !in.eof() && in.gcount() == capacity - 1;
    const bool newlineTaken = !in.fail() && !in.eof();
    stored = in.gcount() - (newlineTaken ? 1 : 0);
    if (full) {
        in.clear(in.rdstate() & ~std::ios::failbit);  // a full block is no failure
    }
    return full;
}

std::istream& String::readLine(std::istream& in, String& s, std::int32_t limit) {
    std::vector<LineBlock> blocks;
    std::streamsize kept = 0;  // bytes of the text: the line up to its first zero byte
    bool cutAtZero = false;
    char lastByte = '\0';

    const std::istream::sentry ready(in, true);  // true: leading blanks belong to the line
    bool lineGoesOn = static_cast<bool>(ready);
    for (std::streamsize capacity = firstBlockSize; lineGoesOn; capacity = std::min(2 * capacity, largestBlockSize)) {
        // Not zero-filled on purpose: getline writes every byte that is read.
        blocks.push_back({std::unique_ptr<char[]>(new char[static_cast<std::size_t>(capacity)]), 0});
        char* bytes = blocks.back().bytes.get();
        std::streamsize stored = 0;
        lineGoesOn = readPiece(in, bytes, capacity, stored);
        if (stored > 0) {
            lastByte = bytes[stored - 1];
        }

        const void* zero = std::memchr(bytes, '\0', static_cast<std::size_t>(stored));
        cutAtZero = zero != nullptr;
        blocks.back().used = cutAtZero ? static_cast<const char*>(zero) - bytes : stored;
        kept += blocks.back().used;
        refuseBeyond(static_cast<std::uint64_t>(kept), static_cast<std::uint64_t>(limit) + 1);  // + 1: a final CR
        if (cutAtZero && lineGoesOn) {
            in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            lineGoesOn = false;
        }
    }

    // Windows text mode drops this carriage return before a program sees it;
    // dropping it everywhere makes a CRLF file read alike on every platform.
    if (!cutAtZero && kept > 0 && lastByte == '\r') {
        --kept;
    }
    refuseBeyond(static_cast<std::uint64_t>(kept), static_cast<std::uint64_t>(limit));
    s.adopt(joinBlocks(blocks, kept), static_cast<std::int32_t>(kept) + 1);
    return in;
}
