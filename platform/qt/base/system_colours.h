// The platform's system colours that the dialog uses, taken from the
// application palette.
#pragma once

#include <QColor>

#include <cstdint>
#include <optional>

#include "platform/types.h"

namespace platform::qt {

// Indices beyond those declared in drawing.h, for what the dialog manager
// draws itself.
constexpr std::int32_t SYSTEM_COLOUR_ACTIVE_CAPTION = 2;
constexpr std::int32_t SYSTEM_COLOUR_INACTIVE_CAPTION = 3;
constexpr std::int32_t SYSTEM_COLOUR_WINDOW_FRAME = 6;
constexpr std::int32_t SYSTEM_COLOUR_CAPTION_TEXT = 9;
constexpr std::int32_t SYSTEM_COLOUR_BUTTON_FACE = 15;
constexpr std::int32_t SYSTEM_COLOUR_BUTTON_SHADOW = 16;
constexpr std::int32_t SYSTEM_COLOUR_INACTIVE_CAPTION_TEXT = 19;
constexpr std::int32_t SYSTEM_COLOUR_STATIC_TEXT = 26;

// The colour of a system colour index (the index flag may be set); none for
// an index the dialog does not use.
std::optional<QColor> SystemColourOf(std::int32_t index);

// As above, black for an unknown index.
QColor SystemQColour(std::int32_t index);

inline QColor ToQColor(Colour colour) {
    return QColor(RedOf(colour), GreenOf(colour), BlueOf(colour));
}

inline Colour ToColour(const QColor& colour) {
    return MakeColour(static_cast<std::uint8_t>(colour.red()),
                      static_cast<std::uint8_t>(colour.green()),
                      static_cast<std::uint8_t>(colour.blue()));
}

}  // namespace platform::qt
