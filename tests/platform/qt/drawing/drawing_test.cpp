// Drawing through device contexts into a control's retained surface, read
// back from the control as it shows itself.
#include <QGuiApplication>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/drawing.h"
#include "platform/qt/base/text_format.h"
#include "platform/qt/surfaces/surface_widget.h"
#include "platform/qt/windows/window_object.h"
#include "tests/platform/qt/support/qt_test_support.h"

namespace {

using namespace platform;
using qt_test::DarkPixels;
using qt_test::Grab;

constexpr Colour PLAIN = 0x8FA3AE;
constexpr Colour BAR = 0x2376F8;
constexpr Colour REST = 0x8CA1B3;
constexpr std::uint32_t GAUGE_FORMAT = 0x826;
constexpr std::int32_t GAUGE_ID = 1028;

QRgb Rgb(Colour colour) { return qRgb(RedOf(colour), GreenOf(colour), BlueOf(colour)); }

int PixelsOf(const QImage& image, QRgb colour, const QRect& area) {
    int count = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) count += image.pixel(x, y) == colour;
    }
    return count;
}

// The sum of the pixels' grey levels: text blended in again makes it less.
long Lightness(const QImage& image) {
    long sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) sum += qGray(image.pixel(x, y));
    }
    return sum;
}

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        qt_test::DialogSpec layout;
        // A fixed-pitch face has base units 8 by 17: the gauge is 84 pixels
        // wide, the width the bar arithmetic is worked out for.
        layout.face = u"IPAGothic";
        layout.items = {
            qt_test::Static(86, 8, 42, 8, GAUGE_ID, u"999,999,999", 0x50020000, 0x1000)};
        dialog_ = qt_test::CreateDialog(layout);
        ASSERT_NE(dialog_, nullptr);
        ShowWindow(dialog_, SHOW_SHOW);
        SetDialogItemText(dialog_, GAUGE_ID, u"");
        gauge_ = GetDialogItem(dialog_, GAUGE_ID);
        ASSERT_TRUE(GetClientRect(gauge_, &client_));
        ASSERT_EQ(client_.right, 84);
    }
    void TearDown() override { DestroyWindow(dialog_); }

    void Fill(DeviceContext context, Rect rect, Colour colour) {
        SetBackgroundColour(context, colour);
        TextOut(context, 0, 0, TEXT_OUT_OPAQUE, &rect, nullptr, 0, nullptr);
    }

    // A gauge as the refresh draws it: background, then the text.
    QImage DrawGauge(const std::u16string& text, Colour fill, std::uint32_t format = GAUGE_FORMAT,
                     Rect rect = {}) {
        if (rect.right == 0) rect = client_;
        DeviceContext context = GetDeviceContext(gauge_);
        EXPECT_NE(context, nullptr);
        Fill(context, client_, fill);
        const Colour before = SetTextColour(context, GetSystemColour(0x40000012));
        const std::int32_t mode = SetBackgroundMode(context, BACKGROUND_TRANSPARENT);
        DrawText(context, text.c_str(), -1, &rect, format);
        SetBackgroundMode(context, mode);
        SetTextColour(context, before);
        EXPECT_TRUE(ReleaseDeviceContext(gauge_, context));
        return Grab(gauge_);
    }

    WindowHandle dialog_ = nullptr;
    WindowHandle gauge_ = nullptr;
    Rect client_{};
};

TEST_F(DrawingTest, OpaqueFillIsExact) {
    const QImage image = DrawGauge(u"", PLAIN);
    EXPECT_EQ(PixelsOf(image, Rgb(PLAIN), image.rect()), 84 * 17) << "the empty text draws nothing";
}

