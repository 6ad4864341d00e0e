// What every fuzzing harness shares: the libFuzzer entry point and a check
// that stops the run, under libFuzzer and under the corpus replay alike,
// with the property that failed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)

namespace fuzz {

// Takes bytes from the front of the input; zeros once it is used up, so a
// harness can read a structure from any input.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t Number(std::uint32_t below) {
        std::uint32_t value = Byte();
        value = (value << 8) | Byte();
        return below == 0 ? 0 : value % below;
    }
    bool Empty() const { return at_ >= size_; }
    const std::uint8_t* Rest() const { return data_ + at_; }
    std::size_t RestSize() const { return size_ - at_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace fuzz
