// Little-endian writing of the platform's binary resource formats.
//
// A format writer is written once, as a template over a byte sink, and runs
// twice while compiling: over a SizeCounter to learn how many bytes it
// produces, then over a ByteArrayWriter of exactly that size. The resources
// therefore sit in read-only data from the first instruction on, and a writer
// that disagrees with itself about sizes fails the build instead of running.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace resources {

class SizeCounter {
public:
    constexpr void PutByte(std::uint8_t) { ++position_; }
    constexpr void PatchWord(std::size_t, std::uint16_t) {}
    constexpr std::size_t Position() const { return position_; }

private:
    std::size_t position_ = 0;
};

template <std::size_t Size>
class ByteArrayWriter {
public:
    constexpr void PutByte(std::uint8_t value) { bytes_.at(position_++) = value; }

    // Lengths of nested blocks are known only after their contents.
    constexpr void PatchWord(std::size_t at, std::uint16_t value) {
        bytes_.at(at) = static_cast<std::uint8_t>(value & 0xFF);
        bytes_.at(at + 1) = static_cast<std::uint8_t>(value >> 8);
    }

    constexpr std::size_t Position() const { return position_; }
    constexpr const std::array<std::uint8_t, Size>& Bytes() const { return bytes_; }

private:
    std::array<std::uint8_t, Size> bytes_{};
    std::size_t position_ = 0;
};

template <class Sink>
constexpr void PutWord(Sink& out, std::uint16_t value) {
    out.PutByte(static_cast<std::uint8_t>(value & 0xFF));
    out.PutByte(static_cast<std::uint8_t>(value >> 8));
}

template <class Sink>
constexpr void PutDword(Sink& out, std::uint32_t value) {
    PutWord(out, static_cast<std::uint16_t>(value & 0xFFFF));
    PutWord(out, static_cast<std::uint16_t>(value >> 16));
}

// A signed 16-bit field in two's complement, as the dialog formats store it.
template <class Sink>
constexpr void PutShort(Sink& out, std::int16_t value) {
    PutWord(out, static_cast<std::uint16_t>(value));
}

// UTF-16 text followed by its terminating NUL.
template <class Sink>
constexpr void PutText(Sink& out, std::u16string_view text) {
    for (char16_t c : text) PutWord(out, static_cast<std::uint16_t>(c));
    PutWord(out, 0);
}

// Pads with zero bytes up to the next multiple of four from the start.
template <class Sink>
constexpr void AlignToDword(Sink& out) {
    while (out.Position() % 4 != 0) out.PutByte(0);
}

// The bytes that `write` produces, as an array of exactly their size.
// `write` is a captureless generic lambda taking the sink.
template <auto write>
constexpr auto SerialiseBytes() {
    constexpr std::size_t size = [] {
        SizeCounter counter;
        write(counter);
        return counter.Position();
    }();
    ByteArrayWriter<size> out;
    write(out);
    return out.Bytes();
}

}  // namespace resources
