#include "platform/qt/base/keyboard.h"

#include <QKeyEvent>

#include <array>
#include <map>

#include "platform/messages.h"
#include "platform/qt/base/lifetime.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

struct KeyCode {
    int qtKey;
    std::uintptr_t virtualKey;
};

// Keys whose Qt code differs from the platform's virtual-key code. Letters
// and digits need no entry: both use their upper-case ASCII code.
constexpr std::array<KeyCode, 39> KEY_CODES = {{
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},      {Qt::Key_Backtab, 0x09},
    {Qt::Key_Clear, 0x0C},     {Qt::Key_Return, 0x0D},   {Qt::Key_Enter, 0x0D},
    {Qt::Key_Shift, 0x10},     {Qt::Key_Control, 0x11},  {Qt::Key_Alt, 0x12},
    {Qt::Key_Pause, 0x13},     {Qt::Key_CapsLock, 0x14}, {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21},   {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},       {Qt::Key_Home, 0x24},     {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},    {Qt::Key_Down, 0x28},
    {Qt::Key_Print, 0x2C},     {Qt::Key_Insert, 0x2D},   {Qt::Key_Delete, 0x2E},
    {Qt::Key_Help, 0x2F},      {Qt::Key_Meta, 0x5B},     {Qt::Key_Menu, 0x5D},
    {Qt::Key_NumLock, 0x90},   {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Equal, 0xBB},    {Qt::Key_Comma, 0xBC},
    {Qt::Key_Minus, 0xBD},     {Qt::Key_Period, 0xBE},   {Qt::Key_Slash, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC}, {Qt::Key_BracketRight, 0xDD},
}};

constexpr std::uintptr_t FIRST_FUNCTION_KEY = 0x70;  // F1
constexpr std::uintptr_t FIRST_NUMPAD_DIGIT = 0x60;  // numeric keypad 0

std::map<std::uintptr_t, QString>& KeptTexts() {
    static std::map<std::uintptr_t, QString> texts;
    return texts;
}

void ForgetKeyTexts() { KeptTexts().clear(); }

// The key-message parameter: repeat count 1, scan code, previous state and
// transition bits.
std::intptr_t KeyParameter(const QKeyEvent& event, bool release) {
    std::uint32_t value = 1 | ((event.nativeScanCode() & 0xFFu) << 16);
    if (release) value |= 0xC0000000u;
    else if (event.isAutoRepeat()) value |= 0x40000000u;
    return static_cast<std::intptr_t>(static_cast<std::int32_t>(value));
}

}  // namespace

std::uintptr_t VirtualKeyOf(const QKeyEvent& event) {
    const int key = event.key();
    if (event.modifiers() & Qt::KeypadModifier && key >= Qt::Key_0 && key <= Qt::Key_9) {
        return FIRST_NUMPAD_DIGIT + static_cast<std::uintptr_t>(key - Qt::Key_0);
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) {
        return static_cast<std::uintptr_t>(key);
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return FIRST_FUNCTION_KEY + static_cast<std::uintptr_t>(key - Qt::Key_F1);
    }
    for (const KeyCode& code : KEY_CODES) {
        if (code.qtKey == key) return code.virtualKey;
    }
    return 0;
}

bool PostKeyMessage(WindowHandle window, const QKeyEvent& event) {
    const std::uintptr_t virtualKey = VirtualKeyOf(event);
    if (virtualKey == 0) return false;
    const bool release = event.type() == QEvent::KeyRelease;
    if (!release) {
        CleanUpAtLayerEnd(LayerStage::Caches, ForgetKeyTexts);
        KeptTexts()[virtualKey] = event.text();
    }
    return PostMessage(window, release ? WM_KEYUP : WM_KEYDOWN, virtualKey,
                       KeyParameter(event, release));
}

QString TextOfKey(std::uintptr_t virtualKey) {
    const auto kept = KeptTexts().find(virtualKey);
    if (kept != KeptTexts().end()) return kept->second;
    // A key message posted by the program itself: the unshifted character.
    if (virtualKey >= 'A' && virtualKey <= 'Z') return QChar(static_cast<char16_t>(virtualKey + 0x20));
    if (virtualKey >= '0' && virtualKey <= '9') return QChar(static_cast<char16_t>(virtualKey));
    switch (virtualKey) {
    case 0x08: case 0x09: case 0x0D: case 0x1B: case 0x20:
        return QChar(static_cast<char16_t>(virtualKey));
    default:
        return {};
    }
}

}  // namespace platform::qt
