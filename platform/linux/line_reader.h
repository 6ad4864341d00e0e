// Lines of a kernel table (mountinfo, meminfo) read through one fixed
// buffer, so a table of any size costs no allocation and a runaway line
// cannot make the reader grow without bound.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace platform::linux_status {

// Longer lines than this are skipped whole, never cut: a cut mountinfo line
// could still parse, as the wrong mount. Real lines are far shorter; only
// overlay mounts with long layer lists come near it, and they are never
// removable media.
constexpr std::size_t LINE_BUFFER_BYTES = 16 * 1024;

class LineReader {
public:
    // Reads from `descriptor`, which the caller keeps open while reading.
    explicit LineReader(int descriptor) : descriptor_(descriptor) {}

    // The next line without its line end; nothing at the end of the file or
    // after a read error. The view is valid until the next call. A last line
    // without a line end is still a line.
    std::optional<std::string_view> Next();

    // True once a read failed: the lines given so far may not be all.
    bool Failed() const { return failed_; }

private:
    bool Refill();

    int descriptor_;
    std::array<char, LINE_BUFFER_BYTES> buffer_;
    std::size_t start_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    bool droppingLine_ = false;  // the unfinished line cannot be trusted
    bool failed_ = false;
};

}  // namespace platform::linux_status
