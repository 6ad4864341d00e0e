#include "platform/qt/base/system_colours.h"

#include <QGuiApplication>
#include <QPalette>

#include <array>

#include "platform/drawing.h"

namespace platform::qt {

namespace {

struct PaletteRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Index by index, the palette role that plays the same part. Indices 25 and
// 26 are the static control's background and text of the handheld platform.
constexpr std::array<PaletteRole, 27> SYSTEM_COLOUR_ROLES = {{
    {QPalette::Active, QPalette::Button},           //  0 scroll bar
    {QPalette::Active, QPalette::Dark},             //  1 desktop
    {QPalette::Active, QPalette::Highlight},        //  2 active caption
    {QPalette::Active, QPalette::Mid},              //  3 inactive caption
    {QPalette::Active, QPalette::Window},           //  4 menu
    {QPalette::Active, QPalette::Base},             //  5 window
    {QPalette::Active, QPalette::Shadow},           //  6 window frame
    {QPalette::Active, QPalette::WindowText},       //  7 menu text
    {QPalette::Active, QPalette::Text},             //  8 window text
    {QPalette::Active, QPalette::HighlightedText},  //  9 caption text
    {QPalette::Active, QPalette::Button},           // 10 active border
    {QPalette::Active, QPalette::Button},           // 11 inactive border
    {QPalette::Active, QPalette::Mid},              // 12 application workspace
    {QPalette::Active, QPalette::Highlight},        // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},  // 14 highlighted text
    {QPalette::Active, QPalette::Button},           // 15 button face
    {QPalette::Active, QPalette::Dark},             // 16 button shadow
    {QPalette::Disabled, QPalette::Text},           // 17 gray (disabled) text
    {QPalette::Active, QPalette::ButtonText},       // 18 button text
    {QPalette::Active, QPalette::Light},            // 19 inactive caption text
    {QPalette::Active, QPalette::Light},            // 20 button highlight
    {QPalette::Active, QPalette::Shadow},           // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},         // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},      // 23 tooltip text
    {QPalette::Active, QPalette::ToolTipBase},      // 24 tooltip background
    {QPalette::Active, QPalette::Window},           // 25 static background
    {QPalette::Active, QPalette::WindowText},       // 26 static text
}};

}  // namespace

std::optional<QColor> SystemColourOf(std::int32_t index) {
    const std::int32_t plain = index & ~SYSTEM_COLOUR_INDEX_FLAG;
    if (plain < 0 || plain >= static_cast<std::int32_t>(SYSTEM_COLOUR_ROLES.size())) {
        return std::nullopt;
    }
    const PaletteRole& entry = SYSTEM_COLOUR_ROLES[static_cast<std::size_t>(plain)];
    return QGuiApplication::palette().color(entry.group, entry.role);
}

QColor SystemQColour(std::int32_t index) { return SystemColourOf(index).value_or(Qt::black); }

}  // namespace platform::qt
