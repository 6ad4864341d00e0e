// One refresh of the real status dialog, on the real windowing layer
// (offscreen) and the real Linux sources reading a prepared laptop: a
// discharging battery, an SD card and a USB stick. Each layout is kept as a
// picture in the build folder for people to look at.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "display/gauge.h"
#include "display/refresh.h"
#include "platform/module.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "tests/platform/qt/support/qt_test_support.h"

namespace {

using namespace platform;
using namespace resources;

bool AnswerEverything(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) { return true; }

std::u16string ItemText(WindowHandle dialog, std::int32_t id) {
    return qt_test::ControlText(dialog, id);
}

int PixelsOf(const QImage& image, Colour colour) {
    const QRgb wanted = qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour));
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == wanted;
    }
    return count;
}

class RefreshOnQtTest : public ::testing::TestWithParam<std::uint32_t> {
protected:
    static void SetUpTestSuite() {
        tree_ = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/vw-tree-XXXXXX"));
        const std::string root = tree_->path().toStdString();
        const std::string command =
            std::string(VELORWIND_MAKE_STATUS_TREE) + " '" + root + "' > /dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
        setenv("VELORWIND_SYSFS", (root + "/sys").c_str(), 1);
        setenv("VELORWIND_PROCFS", (root + "/proc").c_str(), 1);
    }
    static void TearDownTestSuite() {
        unsetenv("VELORWIND_SYSFS");
        unsetenv("VELORWIND_PROCFS");
        delete tree_;
    }

    void SetUp() override {
        const ResourceRecord* entry =
            FindResourceEntry(ProgramImage(), GetParam(), RESOURCE_DIALOG);
        dialog_ = CreateModelessDialog(ProgramImage(), LoadResourceEntry(ProgramImage(), entry),
                                       ResourceEntrySize(ProgramImage(), entry), nullptr,
                                       AnswerEverything, 0);
        ASSERT_NE(dialog_, nullptr);
        display::ClearGaugeTexts(dialog_);
        ShowWindow(dialog_, SHOW_SHOW);
        qt_test::ProcessPendingEvents();
    }
    void TearDown() override {
        if (dialog_ != nullptr) DestroyWindow(dialog_);
    }

    static QTemporaryDir* tree_;
    WindowHandle dialog_ = nullptr;
};

QTemporaryDir* RefreshOnQtTest::tree_ = nullptr;

TEST_P(RefreshOnQtTest, ShowsThePreparedLaptop) {
    display::RefreshStatus(dialog_);
    qt_test::ProcessPendingEvents();

    const QString name =
        GetParam() == IDD_STATUS_TALL ? QStringLiteral("tall") : QStringLiteral("wide");
    const QImage picture = qt_test::Grab(dialog_);
    EXPECT_TRUE(picture.save(QStringLiteral(VELORWIND_TEST_OUTPUT_DIR "/status_") + name +
                             QStringLiteral(".png")));

    // 38 Wh left at 9.5 W: four hours; 50 Wh full: 5 h 15 min 47 s.
    EXPECT_EQ(ItemText(dialog_, IDC_AC_LINE), u"ｵﾌ");
    EXPECT_EQ(ItemText(dialog_, IDC_BATT_STATE), u"高");
    EXPECT_EQ(ItemText(dialog_, IDC_BATT_PERCENT), u"76");
    EXPECT_EQ(ItemText(dialog_, IDC_BATT_LIFE), u"04:00:00");
    EXPECT_EQ(ItemText(dialog_, IDC_BATT_FULL_LIFE), u"05:15:47");
    EXPECT_EQ(ItemText(dialog_, IDC_BACKUP_STATE), u"無し");
    EXPECT_EQ(ItemText(dialog_, IDC_BACKUP_PERCENT), u"不明");
    EXPECT_EQ(ItemText(dialog_, IDC_VOL1_TOTAL_LABEL), u"全SD_CARD");
    EXPECT_EQ(ItemText(dialog_, IDC_VOL1_FREE_LABEL), u"未使用SD_CARD");
    EXPECT_EQ(ItemText(dialog_, IDC_VOL2_TOTAL_LABEL), u"全USB STICK");
    EXPECT_EQ(ItemText(dialog_, IDC_VOL2_FREE_LABEL), u"未使用USB STICK");
    EXPECT_EQ(ItemText(dialog_, IDC_RAM_TOTAL), u"") << "gauges are drawn, not given texts";

    // Totals are plain; a free amount shows its bar on the right. The
    // prepared meminfo has 5 of 8 GB available: the bar covers 65 % of it.
    const QImage total = qt_test::Grab(GetDialogItem(dialog_, IDC_RAM_TOTAL));
    const QImage free = qt_test::Grab(GetDialogItem(dialog_, IDC_RAM_FREE));
    EXPECT_GT(PixelsOf(total, display::GAUGE_PLAIN_COLOUR), total.width() * total.height() / 2);
    const QRgb bar = qRgb(RedOf(display::GAUGE_BAR_COLOUR), GreenOf(display::GAUGE_BAR_COLOUR),
                          BlueOf(display::GAUGE_BAR_COLOUR));
    const QRgb rest = qRgb(RedOf(display::GAUGE_REST_COLOUR), GreenOf(display::GAUGE_REST_COLOUR),
                           BlueOf(display::GAUGE_REST_COLOUR));
    EXPECT_EQ(free.pixel(free.width() - 1, 0), bar);
    EXPECT_EQ(free.pixel(0, 0), rest);
    const int split = free.width() - free.width() * 65 / 100;
    EXPECT_EQ(free.pixel(split + 1, 0), bar);
    EXPECT_EQ(free.pixel(split - 2, 0), rest);
}

TEST_P(RefreshOnQtTest, GaugesAreBlankAfterShowingAgainUntilTheNextRefresh) {
    display::RefreshStatus(dialog_);
    ShowWindow(dialog_, SHOW_HIDE);
    ShowWindow(dialog_, SHOW_SHOW);
    qt_test::ProcessPendingEvents();
    const WindowHandle gauge = GetDialogItem(dialog_, IDC_STORE_TOTAL);
    EXPECT_EQ(PixelsOf(qt_test::Grab(gauge), display::GAUGE_PLAIN_COLOUR), 0);
    EXPECT_EQ(ItemText(dialog_, IDC_BATT_PERCENT), u"76") << "texts stay";

    display::RefreshStatus(dialog_);
    qt_test::ProcessPendingEvents();
    EXPECT_GT(PixelsOf(qt_test::Grab(gauge), display::GAUGE_PLAIN_COLOUR), 0);
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, RefreshOnQtTest,
                         ::testing::Values(IDD_STATUS_TALL, IDD_STATUS_WIDE));

}  // namespace
