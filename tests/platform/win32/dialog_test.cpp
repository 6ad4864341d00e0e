// The dialog manager on the executable's own templates: every control where
// its dialog units map, the caption's button for OK, the Japanese face,
// texts, timers, drawing through device contexts, and malformed templates.
// The portable headers come before the Windows API's, whose macros share
// some of their names.
#include "display/gauge.h"
#include "resources/resource_ids.h"
#include "resources/status_layouts.h"
#include "resources/window_title.h"

#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/timer.h"
#include "platform/win32/drawing/gauge_access.h"
#include "platform/win32/windowing/dialog_face.h"
#include "platform/win32/windowing/dialog_template.h"
#include "tests/platform/win32/win32_test_support.h"

namespace {

using namespace platform;
using namespace win32_test;
using resources::Layout;

std::uint32_t TemplateOf(Layout layout) {
    return layout == Layout::Tall ? resources::IDD_STATUS_TALL : resources::IDD_STATUS_WIDE;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

RECT RectInDialog(HWND dialog, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class StatusDialog : public testing::TestWithParam<Layout> {
protected:
    void SetUp() override {
        Seen() = {};
        dialog_ = CreateStatusDialog(TemplateOf(GetParam()));
        ASSERT_NE(dialog_, nullptr);
    }
    void TearDown() override {
        if (IsWindow(dialog_)) ::DestroyWindow(dialog_);
    }
    HWND dialog_ = nullptr;
};

TEST_P(StatusDialog, EveryControlLandsWhereItsDialogUnitsMap) {
    EXPECT_EQ(Seen().initParameter, 42);
    wchar_t title[64] = {};
    GetWindowTextW(dialog_, title, 64);
    EXPECT_EQ(std::u16string(win32::Utf16(title)), resources::WINDOW_TITLE);

    const std::vector<HWND> children = Children(dialog_);
    ASSERT_EQ(children.size(), resources::STATUS_CONTROL_COUNT);
    for (std::size_t i = 0; i < children.size(); ++i) {
        const resources::ControlRow& row = resources::STATUS_CONTROLS[i];
        const resources::Placement& at = GetParam() == Layout::Tall ? row.tall : row.wide;
        // Position and size are mapped each on its own, as the dialog
        // manager places a control.
        RECT mapped{at.x, at.y, at.cx, at.cy};
        MapDialogRect(dialog_, &mapped);
        const RECT expected{mapped.left, mapped.top, mapped.left + mapped.right,
                            mapped.top + mapped.bottom};
        const RECT actual = RectInDialog(dialog_, children[i]);
        EXPECT_TRUE(EqualRect(&actual, &expected))
            << "control " << i + 1 << ": " << actual.left << "," << actual.top << "-"
            << actual.right << "," << actual.bottom << " for " << expected.left << ","
            << expected.top << "-" << expected.right << "," << expected.bottom;
        EXPECT_EQ(static_cast<std::int16_t>(GetDlgCtrlID(children[i])), row.id)
            << "control " << i + 1;
        const LONG style = GetWindowLongW(children[i], GWL_STYLE);
        const bool right = row.style.extendedStyle == resources::RIGHT_TEXT.extendedStyle;
        if (row.style.style != resources::GRAY_FRAME.style) {
            EXPECT_EQ(style & SS_TYPEMASK, right ? SS_RIGHT : SS_LEFT) << "control " << i + 1;
        }
    }
    const resources::DialogSize size =
        GetParam() == Layout::Tall ? resources::TALL_DIALOG_SIZE : resources::WIDE_DIALOG_SIZE;
    RECT expected{0, 0, size.cx, size.cy};
    MapDialogRect(dialog_, &expected);
    RECT client;
    GetClientRect(dialog_, &client);
    EXPECT_TRUE(EqualRect(&client, &expected));
    EXPECT_FALSE(IsWindowVisible(dialog_)) << "created hidden";
}

TEST_P(StatusDialog, TheCaptionsMinimiseButtonStandsForOk) {
    EXPECT_TRUE(GetWindowLongW(dialog_, GWL_STYLE) & WS_MINIMIZEBOX);
    EXPECT_FALSE(GetWindowLongW(dialog_, GWL_EXSTYLE) & EXSTYLE_CAPTION_OK);
    ::ShowWindow(dialog_, SW_SHOW);
    SendMessageW(dialog_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_EQ(Seen().commands, std::vector<std::uint16_t>{COMMAND_OK});
    EXPECT_FALSE(IsIconic(dialog_));
}

TEST_P(StatusDialog, DrawsInAFaceWithTheJapaneseCharacters) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(dialog_, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW description{};
    GetObjectW(font, sizeof description, &description);
    EXPECT_EQ(std::u16string(win32::Utf16(description.lfFaceName)), win32::DialogFace());
    EXPECT_TRUE(win32::FaceDrawsAll(win32::DialogFace(), win32::JAPANESE_PROBE));
    // The first face of the list that can, not just any.
    for (const std::u16string_view face : win32::JAPANESE_FACES) {
        if (face == win32::DialogFace()) break;
        EXPECT_FALSE(win32::FaceDrawsAll(face, win32::JAPANESE_PROBE))
            << "skipped a face that draws";
    }
}

INSTANTIATE_TEST_SUITE_P(BothLayouts, StatusDialog, testing::Values(Layout::Tall, Layout::Wide));

class TallDialog : public StatusDialog {};

TEST_P(TallDialog, TextsAreSetAndReadBack) {
    const std::u16string longText(300, u'9');
    const struct {
        std::int32_t id;
        std::u16string text;
        std::u16string readBack;  // through a buffer of 64 characters
        bool set;
    } cases[] = {
        {resources::IDC_BATT_STATE, u"僅か : 充電中", u"僅か : 充電中", true},
        {resources::IDC_AC_LINE, u"ｵﾝ", u"ｵﾝ", true},
        {resources::IDC_VOL1_TOTAL_LABEL, u"全SD & USB", u"全SD & USB", true},
        {resources::IDC_BATT_LIFE, u"", u"", true},
        {resources::IDC_RAM_TOTAL, longText, longText.substr(0, 63), true},
        {4242, u"nowhere", u"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SetDialogItemText(win32::FromHwnd(dialog_), c.id, c.text.c_str()), c.set) << c.id;
        char16_t buffer[64];
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        buffer[0] = u'\0';  // a control that is not there copies nothing
        const int copied = GetDlgItemTextW(dialog_, c.id, win32::Wide(buffer), 64);
        EXPECT_EQ(std::u16string(buffer), c.readBack) << c.id;
        EXPECT_EQ(static_cast<std::size_t>(copied), c.readBack.size()) << c.id;
    }
}

TEST_P(TallDialog, ATimerFiresThroughTheLoop) {
    EXPECT_EQ(platform::SetTimer(win32::FromHwnd(dialog_), 100, 30), 100u);
    const auto ticked = [] {
        return std::count(Seen().messages.begin(), Seen().messages.end(), WM_TIMER) >= 2;
    };
    EXPECT_TRUE(PumpUntil(ticked, 5000, dialog_)) << "two ticks within 5 s";
    EXPECT_TRUE(platform::KillTimer(win32::FromHwnd(dialog_), 100));
    EXPECT_FALSE(platform::KillTimer(win32::FromHwnd(dialog_), 100)) << "killed once only";
}

// The columns of `control` where something other than its background shows.
std::vector<int> InkedColumns(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    HDC context = GetDC(control);
    const COLORREF background = GetPixel(context, 0, 0);
    std::vector<int> columns;
    for (int x = 0; x < client.right; ++x) {
        for (int y = 0; y < client.bottom; ++y) {
            if (GetPixel(context, x, y) != background) {
                columns.push_back(x);
                break;
            }
        }
    }
    ReleaseDC(control, context);
    return columns;
}

// Wine right-aligns a static control that has the extended right-alignment
// bit alone; Windows, left to right, needs the right-aligned style as well,
// which the style check above holds the back end to.
TEST_P(TallDialog, RightAlignedTextsLieAtTheRightEdge) {
    ::ShowWindow(dialog_, SW_SHOW);
    const struct {
        std::int32_t id;
        bool right;
    } cases[] = {{resources::IDC_BATT_PERCENT, true},
                 {resources::IDC_BATT_LIFE, true},
                 {resources::IDC_AC_LINE, false},
                 {resources::IDC_BATT_STATE, false}};
    for (const auto& c : cases) {
        SetDlgItemTextW(dialog_, c.id, L"1");
        HWND control = GetDlgItem(dialog_, c.id);
        UpdateWindow(control);
        RECT client;
        GetClientRect(control, &client);
        const std::vector<int> columns = InkedColumns(control);
        ASSERT_FALSE(columns.empty()) << c.id;
        if (c.right) {
            EXPECT_GT(columns.front(), client.right / 2) << c.id;
        } else {
            EXPECT_LT(columns.back(), client.right / 2) << c.id;
        }
    }
}

TEST_P(TallDialog, AGaugeIsDrawnIntoItsControlInTheContextFont) {
    ::ShowWindow(dialog_, SW_SHOW);
    HWND gauge = GetDlgItem(dialog_, resources::IDC_RAM_FREE);
    const DeviceContext context = GetDeviceContext(win32::FromHwnd(gauge));
    ASSERT_NE(context, nullptr);
    LOGFONTW contextFont{}, dialogFont{};
    GetObjectW(GetCurrentObject(win32::ToHdc(context), OBJ_FONT), sizeof contextFont, &contextFont);
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog_, WM_GETFONT, 0, 0)), sizeof dialogFont,
               &dialogFont);
    EXPECT_EQ(std::u16string(win32::Utf16(contextFont.lfFaceName)), win32::DialogFace());
    EXPECT_EQ(std::abs(contextFont.lfHeight), (std::abs(dialogFont.lfHeight) * 5 + 4) / 8);
    EXPECT_TRUE(ReleaseDeviceContext(win32::FromHwnd(gauge), context));

    display::DrawGauge(win32::FromHwnd(dialog_), resources::IDC_RAM_FREE, u"", 50, true);
    RECT client;
    GetClientRect(gauge, &client);
    HDC screen = GetDC(gauge);
    const int middle = client.bottom / 2;
    const int barStart = client.right - client.right * 50 / 100;
    EXPECT_EQ(GetPixel(screen, client.right - 1, middle), display::GAUGE_BAR_COLOUR);
    EXPECT_EQ(GetPixel(screen, barStart, middle), display::GAUGE_BAR_COLOUR);
    EXPECT_EQ(GetPixel(screen, barStart - 1, middle), display::GAUGE_REST_COLOUR);
    EXPECT_EQ(GetPixel(screen, 0, middle), display::GAUGE_REST_COLOUR);
    ReleaseDC(gauge, screen);
}

// What a screen reader hears of a gauge: its caption and the value drawn,
// told again only when it changes.
TEST_P(TallDialog, EachGaugeIsNamedByItsCaptionAndValue) {
    ::ShowWindow(dialog_, SW_SHOW);
    const WindowHandle dialog = win32::FromHwnd(dialog_);
    SetDialogItemText(dialog, resources::IDC_VOL1_TOTAL_LABEL, u"全SD");
    const struct {
        std::int32_t id;
        const char16_t* value;
        std::u16string name;
    } rows[] = {
        {resources::IDC_RAM_FREE, u" 5,368,709,120", u"未使用ﾌﾟﾛｸﾞﾗﾑ実行用 5,368,709,120"},
        {resources::IDC_STORE_TOTAL, u"不明", u"全ﾃﾞｰﾀ記憶用 不明"},
        {resources::IDC_VOL1_TOTAL, u"  1,000", u"全SD 1,000"},
        {resources::IDC_VOL2_TOTAL, u"", u"全PC-Card2"},  // a group without a card
    };
    for (const auto& row : rows) {
        display::DrawGauge(dialog, row.id, row.value, 50, false);
        EXPECT_EQ(win32::DrawnValueNameOf(GetDlgItem(dialog_, row.id)), row.name) << row.id;
    }
}

// While a high-contrast theme is on, the gauges take its colours and their
// text stays readable over both parts; outside it they keep their own.
TEST_P(TallDialog, GaugesTakeTheHighContrastThemesColours) {
    ::ShowWindow(dialog_, SW_SHOW);
    HWND gauge = GetDlgItem(dialog_, resources::IDC_RAM_FREE);
    RECT client;
    GetClientRect(gauge, &client);
    const int split = client.right - client.right * 50 / 100;
    const struct {
        bool highContrast;
        COLORREF bar, rest, textOverBar, textOverRest;
    } rows[] = {
        {false, display::GAUGE_BAR_COLOUR, display::GAUGE_REST_COLOUR, GetSysColor(COLOR_BTNTEXT),
         GetSysColor(COLOR_BTNTEXT)},
        {true, GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW),
         GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_WINDOWTEXT)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.highContrast ? "high contrast" : "own colours");
        win32::OverrideHighContrast(row.highContrast);
        // A wide value, so that text lies over both parts.
        display::DrawGauge(win32::FromHwnd(dialog_), resources::IDC_RAM_FREE,
                           u"888,888,888,888,888", 50, true);
        HDC screen = GetDC(gauge);
        EXPECT_EQ(GetPixel(screen, client.right - 1, 0), row.bar);
        EXPECT_EQ(GetPixel(screen, 0, 0), row.rest);
        int overBar = 0, overRest = 0;
        for (int y = 0; y < client.bottom; ++y) {
            for (int x = 0; x < client.right; ++x) {
                const COLORREF pixel = GetPixel(screen, x, y);
                if (x >= split && pixel == row.textOverBar) ++overBar;
                if (x < split && pixel == row.textOverRest) ++overRest;
            }
        }
        ReleaseDC(gauge, screen);
        EXPECT_GT(overBar, 0) << "text in its colour over the bar";
        EXPECT_GT(overRest, 0) << "text in its colour over the rest";
    }
    win32::OverrideHighContrast(std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Tall, TallDialog, testing::Values(Layout::Tall));

std::vector<std::uint8_t> TallTemplate() {
    const ResourceRecord* entry =
        FindResourceEntry(Executable(), resources::IDD_STATUS_TALL, RESOURCE_DIALOG);
    const auto* bytes = static_cast<const std::uint8_t*>(LoadResourceEntry(Executable(), entry));
    return {bytes, bytes + ResourceEntrySize(Executable(), entry)};
}

void PutDword(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

TEST(DialogTemplate, AMalformedTemplateMakesNoDialog) {
    const std::vector<std::uint8_t> whole = TallTemplate();
    ASSERT_GT(whole.size(), 200u);
    std::vector<std::uint8_t> extended = whole;
    PutDword(extended, 0, 0xFFFF0001u);
    // The last item's creation data claims two bytes that are not there.
    std::vector<std::uint8_t> overlong = whole;
    overlong[overlong.size() - 2] = 2;
    const struct {
        const char* title;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"cut in the header", {whole.begin(), whole.begin() + 10}},
        {"cut in the title", {whole.begin(), whole.begin() + 30}},
        {"cut in the first item", {whole.begin(), whole.begin() + 90}},
        {"one byte short", {whole.begin(), whole.end() - 1}},
        {"the extended form", extended},
        {"creation data past the end", overlong},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(win32::AdaptDialogTemplate(c.bytes.data(), c.bytes.size(), u"Face"))
            << c.title;
        Seen() = {};
        EXPECT_EQ(CreateModelessDialog(Executable(), c.bytes.data(), c.bytes.size(), nullptr,
                                       RecordingProcedure, 0),
                  nullptr)
            << c.title;
        EXPECT_TRUE(Seen().messages.empty()) << c.title;
    }
}

TEST(DialogTemplate, OnlyTheFaceTheCaptionAndTheAlignmentChange) {
    const std::vector<std::uint8_t> whole = TallTemplate();
    const std::optional<win32::DesktopTemplate> adapted =
        win32::AdaptDialogTemplate(whole.data(), whole.size(), u"ABCDEFG");
    ASSERT_TRUE(adapted);
    EXPECT_TRUE(adapted->captionOk);
    // "System" (6) became "ABCDEFG" (7): two bytes more, then alignment.
    const std::u16string_view face = u"ABCDEFG";
    const auto* bytes = adapted->bytes.data();
    const std::size_t faceAt =
        std::search(adapted->bytes.begin(), adapted->bytes.end(),
                    reinterpret_cast<const std::uint8_t*>(face.data()),
                    reinterpret_cast<const std::uint8_t*>(face.data() + face.size())) -
        adapted->bytes.begin();
    ASSERT_LT(faceAt, adapted->bytes.size());
    EXPECT_EQ(adapted->bytes.size() % 4, whole.size() % 4);
    EXPECT_GE(adapted->bytes.size(), whole.size());
    EXPECT_EQ(bytes[faceAt + 14], 0) << "the face ends with its NUL";
    const std::uint8_t* unchanged = whole.data() + whole.size() - 24;
    EXPECT_TRUE(std::equal(unchanged, unchanged + 24, adapted->bytes.end() - 24))
        << "the last item is copied as it stands";
}

}  // namespace
