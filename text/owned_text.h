// OwnedText: the value type that holds every text the status dialog shows.
//
// A value either owns a heap buffer of exactly length + 1 UTF-16 characters
// (the last one the NUL) or owns nothing and reads as the shared empty text.
// There is no copy: TakeOver moves a buffer from one value to another, and
// Concat hands its result back by moving. A null text pointer given to any
// operation stands for the empty text.
#pragma once

#include <cstddef>
#include <cstdint>

namespace text {

// Characters of Format's scratch area, terminator included.
constexpr std::size_t FORMAT_BUFFER_CHARS = 256;

// The one text every empty value yields. Nothing writes through it.
extern const char16_t SHARED_EMPTY_TEXT[1];

class OwnedText {
public:
    OwnedText() = default;
    explicit OwnedText(const char16_t* text);
    OwnedText(OwnedText&& source) noexcept;  // the moved-from value is left empty
    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;
    OwnedText& operator=(OwnedText&&) = delete;
    ~OwnedText();

    // Replaces the text with a copy of `text`; an equal length reuses the
    // buffer without a heap request.
    OwnedText& Assign(const char16_t* text);

    // Releases the buffer, if any; the value becomes empty.
    void Clear();

    // This text followed by `text`, through Concat and TakeOver.
    OwnedText& Append(const char16_t* text);

    // A new value holding this text followed by `text`. With a null or
    // empty `text` the result takes this value's buffer over and this value
    // is left empty; otherwise this value is unchanged.
    OwnedText Concat(const char16_t* text);

    // Takes `source`'s buffer, ownership and length, releasing its own
    // first; `source` is left empty. Taking over itself changes nothing.
    OwnedText& TakeOver(OwnedText& source);

    // Never null: the buffer, or the shared empty text.
    const char16_t* Text() const;
    std::int32_t Length() const { return length; }

    // printf-style formatting (platform::WideFormat directives) through a
    // scratch area of FORMAT_BUFFER_CHARS characters, then Assign. A result
    // longer than FORMAT_BUFFER_CHARS - 1 characters is cut there.
    OwnedText& Format(const char16_t* format, ...);

    bool Owns() const { return owns; }

private:
    void AdoptCopyOf(const char16_t* text, std::size_t textLength);
    void ReleaseBuffer();

    bool owns = false;
    char16_t* buffer = nullptr;
    std::int32_t length = 0;
};

}  // namespace text
