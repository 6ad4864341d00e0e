// The program's own templates through this dialog manager: both layouts
// build with every control, what a screen reader hears of them, and a
// picture of the dialog kept for looking at.
#include <QFontMetrics>
#include <QImage>

#include <gtest/gtest.h>

#include "platform/drawing.h"
#include "platform/module.h"
#include "platform/qt/surfaces/dialog_frame.h"
#include "platform/qt/surfaces/static_control.h"
#include "platform/qt/windows/window_object.h"
#include "tests/platform/qt/support/qt_test_support.h"

namespace {

using namespace platform;

// The running program and these tests must not share the title's socket.
WindowHandle CreateStatusDialog(std::uint32_t id) {
    const ResourceRecord* entry = FindResourceEntry(ProgramImage(), id, RESOURCE_DIALOG);
    const void* bytes = LoadResourceEntry(ProgramImage(), entry);
    return CreateModelessDialog(ProgramImage(), bytes, ResourceEntrySize(ProgramImage(), entry),
                                nullptr, qt_test::RecordingProcedure, 0);
}

void DrawGauge(WindowHandle dialog, std::int32_t id, const char16_t* text, int percent) {
    WindowHandle control = GetDialogItem(dialog, id);
    Rect rect{};
    GetClientRect(control, &rect);
    DeviceContext context = GetDeviceContext(control);
    const int x = rect.right - percent * rect.right / 100;
    SetBackgroundColour(context, 0x2376F8);
    Rect bar{x, 0, rect.right, rect.bottom};
    TextOut(context, 0, 0, TEXT_OUT_OPAQUE, &bar, nullptr, 0, nullptr);
    SetBackgroundColour(context, 0x8CA1B3);
    Rect rest{0, 0, x, rect.bottom};
    TextOut(context, 0, 0, TEXT_OUT_OPAQUE, &rest, nullptr, 0, nullptr);
    SetTextColour(context, GetSystemColour(0x40000012));
    SetBackgroundMode(context, BACKGROUND_TRANSPARENT);
    DrawText(context, text, -1, &rect, 0x826);
    ReleaseDeviceContext(control, context);
}

class StatusTemplateTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(StatusTemplateTest, BuildsWithEveryControl) {
    WindowHandle dialog = CreateStatusDialog(GetParam());
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SHOW_SHOW);

    EXPECT_EQ(qt::LiveLocalWindow(dialog)->controls.size(), 35u);
    for (std::int32_t id = 1018; id <= 1038; ++id) {
        int matches = 0;
        for (const auto& control : qt::LiveLocalWindow(dialog)->controls)
            matches += control->id == id;
        EXPECT_EQ(matches, 1) << "control " << id;
    }
    Rect client{};
    ASSERT_TRUE(GetClientRect(dialog, &client));
    if (GetParam() == 102) {
        EXPECT_EQ(client.right, 302);   // 134 units of 9 / 4 pixels
        EXPECT_EQ(client.bottom, 315);  // 148 units of 17 / 8 pixels
    } else {
        EXPECT_EQ(client.right, 603);   // 268 units
        EXPECT_EQ(client.bottom, 162);  // 76 units
    }
    DestroyWindow(dialog);
}

