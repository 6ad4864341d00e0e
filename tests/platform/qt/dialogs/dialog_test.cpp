// Dialogs made from templates: layout in dialog units, visibility, the
// messages the procedure gets and when, the caption and the keyboard.
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

#include <gtest/gtest.h>

#include "platform/drawing.h"
#include "platform/qt/surfaces/caption_bar.h"
#include "platform/qt/surfaces/dialog_frame.h"
#include "platform/qt/surfaces/static_control.h"
#include "platform/qt/windows/window_object.h"
#include "tests/platform/qt/support/qt_test_support.h"

namespace {

using namespace platform;
using qt_test::Deliveries;
using qt_test::DeliveriesOf;
using qt_test::DialogSpec;
using qt_test::Static;

qt::DialogFrame* FrameOf(WindowHandle dialog) { return qt::LiveLocalWindow(dialog)->frame; }

DialogSpec GaugeSpec() {
    DialogSpec layout;
    layout.items = {Static(3, 2, 27, 8, 0xFFFF, u"ﾊﾞｯﾃﾘ"),
                    Static(99, 20, 18, 8, 1019, u"100", 0x50020000, 0x1000),
                    Static(4, 40, 126, 1, 0xFFFF, u"", 0x50000008),
                    Static(4, 50, 20, 8, 1100, u"hidden", 0x40020000)};
    return layout;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Deliveries().clear();
        qt_test::HandledMessages().clear();
    }
    void TearDown() override {
        for (WindowHandle dialog : made_) DestroyWindow(dialog);
        qt_test::DrainQueue();
    }
    WindowHandle Make(DialogSpec layout = GaugeSpec(), std::intptr_t parameter = 0) {
        WindowHandle dialog = qt_test::CreateDialog(std::move(layout), parameter);
        made_.push_back(dialog);
        return dialog;
    }

private:
    std::vector<WindowHandle> made_;
};

