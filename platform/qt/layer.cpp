#include "platform/qt/layer.h"
#include "platform/qt/text_format.h"

#include <QCoreApplication>

#include "platform/qt/device_contexts.h"
#include "platform/qt/icon_store.h"
#include "platform/qt/instance_link.h"
#include "platform/qt/keyboard.h"
#include "platform/qt/message_queue.h"
#include "platform/qt/timers.h"
#include "platform/qt/tray_icons.h"
#include "platform/qt/window_object.h"

namespace platform::qt {

namespace {

bool& ShutDownRegistered() {
    static bool registered = false;
    return registered;
}

}  // namespace

void ShutDownLayer() {
    ReleaseAllContexts();
    RemoveAllTrayIcons();
    ReleaseTimers();
    DiscardAllDialogs();
    ReleaseRemoteWindows();
    ReleaseIcons();
    ClearMessageQueue();
    ForgetKeyTexts();
    ForgetLaidOutText();
    // A later application registers again.
    ShutDownRegistered() = false;
}

void ShutDownWithApplication() {
    if (ShutDownRegistered() || QCoreApplication::instance() == nullptr) return;
    // Post routines run at the start of the application's destruction,
    // while widgets and pixmaps can still be deleted.
    qAddPostRoutine(ShutDownLayer);
    ShutDownRegistered() = true;
}

}  // namespace platform::qt
