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

#include "platform/shared/file_descriptor.h"

namespace platform::linux_status {

using shared::FileDescriptor;

// No attribute the status sources read is longer than a few dozen bytes; a
// longer file is not one of them and reads as absent.
constexpr std::size_t ATTRIBUTE_BUFFER_BYTES = 256;

// Why a file gave no value. Only a file that is not there is absent; one
// that is there but cannot be read (descriptors exhausted, a read error, a
// FIFO or device in its place, garbage too long to be a value) says nothing
// about what it stands for, and its reader must show "unknown".
enum class NoValue { Missing, Unreadable };

// True for the errors that say a path leads nowhere: nothing of that name,
// or a part of the path that is no folder.
bool IsMissing(int error);

// Opens `name` below the folder open as `folder` (or AT_FDCWD) for reading,
// only if it is a regular file. The open never waits: a FIFO or a device in
// place of a status file could otherwise hold the program up for good. An
// invalid descriptor on failure, with `why` (when given) set.
FileDescriptor OpenRegularFile(int folder, const char* name, NoValue* why = nullptr);

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
// longer than the buffer; `why` (when given) says which.
std::optional<std::string_view> ReadAttributeText(int folder, const char* name,
                                                  std::span<char> buffer, NoValue* why = nullptr);

}  // namespace platform::linux_status