// "System" 12 points at 96 dots per inch is IPAPGothic at 16 pixels: base
// units 9 by 17, so a unit is 2.25 pixels across and 2.125 down.
TEST_F(DialogTest, LaysOutInDialogUnitsOfTheJapaneseFont) {
    WindowHandle dialog = Make();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(QFontInfo(qt::LiveLocalWindow(dialog)->font).family(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(qt::LiveLocalWindow(dialog)->baseUnits.x, 9);
    EXPECT_EQ(qt::LiveLocalWindow(dialog)->baseUnits.y, 17);

    Rect client{};
    ASSERT_TRUE(GetClientRect(dialog, &client));
    EXPECT_EQ(client.right, 302);   // 134 * 9 / 4 = 301.5, rounded as MulDiv does
    EXPECT_EQ(client.bottom, 128);  // 60 * 17 / 8 = 127.5, rounded as MulDiv does

    WindowHandle percent = GetDialogItem(dialog, 1019);
    ASSERT_NE(percent, nullptr);
    EXPECT_EQ(qt::LiveLocalWindow(percent)->control->geometry(), QRect(223, 43, 41, 17));
    Rect rect{};
    ASSERT_TRUE(GetClientRect(percent, &rect));
    EXPECT_EQ(rect.right, 41);
    EXPECT_EQ(rect.bottom, 17);
}

TEST_F(DialogTest, InitialisationArrivesBeforeCreationReturnsAndTheDialogIsHidden) {
    WindowHandle dialog = Make(GaugeSpec(), 0x1234);
    ASSERT_NE(dialog, nullptr);
    const auto initialisations = DeliveriesOf(WM_INITDIALOG);
    ASSERT_EQ(initialisations.size(), 1u);
    EXPECT_EQ(initialisations[0].window, dialog);
    EXPECT_EQ(initialisations[0].second, 0x1234);
    EXPECT_FALSE(initialisations[0].visibleThen);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(FrameOf(dialog)->windowTitle().toStdU16String(), qt::LiveLocalWindow(dialog)->text);
    EXPECT_EQ(Deliveries().front().message, WM_INITDIALOG) << "nothing comes before initialisation";
}

TEST_F(DialogTest, ShowWindowTellsTheProcedureBeforeAChangeOnly) {
    WindowHandle dialog = Make();
    struct Step {
        std::int32_t command;
        bool answer;  // visible before
        bool visibleAfter;
        int showMessages;  // WM_SHOWWINDOW delivered by this step
    };
    // Every command but hiding shows.
    const Step steps[] = {{SHOW_SHOW, false, true, 1}, {SHOW_SHOW, true, true, 0},
                          {SHOW_HIDE, true, false, 1}, {SHOW_HIDE, false, false, 0},
                          {99, false, true, 1},        {SHOW_SHOW, true, true, 0}};
    for (const Step& step : steps) {
        Deliveries().clear();
        EXPECT_EQ(ShowWindow(dialog, step.command), step.answer) << "command " << step.command;
        EXPECT_EQ(IsWindowVisible(dialog), step.visibleAfter) << "command " << step.command;
        const auto shows = DeliveriesOf(WM_SHOWWINDOW);
        ASSERT_EQ(static_cast<int>(shows.size()), step.showMessages) << "command " << step.command;
        if (!shows.empty()) {
            EXPECT_EQ(shows[0].first, step.visibleAfter ? 1u : 0u);
            EXPECT_NE(shows[0].visibleThen, step.visibleAfter) << "delivered before the change";
        }
    }
}

TEST_F(DialogTest, ControlsFollowTheirVisibleStyle) {
    WindowHandle dialog = Make();
    ShowWindow(dialog, SHOW_SHOW);
    EXPECT_TRUE(IsWindowVisible(GetDialogItem(dialog, 1019)));
    WindowHandle hidden = GetDialogItem(dialog, 1100);
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_FALSE(qt::LiveLocalWindow(hidden)->control->isVisible());
    EXPECT_FALSE(ShowWindow(GetDialogItem(dialog, 1019), SHOW_HIDE)) << "controls stay as made";
    ShowWindow(dialog, SHOW_HIDE);
    EXPECT_FALSE(IsWindowVisible(GetDialogItem(dialog, 1019)))
        << "a control is visible only in a visible dialog";
}

TEST_F(DialogTest, DestroyTellsTheProcedureThenEveryHandleIsStale) {
    WindowHandle dialog = Make();
    WindowHandle control = GetDialogItem(dialog, 1019);
    ShowWindow(dialog, SHOW_SHOW);
    PostMessage(dialog, qt_test::PRIVATE_MESSAGE, 0, 0);
    Deliveries().clear();

    ASSERT_TRUE(DestroyWindow(dialog));
    ASSERT_EQ(Deliveries().size(), 1u) << "destroy brings no show-window message";
    EXPECT_EQ(Deliveries()[0].message, WM_DESTROY);
    EXPECT_FALSE(Deliveries()[0].visibleThen);

    EXPECT_FALSE(DestroyWindow(dialog));
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_FALSE(SetDialogItemText(dialog, 1019, u"x"));
    EXPECT_EQ(GetDialogItem(dialog, 1019), nullptr);
    EXPECT_FALSE(ShowWindow(control, SHOW_SHOW));
    EXPECT_EQ(GetDeviceContext(control), nullptr);
    EXPECT_EQ(SendMessage(dialog, qt_test::PRIVATE_MESSAGE, 0, 0), 0);
    EXPECT_TRUE(qt_test::DrainQueue().empty()) << "messages for the dialog went with it";
}

TEST_F(DialogTest, DialogsHaveNoOwner) {
    WindowHandle owner = Make();
    qt_test::DialogSpec layout;
    layout.title = qt_test::UniqueTitle(u"owned");
    const auto bytes = qt_test::BuildTemplate(layout);
    Deliveries().clear();
    EXPECT_EQ(CreateModelessDialog(nullptr, bytes.data(), bytes.size(), owner,
                                   qt_test::RecordingProcedure, 0),
              nullptr);
    EXPECT_TRUE(Deliveries().empty());
}

TEST_F(DialogTest, MadeUpHandlesAreRefused) {
    const auto bogus = reinterpret_cast<WindowHandle>(std::uintptr_t{0x1234});
    Rect rect{};
    EXPECT_FALSE(ShowWindow(bogus, SHOW_SHOW));
    EXPECT_FALSE(SetForegroundWindow(bogus));
    EXPECT_FALSE(IsWindowVisible(bogus));
    EXPECT_FALSE(DestroyWindow(bogus));
    EXPECT_EQ(SendMessage(bogus, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(SetDialogItemText(bogus, 1, u"x"));
    EXPECT_EQ(GetDialogItem(bogus, 1), nullptr);
    EXPECT_FALSE(GetClientRect(bogus, &rect));
    EXPECT_FALSE(PostMessage(bogus, qt_test::PRIVATE_MESSAGE, 0, 0));
}

TEST_F(DialogTest, ItemTextsAreFoundByIdentifier) {
    WindowHandle dialog = Make();
    const auto textOf = [&](std::int32_t id) {
        return qt::LiveLocalWindow(GetDialogItem(dialog, id))->text;
    };
    EXPECT_EQ(textOf(1019), u"100");
    ASSERT_TRUE(SetDialogItemText(dialog, 1019, u"ｵﾝ情報ABCDEFG"));
    EXPECT_EQ(textOf(1019), u"ｵﾝ情報ABCDEFG");
    ASSERT_TRUE(SetDialogItemText(dialog, 1019, nullptr));
    EXPECT_EQ(textOf(1019), u"");
    EXPECT_FALSE(SetDialogItemText(dialog, 4242, u"x"));
    // -1 is the template's 0xFFFF: the first control without an identifier.
    EXPECT_EQ(GetDialogItem(dialog, -1), GetDialogItem(dialog, 0xFFFF));
    EXPECT_EQ(GetDialogItem(dialog, 0x10000 + 1019), nullptr);
}

void Click(QWidget* widget, const QPoint& at) {
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

TEST_F(DialogTest, CaptionButtonsPostOkAndClose) {
    WindowHandle dialog = Make();
    ShowWindow(dialog, SHOW_SHOW);
    qt::CaptionBar* caption = FrameOf(dialog)->Caption();
    ASSERT_NE(caption, nullptr);
    ASSERT_FALSE(caption->OkButtonRect().isEmpty());
    ASSERT_LT(caption->OkButtonRect().right(), caption->CloseButtonRect().left());

    Click(caption, caption->OkButtonRect().center());
    Click(caption, caption->CloseButtonRect().center());
    auto queued = qt_test::DrainQueue();
    ASSERT_EQ(queued.size(), 2u);
    EXPECT_EQ(queued[0].window, dialog);
    EXPECT_EQ(queued[0].message, WM_COMMAND);
    EXPECT_EQ(queued[0].first, COMMAND_OK);
    EXPECT_EQ(queued[1].message, WM_CLOSE);

    // Left to the dialog manager, closing becomes the cancel command.
    DispatchMessage(&queued[1]);
    queued = qt_test::DrainQueue();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].message, WM_COMMAND);
    EXPECT_EQ(queued[0].first, COMMAND_CANCEL);
    EXPECT_TRUE(IsWindowVisible(dialog));
}

TEST_F(DialogTest, CaptionShapeFollowsTheStyles) {
    struct Case {
        std::uint32_t style, exStyle;
        bool caption, ok, close;
        int border;
    };
    // The caption needs both of its bits; the buttons need the caption;
    // any frame bit, or a modal frame alone, gives the one-pixel border.
    const Case cases[] = {{0x80C800C0, 0x80000000, true, true, true, 1},
                          {0x80C800C0, 0, true, false, true, 1},
                          {0x80C000C0, 0x80000000, true, true, false, 1},
                          {0x800000C0, 0x80000000, false, false, false, 1},
                          {0x80480000, 0x80000000, false, false, false, 1},
                          {0x80800000, 0, false, false, false, 1},
                          {0x80000000, 0x80000000, false, false, false, 0}};
    for (const Case& c : cases) {
        const qt::FrameShape shape = qt::FrameShapeOf(c.style, c.exStyle);
        EXPECT_EQ(shape.border, c.border) << std::hex << c.style;
        EXPECT_EQ(shape.caption, c.caption) << std::hex << c.style;
        EXPECT_EQ(shape.okButton, c.ok) << std::hex << c.style;
        EXPECT_EQ(shape.closeButton, c.close) << std::hex << c.style;
    }
}

TEST_F(DialogTest, WindowCloseRequestsBecomeMessages) {
    WindowHandle dialog = Make();
    ShowWindow(dialog, SHOW_SHOW);
    FrameOf(dialog)->close();
    const auto queued = qt_test::DrainQueue();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].message, WM_CLOSE);
    EXPECT_TRUE(IsWindowVisible(dialog)) << "only the procedure closes the dialog";
}

TEST_F(DialogTest, EnterAndEscapeBecomeCommandsThroughTheFilter) {
    WindowHandle dialog = Make();
    ShowWindow(dialog, SHOW_SHOW);
    struct Case {
        Qt::Key key;
        QString text;
        std::uintptr_t command;
    };
    const Case cases[] = {{Qt::Key_Return, QStringLiteral("\r"), COMMAND_OK},
                          {Qt::Key_Enter, QStringLiteral("\r"), COMMAND_OK},
                          {Qt::Key_Escape, QStringLiteral("\x1b"), COMMAND_CANCEL}};
    for (const Case& c : cases) {
        Deliveries().clear();
        QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier, c.text);
        QCoreApplication::sendEvent(FrameOf(dialog), &press);
        auto queued = qt_test::DrainQueue();
        ASSERT_EQ(queued.size(), 1u);
        EXPECT_EQ(queued[0].message, WM_KEYDOWN);
        EXPECT_TRUE(FilterDialogMessage(dialog, &queued[0]));
        const auto commands = DeliveriesOf(WM_COMMAND);
        ASSERT_EQ(commands.size(), 1u) << "sent at once, not queued";
        EXPECT_EQ(commands[0].first, c.command);
        EXPECT_TRUE(qt_test::DrainQueue().empty()) << "no character message for a consumed key";
    }
}

