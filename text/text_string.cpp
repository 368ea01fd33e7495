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

String::String(const char* text) : data(nullptr), size(0) {
    const std::size_t textLength = std::strlen(text);
    if (textLength > static_cast<std::size_t>(maxLength)) {
        throw std::length_error("text longer than a String can hold");
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

static constexpr std::streamsize firstBlockSize = 4096;
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

std::istream& String::readLine(std::istream& in, String& s, std::int32_t limit) {
    std::vector<LineBlock> blocks;
    std::streamsize kept = 0;  // bytes of the text: the line up to its first zero byte
    bool cutAtZero = false;
    bool gotLine = false;
    char lastByte = '\0';

    const std::istream::sentry ready(in, true);  // true: leading blanks belong to the line
    std::streamsize blockSize = firstBlockSize;
    while (ready) {
        // Not zero-filled on purpose: getline writes every byte that is read.
        blocks.push_back({std::unique_ptr<char[]>(new char[static_cast<std::size_t>(blockSize)]), 0});
        char* bytes = blocks.back().bytes.get();
        in.getline(bytes, blockSize);

        const bool full = in.fail() && !in.eof() && in.gcount() == blockSize - 1;
        const bool ended = !in.fail() && !in.eof();  // the newline was taken too
        const std::streamsize stored = in.gcount() - (ended ? 1 : 0);
        gotLine = gotLine || in.gcount() > 0;
        if (full || (gotLine && in.fail() && in.eof())) {
            // A full block is no failure, nor is end of input after some bytes.
            in.clear(in.rdstate() & ~std::ios::failbit);
        }

        const void* zero = std::memchr(bytes, '\0', static_cast<std::size_t>(stored));
        blocks.back().used = zero ? static_cast<const char*>(zero) - bytes : stored;
        kept += blocks.back().used;
        if (stored > 0) {
            lastByte = bytes[stored - 1];
        }
        if (kept > static_cast<std::streamsize>(limit) + 1) {  // + 1: a final carriage return
            throw std::length_error("line longer than a String can hold");
        }
        if (zero) {
            cutAtZero = true;
            if (full) {
                in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
            }
            break;
        }
        if (!full) {
            break;
        }
        blockSize = std::min(2 * blockSize, largestBlockSize);
    }

    // Windows text mode drops this carriage return before a program sees it;
    // dropping it everywhere makes a CRLF file read alike on every platform.
    if (!cutAtZero && kept > 0 && lastByte == '\r') {
        --kept;
    }
    if (kept > limit) {
        throw std::length_error("line longer than a String can hold");
    }

    s.adopt(joinBlocks(blocks, kept), static_cast<std::int32_t>(kept) + 1);
    return in;
}
