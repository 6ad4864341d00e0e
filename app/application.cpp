#include "app/application.h"

#include "app/status_dialog.h"
#include "platform/messages.h"
#include "platform/module.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "resources/window_title.h"

namespace app {

platform::InstanceHandle globalInstance = nullptr;

namespace {

// A running instance is found by its dialog's title: the full title, so a
// dialog whose caption differs in any character is not this program's.
bool HandOverToRunningInstance() {
    const platform::WindowHandle running = platform::FindTopLevelWindow(resources::WINDOW_TITLE);
    if (running == nullptr) return false;
    platform::ShowWindow(running, platform::SHOW_SHOW);
    platform::SetForegroundWindow(running);
    return true;
}

}  // namespace

std::uint32_t ChooseStatusTemplate() {
    platform::Rect area{};
    if (platform::QueryWorkArea(&area) && area.right - area.left > area.bottom - area.top) {
        return resources::IDD_STATUS_WIDE;
    }
    return resources::IDD_STATUS_TALL;
}

bool StartInstance(Application& application) {
    if (HandOverToRunningInstance()) return false;
    // The layout is chosen once; it does not follow a later rotation.
    const std::uint32_t templateId = ChooseStatusTemplate();
    if (!CreateStatusDialog(&application.dialog, application.instance, templateId, nullptr)) {
        return false;
    }
    platform::ShowWindow(application.dialog, application.showCommand);
    return true;
}

bool CreateStatusDialog(platform::WindowHandle* dialog, platform::InstanceHandle instance,
                        std::uint32_t templateId, platform::WindowHandle parent) {
    globalInstance = instance;
    const platform::ResourceRecord* entry =
        platform::FindResourceEntry(instance, templateId, platform::RESOURCE_DIALOG);
    const void* dialogTemplate = platform::LoadResourceEntry(instance, entry);
    const std::size_t templateBytes = platform::ResourceEntrySize(instance, entry);
    if (dialogTemplate == nullptr) {
        *dialog = nullptr;
        return false;
    }
    *dialog = platform::CreateModelessDialog(instance, dialogTemplate, templateBytes, parent,
                                             StatusDialogProc, 0);
    return *dialog != nullptr;
}

void RunMessageLoop(Application& application) {
    platform::MessageRecord message{};
    // Retrieval gives 0 for the quit message and -1 for an error; an error
    // comes from a bad argument and would come back at once on every call,
    // so it ends the loop rather than spinning it.
    while (platform::RetrieveMessage(&message) > 0) {
        if (platform::FilterDialogMessage(application.dialog, &message)) continue;
        platform::TranslateMessage(&message);
        platform::DispatchMessage(&message);
    }
}

}  // namespace app
