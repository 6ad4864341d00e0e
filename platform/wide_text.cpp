#include "platform/wide_text.h"

#include <cstring>
#include <string>

namespace platform {

namespace {
using Traits = std::char_traits<char16_t>;
}  // namespace

std::size_t WideLength(const char16_t* text) { return text != nullptr ? Traits::length(text) : 0; }

char16_t* WideCopy(char16_t* target, const char16_t* source) {
    if (target == nullptr) return nullptr;
    // The NUL travels with the text, so an empty or null source still
    // leaves a terminated target.
    if (source == nullptr) {
        target[0] = u'\0';
        return target;
    }
    Traits::copy(target, source, Traits::length(source) + 1);
    return target;
}

char16_t* WideConcat(char16_t* target, const char16_t* source) {
    if (target == nullptr) return nullptr;
    WideCopy(target + Traits::length(target), source);
    return target;
}

void CopyBytes(void* target, const void* source, std::size_t bytes) {
    // memcpy demands valid pointers even for zero bytes; an empty move is
    // allowed to come with null ones.
    if (bytes == 0) return;
    std::memcpy(target, source, bytes);
}

}  // namespace platform
