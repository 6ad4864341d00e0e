// The notification icon: records are checked, icons are kept for a
// notification area that comes later, and every image of the icon is offered.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/icon.h"
#include "platform/module.h"
#include "platform/notify_icon.h"
#include "platform/qt/resources/ico_decoder.h"
#include "platform/qt/resources/icon.h"
#include "tests/platform/qt/support/qt_test_support.h"

namespace {

using namespace platform;

NotifyIconRecord Record(WindowHandle window) {
    NotifyIconRecord record{};
    record.size = sizeof(NotifyIconRecord);
    record.window = window;
    record.id = 128;
    record.flags = NOTIFY_FLAG_MESSAGE | NOTIFY_FLAG_ICON | NOTIFY_FLAG_TIP;
    record.callbackMessage = 0x465;
    record.icon = LoadImage(ProgramImage(), 128, IMAGE_ICON, 16, 16, 0);
    for (std::size_t i = 0; i < NOTIFY_TIP_CHARS; ++i) record.tip[i] = u'x';  // no NUL at all
    return record;
}

TEST(NotifyIcon, RecordsAreChecked) {
    WindowHandle dialog = qt_test::CreateDialog(qt_test::DialogSpec{});
    NotifyIconRecord wrongSize = Record(dialog);
    wrongSize.size = 152 - 8;
    EXPECT_FALSE(NotifyIcon(NOTIFY_ADD, &wrongSize));
    EXPECT_FALSE(NotifyIcon(NOTIFY_ADD, nullptr));
    NotifyIconRecord noWindow = Record(reinterpret_cast<WindowHandle>(std::intptr_t{32}));
    EXPECT_FALSE(NotifyIcon(NOTIFY_ADD, &noWindow));
    const NotifyIconRecord record = Record(dialog);
    EXPECT_FALSE(NotifyIcon(NOTIFY_DELETE, &record)) << "nothing to delete";
    EXPECT_FALSE(NotifyIcon(1, &record)) << "no other operation";
    DestroyWindow(dialog);
}

// An icon is kept while no notification area is there (the panel may start
// later), and goes with its window.
TEST(NotifyIcon, AnIconIsKeptUntilDeletedOrItsWindowGoes) {
    WindowHandle dialog = qt_test::CreateDialog(qt_test::DialogSpec{});
    const NotifyIconRecord record = Record(dialog);
    EXPECT_TRUE(NotifyIcon(NOTIFY_ADD, &record));
    EXPECT_FALSE(NotifyIcon(NOTIFY_ADD, &record)) << "the same icon twice";
    WindowHandle other = qt_test::CreateDialog(qt_test::DialogSpec{});
    const NotifyIconRecord second = Record(other);
    EXPECT_FALSE(NotifyIcon(NOTIFY_ADD, &second)) << "the process has one icon";
    EXPECT_FALSE(NotifyIcon(NOTIFY_DELETE, &second));
    DestroyWindow(other);
    EXPECT_TRUE(NotifyIcon(NOTIFY_DELETE, &record));
    EXPECT_FALSE(NotifyIcon(NOTIFY_DELETE, &record));
    EXPECT_TRUE(NotifyIcon(NOTIFY_ADD, &record));
    DestroyWindow(dialog);
    EXPECT_FALSE(NotifyIcon(NOTIFY_DELETE, &record)) << "removed with its window";
}

// A tray of any size, at any scale, picks from every image of the icon's
// group, so that it draws an image of its own size or scales a larger one
// down, never a smaller one up.
TEST(NotifyIcon, TheSmallIconCarriesEveryImageOfItsGroup) {
    const IconObject* icon = qt::LiveIcon(LoadImage(ProgramImage(), 128, IMAGE_ICON, 16, 16, 0));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->image.size(), QSize(16, 16));
    const QList<QSize> sizes = icon->family.availableSizes();
    for (const int side : {16, 20, 24, 32, 40, 48, 64, 256}) {
        EXPECT_TRUE(sizes.contains(QSize(side, side))) << side;
    }
    // Each side as Qt's own icon of the decoded images gives it: exact, or
    // a larger one scaled down, or the largest as it is.
    const ResourceRecord* entry = FindResourceEntry(ProgramImage(), 128, RESOURCE_ICON_GROUP);
    const auto* group = static_cast<const std::uint8_t*>(LoadResourceEntry(ProgramImage(), entry));
    QIcon decoded;
    for (const qt::IconImage& image :
         qt::DecodeIconFile(group, ResourceEntrySize(ProgramImage(), entry)))
        decoded.addPixmap(QPixmap::fromImage(image.image));
    for (const int side : {16, 22, 24, 28, 48, 96, 256, 300}) {
        const QImage given = icon->family.pixmap(QSize(side, side), 1.0).toImage();
        const QImage expected = decoded.pixmap(QSize(side, side), 1.0).toImage();
        EXPECT_EQ(given.size(), QSize(std::min(side, 256), std::min(side, 256))) << side;
        EXPECT_EQ(given.convertToFormat(QImage::Format_ARGB32),
                  expected.convertToFormat(QImage::Format_ARGB32))
            << side;
    }
}

}  // namespace
