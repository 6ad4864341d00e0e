#include "platform/linux/line_reader.h"

#include <cstring>
#include <span>

#include "platform/linux/attribute_file.h"

namespace platform::linux_status {

std::optional<std::string_view> LineReader::Next() {
    for (;;) {
        const std::string_view pending(buffer_.data() + start_, end_ - start_);
        const std::size_t lineEnd = pending.find('\n');
        if (lineEnd != std::string_view::npos) {
            start_ += lineEnd + 1;
            if (droppingLine_) {
                droppingLine_ = false;  // that was the tail of the dropped line
                continue;
            }
            return pending.substr(0, lineEnd);
        }
        if (atEnd_) {
            start_ = end_;
            if (pending.empty() || droppingLine_) return std::nullopt;
            return pending;
        }
        if (!Refill()) atEnd_ = true;
    }
}

// Moves the unfinished line to the front and reads more after it. A line
// that already fills the buffer is dropped and the rest of it skipped.
bool LineReader::Refill() {
    if (start_ == 0 && end_ == buffer_.size()) {
        droppingLine_ = true;
        end_ = 0;
    } else if (start_ != 0) {
        std::memmove(buffer_.data(), buffer_.data() + start_, end_ - start_);
        end_ -= start_;
    }
    start_ = 0;
    const std::optional<std::size_t> count =
        ReadAtMost(descriptor_, std::span<char>(buffer_).subspan(end_));
    if (!count) {
        droppingLine_ = true;  // a read error may have cut the line
        failed_ = true;
    }
    if (!count || *count == 0) return false;
    end_ += *count;
    return true;
}

}  // namespace platform::linux_status
