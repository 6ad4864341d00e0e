#include "platform/qt/messages/message_queue.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <algorithm>
#include <deque>

#include "platform/qt/base/lifetime.h"
#include "platform/qt/base/x11_connection.h"
#include "platform/qt/dialogs/dialog_manager.h"
#include "platform/qt/messages/timers.h"
#include "platform/qt/windows/window_object.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

struct QueueState {
    std::deque<MessageRecord> posted;
    bool quitPending = false;
    std::int32_t quitCode = 0;
    bool waiting = false;  // a retrieval sleeps in Qt's event loop
};

QueueState& Queue() {
    static QueueState state;
    return state;
}

bool TakePosted(MessageRecord* message) {
    auto& posted = Queue().posted;
    if (posted.empty()) return false;
    *message = posted.front();
    posted.pop_front();
    return true;
}

// The quit request is a message of no window, retrieved after everything
// posted before or after it.
bool TakeQuit(MessageRecord* message) {
    if (!Queue().quitPending) return false;
    Queue().quitPending = false;
    *message = MessageRecord{nullptr, WM_QUIT, static_cast<std::uintptr_t>(Queue().quitCode), 0};
    return true;
}

bool TakeNext(MessageRecord* message) {
    return TakePosted(message) || TakeQuit(message) || TakeDueTick(message);
}

// Waits in Qt's event loop for anything at all to happen; the handlers of
// what happened post the messages. Nothing here wakes up on its own. What
// was asked of the window system (show, hide, raise) reaches it before the
// loop blocks.
void WaitForEvents() {
    static const bool flushing = [] {
        // Before the loop sleeps, whatever the program asked of the display
        // since it last woke goes out (see x11_connection.h).
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, FlushX11Requests);
        }
        return true;
    }();
    (void)flushing;
    Queue().waiting = true;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Queue().waiting = false;
}

// Drops every queued message for `window` (and a dialog's controls).
void PurgeMessagesOf(const WindowObject* window) {
    auto& posted = Queue().posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [window](const MessageRecord& record) {
                                    return NamesDialogOrItsControl(record.window, window);
                                }),
                 posted.end());
}

// Empties the queue and forgets a pending quit.
void ClearMessageQueue() { Queue() = QueueState{}; }

// Whatever is queued goes with its window, and all of it with the layer.
void KeepQueueWithTheLayer() {
    CleanUpAtLayerEnd(LayerStage::MessageQueue, ClearMessageQueue);
    ForgetWindowsThrough(PurgeMessagesOf);
}

}  // namespace

void AskEveryDialogToClose() {
    bool asked = false;
    for (const auto& dialog : Dialogs()) {
        if (!dialog->destroying && LiveLocalWindow(dialog.get()) != nullptr) {
            asked = PostMessage(dialog.get(), WM_CLOSE, 0, 0) || asked;
        }
    }
    if (!asked) PostQuitMessage(0);
}

bool PostMessageOnce(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                     std::intptr_t second) {
    const auto& posted = Queue().posted;
    const bool waiting =
        std::any_of(posted.begin(), posted.end(), [&](const MessageRecord& record) {
            return record.window == window && record.message == message && record.first == first &&
                   record.second == second;
        });
    return waiting || PostMessage(window, message, first, second);
}

// Qt's loop sleeps until its own sources have something; a message that a
// handler posts to this queue is not one of them. A call queued from another
// thread (every D-Bus delivery is one) spends the loop's wake-up on the wait
// in which it arrives and runs at the start of the next, which would then
// sleep with the message in the queue until something unrelated happened.
void WakeWaitingRetrieval() {
    if (!Queue().waiting) return;
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        dispatcher->wakeUp();
}

}  // namespace platform::qt

namespace platform {

using namespace platform::qt;

std::int32_t RetrieveMessage(MessageRecord* message) {
    if (message == nullptr || QCoreApplication::instance() == nullptr) return -1;
    while (!TakeNext(message)) WaitForEvents();
    return message->message == WM_QUIT ? 0 : 1;
}

bool FilterDialogMessage(WindowHandle dialog, MessageRecord* message) {
    WindowObject* dialogWindow = LiveLocalWindow(dialog);
    if (message == nullptr || dialogWindow == nullptr ||
        dialogWindow->kind != WindowObject::Kind::Dialog ||
        !BelongsToDialog(LiveWindow(message->window), dialogWindow)) {
        return false;
    }
    if (message->message == WM_KEYDOWN &&
        (message->first == KEY_RETURN || message->first == KEY_ESCAPE)) {
        const std::uint16_t command = message->first == KEY_RETURN ? COMMAND_OK : COMMAND_CANCEL;
        const WindowHandle button = GetDialogItem(dialog, command);
        SendMessage(dialog, WM_COMMAND, command, reinterpret_cast<std::intptr_t>(button));
        return true;
    }
    // Every other message of the dialog is handled here in full, as the
    // platform's dialog manager does.
    TranslateMessage(message);
    DispatchMessage(message);
    return true;
}

// The only keys posted are Enter and Escape, whose characters are their
// virtual-key codes.
bool TranslateMessage(const MessageRecord* message) {
    if (message == nullptr || message->message != WM_KEYDOWN ||
        (message->first != KEY_RETURN && message->first != KEY_ESCAPE)) {
        return false;
    }
    return PostMessage(message->window, WM_CHAR, message->first, message->second);
}

std::intptr_t DispatchMessage(const MessageRecord* message) {
    if (message == nullptr) return 0;
    WindowObject* window = LiveLocalWindow(message->window);
    if (window == nullptr) return 0;
    return DeliverMessage(window, message->message, message->first, message->second);
}

bool PostMessage(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                 std::intptr_t second) {
    if (window != nullptr && LiveLocalWindow(window) == nullptr) return false;
    auto& posted = Queue().posted;
    if (posted.size() >= POSTED_MESSAGE_LIMIT) return false;
    KeepQueueWithTheLayer();
    posted.push_back(MessageRecord{window, message, first, second});
    WakeWaitingRetrieval();
    return true;
}

void PostQuitMessage(std::int32_t exitCode) {
    KeepQueueWithTheLayer();
    Queue().quitPending = true;
    Queue().quitCode = exitCode;
    WakeWaitingRetrieval();
}

}  // namespace platform