// The bar grows from the right: 33 % of 84 pixels is 27.
TEST_F(DrawingTest, BarOnTheRightAndRestOnTheLeft) {
    DeviceContext context = GetDeviceContext(gauge_);
    const int x = client_.right - (33 * client_.right) / 100;
    Fill(context, Rect{x, 0, client_.right, client_.bottom}, BAR);
    Fill(context, Rect{0, 0, x, client_.bottom}, REST);
    ReleaseDeviceContext(gauge_, context);
    const QImage image = Grab(gauge_);
    EXPECT_EQ(x, 57);
    EXPECT_EQ(PixelsOf(image, Rgb(REST), QRect(0, 0, 57, 17)), 57 * 17);
    EXPECT_EQ(PixelsOf(image, Rgb(BAR), QRect(57, 0, 27, 17)), 27 * 17);
}

TEST_F(DrawingTest, RectanglesPastTheEdgeAreClippedAndInvertedOnesFillNothing) {
    DeviceContext context = GetDeviceContext(gauge_);
    Fill(context, client_, REST);
    Fill(context, Rect{84, 0, -130, 17}, PLAIN);  // inverted: nothing
    Fill(context, Rect{10, 5, 10, 9}, PLAIN);     // empty: nothing
    Fill(context, Rect{-130, -5, 84, 100}, BAR);  // past three edges: the whole control
    ReleaseDeviceContext(gauge_, context);
    EXPECT_EQ(PixelsOf(Grab(gauge_), Rgb(BAR), QRect(0, 0, 84, 17)), 84 * 17);

    context = GetDeviceContext(gauge_);
    Fill(context, client_, REST);
    Fill(context, Rect{84, 0, -130, 17}, BAR);
    ReleaseDeviceContext(gauge_, context);
    EXPECT_EQ(PixelsOf(Grab(gauge_), Rgb(REST), QRect(0, 0, 84, 17)), 84 * 17);
}

TEST_F(DrawingTest, TextIsRightAlignedInTheButtonTextColour) {
    const QImage image = DrawGauge(u"12", PLAIN);
    EXPECT_GT(DarkPixels(image, QRect(64, 0, 20, 17)), 0);
    EXPECT_EQ(DarkPixels(image, QRect(0, 0, 50, 17)), 0);
    const QColor buttonText = QGuiApplication::palette().color(QPalette::ButtonText);
    EXPECT_EQ(GetSystemColour(0x40000012),
              MakeColour(static_cast<std::uint8_t>(buttonText.red()),
                         static_cast<std::uint8_t>(buttonText.green()),
                         static_cast<std::uint8_t>(buttonText.blue())));
    EXPECT_EQ(GetSystemColour(18), GetSystemColour(0x40000012));
    EXPECT_EQ(GetSystemColour(4242), 0u);
}

TEST_F(DrawingTest, AmpersandIsDrawnAsItselfWithoutPrefixProcessing) {
    const QImage ampersand = DrawGauge(u"&", PLAIN);
    const QImage empty = DrawGauge(u"", PLAIN);
    const QImage underscore = DrawGauge(u"_", PLAIN);
    EXPECT_NE(ampersand, empty);
    EXPECT_NE(ampersand, underscore);
    EXPECT_NE(DrawGauge(u"&x", PLAIN), DrawGauge(u"x", PLAIN));
    // Contexts draw plain lines alone: other formats draw nothing.
    EXPECT_EQ(DrawGauge(u"&x", PLAIN, GAUGE_FORMAT & ~DRAW_TEXT_NO_PREFIX), empty);
    EXPECT_EQ(DrawGauge(u"12", PLAIN, GAUGE_FORMAT & ~DRAW_TEXT_SINGLE_LINE), empty);
}

TEST_F(DrawingTest, OverlongTextIsClippedAtTheLeftOfItsRectangle) {
    const QImage image =
        DrawGauge(u"999,999,999,999,999", PLAIN, GAUGE_FORMAT, Rect{20, 0, 84, 17});
    EXPECT_EQ(PixelsOf(image, Rgb(PLAIN), QRect(0, 0, 20, 17)), 20 * 17)
        << "nothing left of the rectangle";
    EXPECT_GT(DarkPixels(image, QRect(20, 0, 6, 17)), 0) << "the text runs to the left edge";
    EXPECT_GT(DarkPixels(image, QRect(76, 0, 8, 17)), 0) << "and ends at the right";
}

