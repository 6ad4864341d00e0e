#include "platform/linux/attribute_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>

namespace platform::linux_status {

namespace {

void Note(NoValue* why, NoValue reason) {
    if (why != nullptr) *why = reason;
}

}  // namespace

bool IsMissing(int error) { return error == ENOENT || error == ENOTDIR; }

FileDescriptor OpenRegularFile(int folder, const char* name, NoValue* why) {
    FileDescriptor file(::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.valid()) {
        Note(why, IsMissing(errno) ? NoValue::Missing : NoValue::Unreadable);
        return file;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        Note(why, NoValue::Unreadable);
        return FileDescriptor();
    }
    return file;
}

std::optional<std::size_t> ReadAtMost(int descriptor, std::span<char> buffer) {
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t count = ::read(descriptor, buffer.data() + filled, buffer.size() - filled);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return std::nullopt;
        if (count == 0) break;
        filled += static_cast<std::size_t>(count);
    }
    return filled;
}

std::string_view TrimBlanks(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

std::optional<std::int64_t> ParseInteger(std::string_view text, std::int64_t lowest,
                                         std::int64_t highest) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    // "-0" is in range but is no unsigned field's form: a sign is only
    // accepted where negatives are.
    if (lowest >= 0 && text.front() == '-') return std::nullopt;
    if (value < lowest || value > highest) return std::nullopt;
    return value;
}

std::optional<std::string_view> ReadAttributeText(int folder, const char* name,
                                                  std::span<char> buffer, NoValue* why) {
    const FileDescriptor file = OpenRegularFile(folder, name, why);
    if (!file.valid()) return std::nullopt;
    const std::optional<std::size_t> count = ReadAtMost(file.get(), buffer);
    // A full buffer means the file may go on: it is not a value we know.
    if (!count || *count == buffer.size()) {
        Note(why, NoValue::Unreadable);
        return std::nullopt;
    }
    return TrimBlanks(std::string_view(buffer.data(), *count));
}

}  // namespace platform::linux_status
