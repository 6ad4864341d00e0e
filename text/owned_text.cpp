#include "text/owned_text.h"

#include <cstdarg>
#include <cstdint>
#include <limits>

#include "platform/heap.h"
#include "platform/wide_text.h"

namespace text {

const char16_t SHARED_EMPTY_TEXT[1] = {u'\0'};

namespace {

// Lengths are held in 32 bits; a longer text is cut to what fits.
std::int32_t ClampLength(std::size_t length) {
    constexpr std::size_t limit = std::numeric_limits<std::int32_t>::max() - 1;
    return static_cast<std::int32_t>(length < limit ? length : limit);
}

std::size_t BytesFor(std::int32_t length) {
    return (static_cast<std::size_t>(length) + 1) * sizeof(char16_t);
}

}  // namespace

OwnedText::OwnedText(const char16_t* text) {
    if (text != nullptr) AdoptCopyOf(text, platform::WideLength(text));
}

OwnedText::OwnedText(OwnedText&& source) noexcept
    : owns(source.owns), buffer(source.buffer), length(source.length) {
    source.owns = false;
    source.buffer = nullptr;
    source.length = 0;
}

OwnedText::~OwnedText() { ReleaseBuffer(); }

// Allocates exactly length + 1 characters and copies `text` with its NUL.
// The value must own nothing when this is called. When the heap is
// exhausted the value stays empty, which reads as the empty text.
void OwnedText::AdoptCopyOf(const char16_t* text, std::size_t textLength) {
    const std::int32_t kept = ClampLength(textLength);
    auto* block = static_cast<char16_t*>(platform::HeapAllocate(BytesFor(kept)));
    if (block == nullptr) return;
    platform::CopyBytes(block, text, static_cast<std::size_t>(kept) * sizeof(char16_t));
    block[kept] = u'\0';
    owns = true;
    buffer = block;
    length = kept;
}

void OwnedText::ReleaseBuffer() {
    if (owns) platform::HeapRelease(buffer);
    owns = false;
    buffer = nullptr;
    length = 0;
}

OwnedText& OwnedText::Assign(const char16_t* text) {
    if (text == nullptr) {
        Clear();
        return *this;
    }
    const std::size_t textLength = platform::WideLength(text);
    if (owns && textLength == static_cast<std::size_t>(length)) {
        // The once-a-second refresh rewrites most texts with one of the same
        // length: reuse the buffer and spare the heap.
        platform::CopyBytes(buffer, text, BytesFor(length));
        return *this;
    }
    ReleaseBuffer();
    AdoptCopyOf(text, textLength);
    return *this;
}

void OwnedText::Clear() { ReleaseBuffer(); }

OwnedText& OwnedText::Append(const char16_t* text) {
    OwnedText combined = Concat(text);
    return TakeOver(combined);
}

OwnedText OwnedText::Concat(const char16_t* text) {
    const std::size_t textLength = platform::WideLength(text);
    if (textLength == 0) {
        OwnedText result;
        result.TakeOver(*this);
        return result;
    }
    if (length == 0) return OwnedText(text);

    OwnedText result;
    const std::int32_t combined = ClampLength(static_cast<std::size_t>(length) + textLength);
    auto* block = static_cast<char16_t*>(platform::HeapAllocate(BytesFor(combined)));
    if (block == nullptr) return result;
    const std::size_t ownPart = static_cast<std::size_t>(length);
    platform::CopyBytes(block, buffer, ownPart * sizeof(char16_t));
    platform::CopyBytes(block + ownPart, text, (combined - ownPart) * sizeof(char16_t));
    block[combined] = u'\0';
    result.owns = true;
    result.buffer = block;
    result.length = combined;
    return result;
}

OwnedText& OwnedText::TakeOver(OwnedText& source) {
    if (&source == this) return *this;
    ReleaseBuffer();
    owns = source.owns;
    buffer = source.buffer;
    length = source.length;
    source.owns = false;
    source.buffer = nullptr;
    source.length = 0;
    return *this;
}

const char16_t* OwnedText::Text() const {
    return owns && buffer != nullptr ? buffer : SHARED_EMPTY_TEXT;
}

OwnedText& OwnedText::Format(const char16_t* format, ...) {
    // The scratch area lives in this frame; the formatter never writes past
    // it and cuts a longer result at FORMAT_BUFFER_CHARS - 1 characters.
    char16_t scratch[FORMAT_BUFFER_CHARS];
    std::va_list arguments;
    va_start(arguments, format);
    platform::WideFormatV(scratch, FORMAT_BUFFER_CHARS, format, arguments);
    va_end(arguments);
    return Assign(scratch);
}

}  // namespace text
