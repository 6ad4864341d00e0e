// Wide-text services on NUL-terminated UTF-16 texts. Lengths count 16-bit
// units, never bytes, and exclude the NUL. A null text reads as empty.
#pragma once

#include <cstdarg>
#include <cstddef>

namespace platform {

// Number of characters before the NUL; 0 for null.
std::size_t WideLength(const char16_t* text);

// Copies `source` with its NUL to `target`, which must have room; returns
// `target`. A null source copies the empty text.
char16_t* WideCopy(char16_t* target, const char16_t* source);

// Appends `source` with its NUL after the text in `target`, which must have
// room; returns `target`.
char16_t* WideConcat(char16_t* target, const char16_t* source);

// Moves `bytes` bytes; the two areas must not overlap.
void CopyBytes(void* target, const void* source, std::size_t bytes);

// printf-style formatting of a UTF-16 format text into `target`, which holds
// `capacity` characters. Directives: d i u x X c s %, with the flags
// - 0 + space #, a width and a precision (digits or *), and the length
// modifiers h l ll z. "%s" takes a UTF-16 text (null prints as "(null)"),
// "%c" a UTF-16 unit passed as int. The other arguments are those of C's
// printf. An unknown or unfinished directive is copied as it stands and
// takes no argument.
//
// At most capacity - 1 characters are written, followed by a NUL (nothing is
// written when capacity is 0). Returns the length the complete result has,
// so a result equal to or above `capacity` says it was cut.
std::size_t WideFormatV(char16_t* target, std::size_t capacity, const char16_t* format,
                        std::va_list arguments);
std::size_t WideFormat(char16_t* target, std::size_t capacity, const char16_t* format, ...);

}  // namespace platform