TEST_F(DrawingTest, CountLimitsTheTextDrawn) {
    DeviceContext context = GetDeviceContext(gauge_);
    Rect rect = client_;
    Fill(context, client_, PLAIN);
    DrawText(context, u"12345", 2, &rect, GAUGE_FORMAT);
    ReleaseDeviceContext(gauge_, context);
    EXPECT_EQ(Grab(gauge_), DrawGauge(u"12", PLAIN));
    context = GetDeviceContext(gauge_);
    EXPECT_EQ(DrawText(context, u"1", -2, &rect, GAUGE_FORMAT), 0);
    EXPECT_EQ(DrawText(context, nullptr, -1, &rect, GAUGE_FORMAT), 0);
    ReleaseDeviceContext(gauge_, context);
}

// Hidden, the dialog also lets go of the texts kept for drawing lines; shown
// again, the same gauge is drawn to the same pixels.
TEST_F(DrawingTest, DrawingLastsUntilTheControlPaintsItself) {
    const QImage drawn = DrawGauge(u"123", BAR);
    DrawGauge(u"不明", BAR);
    qt_test::ProcessPendingEvents();
    EXPECT_EQ(PixelsOf(Grab(gauge_), Rgb(BAR), QRect(0, 0, 20, 17)), 20 * 17);
    EXPECT_EQ(qt::KeptTextNow().lines, 1u);

    ShowWindow(dialog_, SHOW_HIDE);
    EXPECT_EQ(qt::KeptTextNow().lines, 0u);
    EXPECT_EQ(qt::KeptTextNow().glyphFonts, 0u);
    ShowWindow(dialog_, SHOW_SHOW);
    const QRgb background = QGuiApplication::palette().color(QPalette::Window).rgb();
    EXPECT_EQ(PixelsOf(Grab(gauge_), background, QRect(0, 0, 84, 17)), 84 * 17);

    EXPECT_EQ(DrawGauge(u"123", BAR), drawn);
    SetDialogItemText(dialog_, GAUGE_ID, u"");
    EXPECT_EQ(PixelsOf(Grab(gauge_), background, QRect(0, 0, 84, 17)), 84 * 17);
}

// Released, a context's drawing is on the screen at once, at the control's
// place in its window, before the loop runs again.
TEST_F(DrawingTest, ReleasedDrawingIsOnScreenAtOnce) {
    qt_test::ProcessPendingEvents();
    const QWidget* control = qt::SurfaceOf(qt::LiveLocalWindow(gauge_));
    for (const std::u16string text : {u"  8,241,741,824", u"1,234", u"1,239", u"  8,241,741,824"}) {
        const QImage drawn = DrawGauge(text, BAR);
        const QPoint at = control->mapTo(control->window(), QPoint(0, 0));
        const QImage screen = control->screen()
                                  ->grabWindow(control->window()->winId(), at.x(), at.y(), 84, 17)
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(screen, drawn);
    }
}