TEST_F(DialogTest, OtherKeysAreNotTheDialogs) {
    WindowHandle dialog = Make();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCoreApplication::sendEvent(FrameOf(dialog), &press);
    QCoreApplication::sendEvent(FrameOf(dialog), &release);
    EXPECT_TRUE(qt_test::DrainQueue().empty());

    MessageRecord other{nullptr, WM_KEYDOWN, KEY_RETURN, 0};
    EXPECT_FALSE(FilterDialogMessage(dialog, &other)) << "not the dialog's message";
    EXPECT_FALSE(FilterDialogMessage(nullptr, &other));
    EXPECT_TRUE(TranslateMessage(&other));
    const auto queued = qt_test::DrainQueue();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].message, WM_CHAR);
    EXPECT_EQ(queued[0].first, u'\r');
}

TEST_F(DialogTest, StaticsPaintTheirTextAlignedAndTheFrameGray) {
    WindowHandle dialog = Make();
    ShowWindow(dialog, SHOW_SHOW);
    const QImage left = qt_test::Grab(GetDialogItem(dialog, -1));  // "ﾊﾞｯﾃﾘ", 61 x 17
    EXPECT_GT(qt_test::DarkPixels(left, QRect(0, 0, 20, 17)), 0);
    const QImage right = qt_test::Grab(GetDialogItem(dialog, 1019));  // "100", 41 x 17
    EXPECT_GT(qt_test::DarkPixels(right, QRect(31, 0, 10, 17)), 0);
    EXPECT_EQ(qt_test::DarkPixels(right, QRect(0, 0, 8, 17)), 0);

    const auto& controls = qt::LiveLocalWindow(dialog)->controls;
    const QImage frame = qt_test::Grab(controls[2].get());
    ASSERT_EQ(frame.size(), QSize(284, 2));
    const QRgb gray = QGuiApplication::palette().color(QPalette::Dark).rgb();
    EXPECT_EQ(frame.pixel(0, 0), gray);
    EXPECT_EQ(frame.pixel(125, 1), gray);
}

