#include "platform/qt/messages/message_filter.h"

#include "platform/qt/windows/window_object.h"
#include "platform/window.h"

namespace platform::qt {

bool MessageFilter::Accepts(const MessageRecord& message) const {
    if (threadOnly) {
        if (message.window != nullptr) return false;
    } else if (window != nullptr && !NamesDialogOrItsControl(message.window, window)) {
        return false;
    }
    if (first == 0 && last == 0) return true;
    return message.message == WM_QUIT || (message.message >= first && message.message <= last);
}

}  // namespace platform::qt