// A gauge drawn again with another value is played only where its glyphs
// differ: every pixel is what drawing it afresh gives.
TEST_F(DrawingTest, RedrawnValueLeavesThePixelsOfAFreshDrawing) {
    std::vector<std::pair<std::u16string, Colour>> values = {{u"  8,241,741,824", BAR},
                                                             {u"  8,241,745,920", BAR},
                                                             {u"  8,241,745,921", BAR},
                                                             {u"999", BAR},
                                                             {u"1,000", BAR},
                                                             {u"", BAR},
                                                             {u"12", BAR},
                                                             {u"  7", BAR},
                                                             {u" 17", PLAIN},
                                                             {u" 17", BAR},
                                                             {u"999,999,999,999,999,999", BAR},
                                                             {u"999,999,999,999,999,998", BAR}};
    std::uint64_t value = 5368709120;
    for (int step = 0; step < 60; ++step) {  // a free amount moving as on a machine in use
        value += (step * 7919 % 97) * 4096 + (step % 3) * 1000000;
        std::u16string text;
        for (std::uint64_t rest = value, digits = 0; rest > 0; rest /= 10, ++digits) {
            if (digits > 0 && digits % 3 == 0) text.insert(text.begin(), u',');
            text.insert(text.begin(), static_cast<char16_t>(u'0' + rest % 10));
        }
        values.emplace_back(text, step % 10 == 9 ? PLAIN : BAR);
    }
    for (const auto& [text, fill] : values) {
        const QImage redrawn = DrawGauge(text, fill);
        SetDialogItemText(dialog_, GAUGE_ID, u"");  // painted afresh: the next drawing is whole
        EXPECT_EQ(redrawn, DrawGauge(text, fill)) << std::string(text.begin(), text.end());
    }
}

// A context that repeats what the surface shows is not played again, and
// any other drawing in between makes the next one play.
TEST_F(DrawingTest, RepeatedDrawingLeavesTheSamePixels) {
    const QImage first = DrawGauge(u"1,234", BAR);
    EXPECT_EQ(DrawGauge(u"1,234", BAR), first);
    const QImage other = DrawGauge(u"5,678", PLAIN);
    EXPECT_NE(other, first);
    EXPECT_EQ(DrawGauge(u"1,234", BAR), first) << "played again after other drawing";

    // Fills that leave part of the control uncovered: the text is blended
    // in again over what the last drawing left there, as the platform does.
    const auto partly = [this](const Rect& fill) {
        DeviceContext context = GetDeviceContext(gauge_);
        Fill(context, fill, REST);
        SetBackgroundMode(context, BACKGROUND_TRANSPARENT);
        DrawText(context, u"8,888", -1, &client_, GAUGE_FORMAT);
        ReleaseDeviceContext(gauge_, context);
        return Grab(gauge_);
    };
    for (const Rect& fill : {Rect{0, 0, 60, 17}, Rect{0, 0, 84, 9}, Rect{0, 9, 84, 17}}) {
        DrawGauge(u"", PLAIN);
        const QImage once = partly(fill);
        EXPECT_GT(Lightness(once), Lightness(partly(fill)))
            << "fill " << fill.left << "," << fill.top << "," << fill.right << "," << fill.bottom;
    }
}

TEST_F(DrawingTest, ContextsAreCheckedBeforeUse) {
    DeviceContext context = GetDeviceContext(gauge_);
    EXPECT_EQ(SetBackgroundColour(context, PLAIN), MakeColour(255, 255, 255)) << "white at first";
    EXPECT_EQ(SetBackgroundMode(context, BACKGROUND_TRANSPARENT), BACKGROUND_OPAQUE);
    EXPECT_EQ(SetBackgroundMode(context, 7), 0);
    EXPECT_FALSE(TextOut(context, 0, 0, TEXT_OUT_OPAQUE, &client_, u"x", 1, nullptr))
        << "contexts fill; text goes through DrawText";
    EXPECT_FALSE(ReleaseDeviceContext(dialog_, context)) << "released to another window";
    EXPECT_TRUE(ReleaseDeviceContext(gauge_, context));
    EXPECT_FALSE(ReleaseDeviceContext(gauge_, context));
    EXPECT_EQ(SetTextColour(context, 0), 0xFFFFFFFFu);
    EXPECT_FALSE(TextOut(context, 0, 0, TEXT_OUT_OPAQUE, &client_, nullptr, 0, nullptr));

    DeviceContext orphan = GetDeviceContext(gauge_);
    DestroyWindow(dialog_);
    EXPECT_FALSE(TextOut(orphan, 0, 0, TEXT_OUT_OPAQUE, &client_, nullptr, 0, nullptr));
    EXPECT_EQ(DrawText(orphan, u"x", 1, &client_, 0), 0);
    dialog_ = nullptr;
}

}  // namespace
