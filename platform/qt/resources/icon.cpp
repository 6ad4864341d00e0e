#include "platform/icon.h"

#include <QGuiApplication>
#include <QPixmap>

#include <map>
#include <memory>
#include <span>
#include <tuple>

#include "platform/module.h"
#include "platform/qt/base/lifetime.h"
#include "platform/qt/resources/group_icon_engine.h"
#include "platform/qt/resources/ico_decoder.h"
#include "platform/qt/resources/icon.h"

namespace platform::qt {

namespace {

// The platform's large icon size, and the largest an icon can be.
constexpr int LARGE_ICON_SIDE = 32;
constexpr int LARGEST_ICON_SIDE = 256;
// LoadImage: a size of 0 means the large icon size rather than the image's.
constexpr std::uint32_t LOAD_DEFAULT_SIZE = 0x40;

using IconKey = std::tuple<InstanceHandle, std::uint32_t, int, int>;

// Icons live until the process ends; loading the same image again gives the
// same handle rather than another copy.
std::map<IconKey, std::unique_ptr<IconObject>>& LoadedIcons() {
    static auto* icons =
        new std::map<IconKey, std::unique_ptr<IconObject>>();  // kept: see lifetime.h
    return *icons;
}

// Every image of a group, for a tray that picks its own size, made once a
// group: the icons loaded from it at each size share it.
using GroupKey = std::tuple<InstanceHandle, std::uint32_t>;
std::map<GroupKey, QIcon>& GroupFamilies() {
    static auto* families = new std::map<GroupKey, QIcon>();  // kept: see lifetime.h
    return *families;
}

QIcon GroupFamily(InstanceHandle instance, std::uint32_t id, const std::uint8_t* data,
                  std::size_t size) {
    QIcon& family = GroupFamilies()[GroupKey{instance, id}];
    if (family.isNull()) family = QIcon(new GroupIconEngine(data, size));
    return family;
}

void ReleaseIcons() {
    LoadedIcons().clear();
    GroupFamilies().clear();
}

// The bytes of an icon group, which stay in the program image.
std::span<const std::uint8_t> IconGroupBytes(InstanceHandle instance, std::uint32_t id) {
    const ResourceRecord* entry = FindResourceEntry(instance, id, RESOURCE_ICON_GROUP);
    const auto* data = static_cast<const std::uint8_t*>(LoadResourceEntry(instance, entry));
    return {data, data != nullptr ? ResourceEntrySize(instance, entry) : 0};
}

IconHandle LoadSizedIcon(InstanceHandle instance, std::uint32_t id, int width, int height,
                         bool imageSizeWhenZero) {
    if (instance == nullptr || width < 0 || height < 0 || width > LARGEST_ICON_SIDE ||
        height > LARGEST_ICON_SIDE || QGuiApplication::instance() == nullptr) {
        return nullptr;
    }
    const std::span<const std::uint8_t> group = IconGroupBytes(instance, id);
    const std::vector<IconImage> images = DecodeIconFile(group.data(), group.size());
    if (images.empty()) return nullptr;
    // A zero size takes the first image's own size, or the large size.
    const QSize natural =
        imageSizeWhenZero ? images.front().image.size() : QSize(LARGE_ICON_SIDE, LARGE_ICON_SIDE);
    const QSize wanted(width != 0 ? width : natural.width(),
                       height != 0 ? height : natural.height());

    auto& icons = LoadedIcons();
    const IconKey key{instance, id, wanted.width(), wanted.height()};
    if (const auto loaded = icons.find(key); loaded != icons.end()) return loaded->second.get();

    const IconImage* closest = ClosestIconImage(images, wanted.width(), wanted.height());
    auto icon = std::make_unique<IconObject>();
    icon->image =
        closest->image.size() == wanted
            ? closest->image
            : closest->image.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    icon->icon = QIcon(QPixmap::fromImage(icon->image));
    icon->family = GroupFamily(instance, id, group.data(), group.size());
    IconObject* handle = icon.get();
    CleanUpAtLayerEnd(LayerStage::Icons, ReleaseIcons);
    icons.emplace(key, std::move(icon));
    return handle;
}

}  // namespace

IconObject* LiveIcon(IconHandle handle) {
    if (handle == nullptr) return nullptr;
    for (const auto& [key, icon] : LoadedIcons()) {
        if (icon.get() == handle) return icon.get();
    }
    return nullptr;
}

}  // namespace platform::qt

namespace platform {

IconHandle LoadIcon(InstanceHandle instance, std::uint32_t id) {
    return qt::LoadSizedIcon(instance, id, qt::LARGE_ICON_SIDE, qt::LARGE_ICON_SIDE, false);
}

IconHandle LoadImage(InstanceHandle instance, std::uint32_t id, std::uint32_t type,
                     std::int32_t width, std::int32_t height, std::uint32_t flags) {
    if (type != IMAGE_ICON) return nullptr;
    return qt::LoadSizedIcon(instance, id, width, height, (flags & qt::LOAD_DEFAULT_SIZE) == 0);
}

}  // namespace platform