TEST_F(DialogTest, WorkAreaIsThePrimaryScreensAvailableArea) {
    Rect area{};
    ASSERT_TRUE(QueryWorkArea(&area));
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(area.left, available.left());
    EXPECT_EQ(area.top, available.top());
    EXPECT_EQ(area.right - area.left, available.width());
    EXPECT_EQ(area.bottom - area.top, available.height());
    EXPECT_FALSE(QueryWorkArea(nullptr));
}

// What the parser reads but the dialog manager cannot build fails creation.
TEST(DialogCreation, UnbuildableTemplatesFail) {
    struct Case {
        const char* name;
        DialogSpec layout;
    };
    DialogSpec button;
    button.items = {Static(0, 0, 10, 8, 1, u"OK", 0x50010000)};
    button.items[0].classOrdinal = 0x0080;
    DialogSpec child;
    child.style |= platform::STYLE_CHILD;
    DialogSpec huge;
    huge.cx = 32000;
    huge.cy = 32000;
    const Case cases[] = {{"button control", button}, {"child dialog", child}, {"too large", huge}};
    for (const Case& c : cases) {
        EXPECT_EQ(qt_test::CreateDialog(c.layout), nullptr) << c.name;
    }

    DialogSpec plain;
    auto named = BuildTemplate(plain);
    named.insert(named.begin() + 20, {'C', 0, 0, 0});             // class "C" after the menu
    named.erase(named.begin() + 20 + 4, named.begin() + 20 + 6);  // its 0x0000
    EXPECT_EQ(platform::CreateModelessDialog(nullptr, named.data(), named.size(), nullptr,
                                             qt_test::RecordingProcedure, 0),
              nullptr);
}

// Creation runs the same checks: no cut of a valid template makes a window.
TEST(DialogCreation, EveryTruncationFailsCleanly) {
    DialogSpec layout = GaugeSpec();
    layout.title = qt_test::UniqueTitle(u"cut");
    const auto bytes = BuildTemplate(layout);
    qt_test::Deliveries().clear();
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        const auto copy = std::make_unique<std::uint8_t[]>(size + 1);
        std::memcpy(copy.get(), bytes.data(), size);
        EXPECT_EQ(platform::CreateModelessDialog(nullptr, copy.get(), size, nullptr,
                                                 qt_test::RecordingProcedure, 0),
                  nullptr);
    }
    EXPECT_TRUE(qt_test::Deliveries().empty()) << "no procedure ran for a refused template";
}

}  // namespace
