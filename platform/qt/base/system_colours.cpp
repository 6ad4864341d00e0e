#include "platform/qt/base/system_colours.h"

#include <QGuiApplication>
#include <QPalette>

#include "platform/drawing.h"

namespace platform::qt {

namespace {

// The palette role that plays the part of a system colour.
std::optional<QPalette::ColorRole> RoleOf(std::int32_t index) {
    switch (index) {
    case SYSTEM_COLOUR_ACTIVE_CAPTION: return QPalette::Highlight;
    case SYSTEM_COLOUR_INACTIVE_CAPTION: return QPalette::Mid;
    case SYSTEM_COLOUR_WINDOW_FRAME: return QPalette::Shadow;
    case SYSTEM_COLOUR_CAPTION_TEXT: return QPalette::HighlightedText;
    case SYSTEM_COLOUR_BUTTON_FACE: return QPalette::Button;
    case SYSTEM_COLOUR_BUTTON_SHADOW: return QPalette::Dark;
    case SYSTEM_COLOUR_BUTTON_TEXT: return QPalette::ButtonText;
    case SYSTEM_COLOUR_INACTIVE_CAPTION_TEXT: return QPalette::Light;
    case SYSTEM_COLOUR_STATIC_TEXT: return QPalette::WindowText;  // the handheld's static text
    default: return std::nullopt;
    }
}

}  // namespace

std::optional<QColor> SystemColourOf(std::int32_t index) {
    const std::optional<QPalette::ColorRole> role = RoleOf(index & ~SYSTEM_COLOUR_INDEX_FLAG);
    if (!role) return std::nullopt;
    return QGuiApplication::palette().color(QPalette::Active, *role);
}

QColor SystemQColour(std::int32_t index) { return SystemColourOf(index).value_or(Qt::black); }

}  // namespace platform::qt
