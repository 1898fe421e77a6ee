// What the fuzz targets share: a check that stops the run with the condition that
// failed (libFuzzer keeps the input as a crash artifact), and a cursor that reads
// an input from its front, so seeds can be written byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

class InputCursor {
public:
    InputCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Empty() const { return at_ >= size_; }
    std::size_t Remaining() const { return size_ - at_; }
    // The next byte, or 0 once the input is used up.
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    // Up to `count` bytes from the current place; advances past them.
    const std::uint8_t* Take(std::size_t count, std::size_t& taken) {
        taken = count < Remaining() ? count : Remaining();
        const std::uint8_t* start = data_ + at_;
        at_ += taken;
        return start;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};
