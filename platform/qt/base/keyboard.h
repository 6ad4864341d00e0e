// Keys as the platform reports them: virtual-key codes in WM_KEYDOWN and
// WM_KEYUP, and the characters that TranslateMessage turns them into.
#pragma once

#include <QString>

#include <cstdint>

#include "platform/types.h"

class QKeyEvent;

namespace platform::qt {

// The virtual-key code of a Qt key event; 0 for a key the platform has no
// code for.
std::uintptr_t VirtualKeyOf(const QKeyEvent& event);

// Posts WM_KEYDOWN (press) or WM_KEYUP (release) for the event to `window`,
// the key's text kept for translation. False when the key has no code.
bool PostKeyMessage(WindowHandle window, const QKeyEvent& event);

// The characters a key stands for: what it typed when it was last pressed,
// or else its unshifted character.
QString TextOfKey(std::uintptr_t virtualKey);

}  // namespace platform::qt
