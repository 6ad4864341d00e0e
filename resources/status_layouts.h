// The status dialog in its two layouts. Both hold the same controls in the
// same order with the same identifiers, texts and styles; one table lists
// every control once with its place in each layout, so the layouts cannot
// drift apart in anything but position.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"
#include "resources/window_title.h"

namespace resources {

// Pop-up, caption (border + dialog frame), system menu, modal frame, font.
// The visible bit is absent: the dialog is shown by the entry code.
constexpr std::uint32_t STATUS_DIALOG_STYLE = 0x80C800C0;
// The platform's OK button in the caption bar.
constexpr std::uint32_t STATUS_DIALOG_EXTENDED_STYLE = 0x80000000;
constexpr std::uint16_t STATUS_DIALOG_POINT_SIZE = 12;
inline constexpr char16_t STATUS_DIALOG_FONT[] = u"System";

struct ControlStyle {
    std::uint32_t style;
    std::uint32_t extendedStyle;
};

// Child, visible, group, static text aligned left.
constexpr ControlStyle LEFT_TEXT{0x50020000, 0};
// The same with the extended right-alignment bit.
constexpr ControlStyle RIGHT_TEXT{0x50020000, 0x00001000};
// Child, visible, gray frame: one unit thick, the line between the sections.
constexpr ControlStyle GRAY_FRAME{0x50000008, 0};

struct Placement {
    std::int16_t x, y, cx, cy;
};

struct ControlRow {
    std::int16_t id;
    std::u16string_view text;
    ControlStyle style;
    Placement tall;
    Placement wide;
};

enum class Layout { Tall, Wide };

struct DialogSize {
    std::int16_t cx, cy;
};
constexpr DialogSize TALL_DIALOG_SIZE{134, 148};
constexpr DialogSize WIDE_DIALOG_SIZE{268, 76};

constexpr std::size_t STATUS_CONTROL_COUNT = 35;

// In template order: the dialog creates its controls in this order.
inline constexpr std::array<ControlRow, STATUS_CONTROL_COUNT> STATUS_CONTROLS{{
    // Battery section.
    {IDC_NONE, u"ﾊﾞｯﾃﾘ", LEFT_TEXT, {3, 2, 27, 8}, {4, 2, 27, 8}},
    {IDC_NONE, u"外部電源の状態", LEFT_TEXT, {8, 11, 57, 8}, {8, 14, 57, 8}},
    {IDC_AC_LINE, u"ｵﾝ", LEFT_TEXT, {68, 11, 18, 8}, {68, 14, 18, 8}},
    {IDC_NONE, u"ﾊﾞｯﾃﾘ残量", LEFT_TEXT, {8, 20, 36, 8}, {8, 24, 36, 8}},
    {IDC_BATT_STATE, u"充電中", LEFT_TEXT, {51, 20, 43, 8}, {51, 24, 43, 8}},
    {IDC_BATT_PERCENT, u"100", RIGHT_TEXT, {99, 20, 18, 8}, {99, 24, 18, 8}},
    {IDC_NONE, u"%", LEFT_TEXT, {120, 20, 10, 8}, {120, 24, 10, 8}},
    {IDC_BATT_LIFE, u"99:59:59", RIGHT_TEXT, {51, 28, 31, 8}, {51, 33, 31, 8}},
    {IDC_NONE, u"/", LEFT_TEXT, {85, 28, 10, 8}, {85, 33, 10, 8}},
    {IDC_BATT_FULL_LIFE, u"99:59:59", RIGHT_TEXT, {96, 28, 31, 8}, {96, 33, 31, 8}},
    {IDC_NONE, u"ﾊﾞｯｸｱｯﾌﾟ ﾊﾞｯﾃﾘ残量", LEFT_TEXT, {8, 37, 69, 8}, {8, 44, 69, 8}},
    {IDC_BACKUP_STATE, u"充電中", LEFT_TEXT, {51, 45, 43, 8}, {51, 53, 43, 8}},
    {IDC_BACKUP_PERCENT, u"100", RIGHT_TEXT, {99, 45, 18, 8}, {99, 53, 18, 8}},
    {IDC_NONE, u"%", LEFT_TEXT, {120, 45, 10, 8}, {120, 53, 10, 8}},
    {IDC_BACKUP_LIFE, u"99:59:59", RIGHT_TEXT, {51, 53, 31, 8}, {51, 62, 31, 8}},
    {IDC_NONE, u"/", LEFT_TEXT, {85, 53, 10, 8}, {85, 62, 10, 8}},
    {IDC_BACKUP_FULL_LIFE, u"99:59:59", RIGHT_TEXT, {96, 53, 31, 8}, {96, 62, 31, 8}},
    // Separator: horizontal under the battery section, or vertical beside it.
    {IDC_NONE, u"", GRAY_FRAME, {4, 63, 126, 1}, {131, 4, 1, 68}},
    // Memory section: each label with its gauge on one row.
    {IDC_NONE, u"ﾒﾓﾘ (ﾊﾞｲﾄ)", LEFT_TEXT, {3, 66, 40, 8}, {140, 2, 38, 8}},
    {IDC_NONE, u"全ﾌﾟﾛｸﾞﾗﾑ実行用", LEFT_TEXT, {7, 75, 64, 8}, {143, 10, 64, 8}},
    {IDC_RAM_TOTAL, u"999,999,999", RIGHT_TEXT, {86, 75, 42, 8}, {222, 10, 42, 8}},
    {IDC_NONE, u"未使用ﾌﾟﾛｸﾞﾗﾑ実行用", LEFT_TEXT, {7, 84, 76, 8}, {143, 18, 76, 8}},
    {IDC_RAM_FREE, u"999,999,999", RIGHT_TEXT, {86, 84, 42, 8}, {222, 18, 42, 8}},
    {IDC_NONE, u"全ﾃﾞｰﾀ記憶用", LEFT_TEXT, {7, 93, 52, 8}, {143, 26, 52, 8}},
    {IDC_STORE_TOTAL, u"999,999,999", RIGHT_TEXT, {86, 93, 42, 8}, {222, 26, 42, 8}},
    {IDC_NONE, u"未使用ﾃﾞｰﾀ記憶用", LEFT_TEXT, {7, 102, 67, 8}, {143, 34, 67, 8}},
    {IDC_STORE_FREE, u"999,999,999", RIGHT_TEXT, {86, 102, 42, 8}, {222, 34, 42, 8}},
    {IDC_VOL1_TOTAL_LABEL, u"全PC-Card1", LEFT_TEXT, {7, 111, 76, 8}, {143, 42, 76, 8}},
    {IDC_VOL1_TOTAL, u"999,999,999", RIGHT_TEXT, {86, 111, 42, 8}, {222, 42, 42, 8}},
    {IDC_VOL1_FREE_LABEL, u"未使用PC-Card1", LEFT_TEXT, {7, 120, 76, 8}, {143, 50, 76, 8}},
    {IDC_VOL1_FREE, u"999,999,999", RIGHT_TEXT, {86, 120, 42, 8}, {222, 50, 42, 8}},
    {IDC_VOL2_TOTAL_LABEL, u"全PC-Card2", LEFT_TEXT, {7, 129, 76, 8}, {143, 58, 76, 8}},
    {IDC_VOL2_TOTAL, u"999,999,999", RIGHT_TEXT, {86, 129, 42, 8}, {222, 58, 42, 8}},
    {IDC_VOL2_FREE_LABEL, u"未使用PC-Card2", LEFT_TEXT, {7, 138, 76, 8}, {143, 66, 76, 8}},
    {IDC_VOL2_FREE, u"999,999,999", RIGHT_TEXT, {86, 138, 42, 8}, {222, 66, 42, 8}},
}};

constexpr DialogHeader StatusDialogHeader(Layout layout) {
    const DialogSize size = layout == Layout::Tall ? TALL_DIALOG_SIZE : WIDE_DIALOG_SIZE;
    // No centring and no parent: the dialog opens at the screen's top left.
    return {STATUS_DIALOG_STYLE,
            STATUS_DIALOG_EXTENDED_STYLE,
            0,
            0,
            size.cx,
            size.cy,
            WINDOW_TITLE,
            STATUS_DIALOG_POINT_SIZE,
            STATUS_DIALOG_FONT};
}

constexpr DialogItem StatusDialogItem(const ControlRow& row, Layout layout) {
    const Placement& at = layout == Layout::Tall ? row.tall : row.wide;
    return {
        row.style.style, row.style.extendedStyle, at.x, at.y, at.cx, at.cy, row.id, STATIC_CLASS,
        row.text};
}

template <class Sink>
constexpr void WriteStatusDialog(Sink& out, Layout layout) {
    std::array<DialogItem, STATUS_CONTROL_COUNT> items{};
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i] = StatusDialogItem(STATUS_CONTROLS[i], layout);
    }
    WriteDialogTemplate(out, StatusDialogHeader(layout), items);
}

}  // namespace resources
