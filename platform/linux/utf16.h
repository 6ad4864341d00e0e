// UTF-8 names from the kernel turned into the UTF-16 texts of the program.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform::linux_status {

// Converts `text` into `target`, which holds `capacity` units, and ends it
// with a NUL. Returns false, with `target` holding the empty text, when
// `text` is not well-formed UTF-8 (overlong forms, surrogates, values above
// U+10FFFF and cut sequences included) or does not fit with its NUL. A name
// that cannot be converted exactly is refused rather than patched, since a
// patched name could not be matched back to its source.
bool Utf8ToUtf16(std::string_view text, char16_t* target, std::size_t capacity);

}  // namespace platform::linux_status