// Every text that is seen in the dialog fits its control on one line: the
// labels as the templates give them, and the lifetimes and percentages at
// their widest. (The gauges are drawn, and the card labels hold names of
// any length.)
TEST_P(StatusTemplateTest, EveryLabelFitsItsControl) {
    WindowHandle dialog = CreateStatusDialog(GetParam());
    ASSERT_NE(dialog, nullptr);
    const QFontMetrics metrics(qt::LiveLocalWindow(dialog)->font);
    for (const auto& control : qt::LiveLocalWindow(dialog)->controls) {
        if (control->id >= 1027 && control->id <= 1038) continue;
        Rect rect{};
        ASSERT_TRUE(GetClientRect(control.get(), &rect));
        const QString text = QString::fromStdU16String(control->text);
        // The ink must fit; the advance may overhang by the last glyph's bearing.
        EXPECT_LE(metrics.boundingRect(text).width(), rect.right)
            << "control " << control->id << " cuts its text in layout " << GetParam();
    }
    // The gauges are drawn through device contexts, whose font holds the
    // byte counts of today's memories and disks.
    const QFontMetrics gaugeMetrics(qt::LiveLocalWindow(dialog)->contextFont);
    Rect gauge{};
    ASSERT_TRUE(GetClientRect(GetDialogItem(dialog, 1028), &gauge));
    for (const char* count : {" 25,769,803,776", "999,999,999,999", "1,000,204,886,016"}) {
        EXPECT_LE(gaugeMetrics.boundingRect(QString::fromLatin1(count)).width(), gauge.right)
            << count;
    }
    DestroyWindow(dialog);
}

// Labels and power texts are heard as they stand; a gauge, whose own text is
// empty, as its caption and the value drawn.
TEST_P(StatusTemplateTest, EveryValueIsHeardWithItsCaption) {
    WindowHandle dialog = CreateStatusDialog(GetParam());
    ASSERT_NE(dialog, nullptr);
    for (std::int32_t id = 1027; id <= 1034; ++id) SetDialogItemText(dialog, id, u"");
    SetDialogItemText(dialog, 1018, u"ｵﾝ");
    const auto nameOf = [&](std::int32_t id) {
        return qt::LiveLocalWindow(GetDialogItem(dialog, id))->control->accessibleName();
    };
    const struct {
        std::int32_t id;
        const char16_t* value;
        QString name;
    } rows[] = {
        {1028, u" 5,368,709,120", QStringLiteral(u"未使用ﾌﾟﾛｸﾞﾗﾑ実行用 5,368,709,120")},
        {1029, u"不明", QStringLiteral(u"全ﾃﾞｰﾀ記憶用 不明")},
        {1033, u"", QStringLiteral(u"全PC-Card2")},  // a group without a card
    };
    for (const auto& row : rows) {
        DrawGauge(dialog, row.id, row.value, 50);
        EXPECT_EQ(nameOf(row.id), row.name) << row.id;
    }
    EXPECT_EQ(nameOf(1018), QStringLiteral(u"ｵﾝ"));
    EXPECT_EQ(nameOf(1020), QStringLiteral(u"99:59:59")) << "a template's text until a refresh";
    DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, StatusTemplateTest, ::testing::Values(102u, 103u));

TEST(StatusTemplatePicture, WritesAPictureOfTheTallDialog) {
    WindowHandle dialog = CreateStatusDialog(102);
    ASSERT_NE(dialog, nullptr);
    for (std::int32_t id = 1027; id <= 1034; ++id) SetDialogItemText(dialog, id, u"");
    SetDialogItemText(dialog, 1018, u"ｵﾝ");
    SetDialogItemText(dialog, 1022, u"充電中");
    SetDialogItemText(dialog, 1019, u"87");
    SetDialogItemText(dialog, 1035, u"全SDCARD");
    ShowWindow(dialog, SHOW_SHOW);
    DrawGauge(dialog, 1027, u"8,052,211,712", 0);
    DrawGauge(dialog, 1028, u"3,141,592,653", 39);
    DrawGauge(dialog, 1030, u"&&1,000", 100);
    qt_test::ProcessPendingEvents();

    const QImage picture = qt::LiveLocalWindow(dialog)->frame->grab().toImage();
    const QString path = QStringLiteral(VELORWIND_TEST_OUTPUT_DIR "/status_dialog_tall.png");
    EXPECT_TRUE(picture.save(path));
    EXPECT_EQ(qRound(picture.width() / picture.devicePixelRatio()), 302 + 2)
        << "the client area and a one-pixel border";
    DestroyWindow(dialog);
}

}  // namespace
