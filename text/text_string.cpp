#include "text_string.h"

#include <algorithm>
#include <cstring>
#include <istream>
#include <limits>
#include <memory>
#include <new>
#include <numeric>
#include <stdexcept>
#include <utility>
#include <vector>

#include "fresh_memory.h"

String::String(std::int32_t count) : data(nullptr), size(std::max<std::int32_t>(count, 1)) {
    data = new char[static_cast<std::size_t>(size)];
    data[0] = '\0';
}

[[noreturn]] static void refuseTooLong() { throw std::length_error("text longer than a String can hold"); }

// Refuses a text longer than the 32-bit positions, or a caller's tighter limit, can count.
static void refuseBeyond(std::uint64_t length, std::uint64_t limit) {
    if (length > limit) {
        refuseTooLong();
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
    LineBlock(std::unique_ptr<char[]> array, std::streamsize arrayCapacity) noexcept
        : bytes(std::move(array)), capacity(arrayCapacity) {}

    std::unique_ptr<char[]> bytes;
    std::streamsize capacity;
    std::streamsize used = 0;
};

// A short line, the usual case, costs one small block; a long one doubles its
// way up to the largest. glibc serves a block of 128 KiB or more with mmap
// and unmaps it when it is freed (a block that a raised threshold puts on the
// heap is trimmed off its top, since joinBlocks frees the last block first),
// so while the final array fills, the peak exceeds one copy of the line by
// about one block: 1 MiB keeps that under 1% of a long line.
static constexpr std::streamsize firstBlockSize = 128;
static constexpr std::streamsize largestBlockSize = std::streamsize{1} << 20;

static LineBlock newBlock(std::streamsize capacity) {
    // Not zero-filled on purpose: getline writes every byte that is read.
    LineBlock block{std::unique_ptr<char[]>(new char[static_cast<std::size_t>(capacity)]), capacity};
    // A long line fills all of its blocks but the last.
    backBeforeFilling(block.bytes.get(), static_cast<std::size_t>(capacity));
    return block;
}

// The first block is as large as the input that the stream says is waiting
// (a file tells how much of it is left), so that a line filling the rest of a
// file lands in its final array at once. Touching fresh memory is most of
// the cost of a long line, and this touches it once instead of twice. A
// hint that the system cannot back with memory is dropped.
static LineBlock firstBlock(std::istream& in, std::streamsize capacityLeft) {
    const std::streamsize waiting = std::min(in.rdbuf()->in_avail(), capacityLeft);
    if (waiting > firstBlockSize) {
        std::unique_ptr<char[]> bytes(new (std::nothrow) char[static_cast<std::size_t>(waiting)]);
        if (bytes) {
            return {std::move(bytes), waiting};
        }
    }
    return newBlock(std::min(firstBlockSize, capacityLeft));
}

// The first `length` bytes held by the blocks, in one terminated array: the
// one block itself when the text fills it exactly, else a copy made from the
// last block back, each block freed as soon as it is copied.
static char* joinBlocks(std::vector<LineBlock>& blocks, std::streamsize length) {
    if (blocks.size() == 1 && blocks.front().capacity == length + 1) {
        return blocks.front().bytes.release();  // getline has put the terminator after the text
    }
    char* text = new char[static_cast<std::size_t>(length) + 1];
    text[length] = '\0';
    std::streamsize start =
        std::accumulate(blocks.begin(), blocks.end(), std::streamsize{0},
                        [](std::streamsize sum, const LineBlock& block) { return sum + block.used; });
    for (auto block = blocks.rbegin(); block != blocks.rend(); ++block) {
        start -= block->used;
        if (start < length) {
            const std::streamsize part = std::min(block->used, length - start);
            backBeforeFilling(text + start, static_cast<std::size_t>(part));
            std::memcpy(text + start, block->bytes.get(), static_cast<std::size_t>(part));
        }
        block->bytes.reset();
    }
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

// The text of the next line, by the rules that readLine states; its length goes to `length`.
static char* readText(std::istream& in, std::int32_t limit, std::int32_t& length) {
    // The most that is taken of a line: the longest text, a carriage return
    // that may end it, and one byte that proves the text too long.
    const std::streamsize allowance = std::streamsize{limit} + 2;
    std::vector<LineBlock> blocks;
    std::streamsize taken = 0;  // bytes of the line read so far
    std::streamsize kept = 0;   // bytes of the text: the line up to its first zero byte
    bool cutAtZero = false;
    char lastByte = '\0';

    const std::istream::sentry ready(in, true);  // true: leading blanks belong to the line
    bool lineGoesOn = static_cast<bool>(ready);
    for (std::streamsize block = firstBlockSize; lineGoesOn; block = std::min(2 * block, largestBlockSize)) {
        const std::streamsize capacityLeft = allowance - taken + 1;  // + 1: getline's terminator
        blocks.push_back(blocks.empty() ? firstBlock(in, capacityLeft) : newBlock(std::min(block, capacityLeft)));
        char* bytes = blocks.back().bytes.get();
        std::streamsize stored = 0;
        lineGoesOn = readPiece(in, bytes, blocks.back().capacity, stored);
        taken += stored;
        if (stored > 0) {
            lastByte = bytes[stored - 1];
        }

        const void* zero = std::memchr(bytes, '\0', static_cast<std::size_t>(stored));
        cutAtZero = zero != nullptr;
        blocks.back().used = cutAtZero ? static_cast<const char*>(zero) - bytes : stored;
        kept += blocks.back().used;
        // Once the text is certainly too long, the rest of the line stays unread.
        if (lineGoesOn && (cutAtZero ? kept > limit : taken == allowance)) {
            refuseTooLong();
        }
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
    length = static_cast<std::int32_t>(kept);
    return joinBlocks(blocks, kept);
}

// Marks the stream with `failure` and puts the caller's exception mask back
// without a throw of its own: the exception already on its way is the one to report.
static void markFailed(std::istream& in, std::ios::iostate failure, std::ios::iostate mask) noexcept {
    in.setstate(failure);  // the mask is still clear, so this cannot throw
    try {
        in.exceptions(mask);
    } catch (const std::ios::failure&) {
    }
}

std::istream& String::readLine(std::istream& in, String& s, std::int32_t limit) {
    if (limit < 0 || limit > maxLength) {
        throw std::invalid_argument("String::readLine: the limit must lie within 0 .. String::maxLength");
    }
    // Like std::getline, the stream reports its state once, at the end: a
    // full block along the way must not throw.
    const std::ios::iostate mask = in.exceptions();
    in.exceptions(std::ios::goodbit);
    try {
        std::int32_t textLength = 0;
        char* text = readText(in, limit, textLength);
        s.adopt(text, textLength + 1);
    } catch (const std::length_error&) {
        markFailed(in, std::ios::failbit, mask);
        throw;
    } catch (const std::bad_alloc&) {
        markFailed(in, std::ios::badbit, mask);
        throw;
    }
    in.exceptions(mask);
    return in;
}
