// Bounded reading and strict parsing of sysfs attributes. Drivers get these
// files wrong in every way (missing, empty, garbage, negative, huge, no
// newline), so whatever does not read cleanly is absent: the caller shows
// "unknown", never a guessed number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace platform::linux_status {

// No attribute the status sources read is longer than a few dozen bytes; a
// longer file is not one of them and reads as absent.
constexpr std::size_t ATTRIBUTE_BUFFER_BYTES = 256;

// Reads up to buffer.size() bytes from `descriptor`, retrying interrupted
// reads. Returns the count read, or nothing on a read error.
std::optional<std::size_t> ReadAtMost(int descriptor, std::span<char> buffer);

// `text` without leading and trailing blanks, tabs and line ends.
std::string_view TrimBlanks(std::string_view text);

// The whole of `text` as a decimal integer in [lowest, highest]: no sign
// other than a leading '-' (and that only when `lowest` is negative), no
// trailing characters, no overflow.
std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t lowest,
                                         std::int64_t highest);

// The attribute `name` (which may contain '/') of the folder open as
// `folder`, trimmed, in `buffer`. Nothing when it is missing, unreadable or
// longer than the buffer.
std::optional<std::string_view> ReadAttributeText(int folder, const char* name,
                                                  std::span<char> buffer);

// The attribute as an integer in [lowest, highest].
std::optional<std::int64_t> ReadAttributeInteger(int folder, const char* name, std::int64_t lowest,
                                                 std::int64_t highest);

// True when the attribute reads exactly as `expected` (after trimming).
bool AttributeIs(int folder, const char* name, std::string_view expected);

}  // namespace platform::linux_status
