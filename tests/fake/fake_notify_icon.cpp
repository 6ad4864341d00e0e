// Icon loading and the notification-area icon.
#include <algorithm>

#include "platform/icon.h"
#include "platform/notify_icon.h"
#include "tests/fake/fake_windowing_state.h"

namespace {

using fake::detail::Name;
using fake::detail::Record;
using fake::detail::State;

platform::IconHandle MakeIcon(platform::InstanceHandle instance, std::uint32_t id,
                              std::int32_t width, std::int32_t height) {
    if (instance == nullptr || State().script.iconsMissing) return nullptr;
    State().icons.push_back(std::make_unique<platform::IconObject>(
        platform::IconObject{fake::IconInfo{id, width, height}}));
    return State().icons.back().get();
}

const char* OperationName(std::uint32_t operation) {
    switch (operation) {
    case platform::NOTIFY_ADD: return "add";
    case platform::NOTIFY_DELETE: return "delete";
    default: return "unknown";
    }
}

bool Apply(std::uint32_t operation, const platform::NotifyIconRecord& record) {
    auto& tray = State().tray;
    auto same = [&](const fake::detail::TrayEntry& entry) {
        return entry.window == record.window && entry.id == record.id;
    };
    const bool present = std::any_of(tray.begin(), tray.end(), same);
    switch (operation) {
    case platform::NOTIFY_ADD:
        if (present || State().script.trayAddFails) return false;
        tray.push_back({record.window, record.id});
        return true;
    case platform::NOTIFY_DELETE: return std::erase_if(tray, same) > 0;
    default: return false;
    }
}

}  // namespace

namespace platform {

IconHandle LoadIcon(InstanceHandle instance, std::uint32_t id) {
    Record("LoadIcon " + std::to_string(id));
    return MakeIcon(instance, id, 32, 32);
}

IconHandle LoadImage(InstanceHandle instance, std::uint32_t id, std::uint32_t type,
                     std::int32_t width, std::int32_t height, std::uint32_t flags) {
    Record("LoadImage " + std::to_string(id) + " type=" + std::to_string(type) + " " +
           std::to_string(width) + "x" + std::to_string(height) +
           " flags=" + std::to_string(flags));
    if (type != IMAGE_ICON) return nullptr;
    return MakeIcon(instance, id, width, height);
}

bool NotifyIcon(std::uint32_t operation, const NotifyIconRecord* record) {
    Record(std::string("NotifyIcon ") + OperationName(operation) + " " + Name(record->window) +
           " " + std::to_string(record->id));
    const bool accepted = Apply(operation, *record);
    State().notifyCalls.push_back({operation, *record, accepted});
    return accepted;
}

}  // namespace platform
