// Windows, dialogs and their controls.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace platform {

// Show commands.
constexpr std::int32_t SHOW_HIDE = 0;
constexpr std::int32_t SHOW_SHOW = 5;

// Window messages.
constexpr std::uint32_t WM_DESTROY = 0x0002;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_QUIT = 0x0012;
constexpr std::uint32_t WM_SHOWWINDOW = 0x0018;
constexpr std::uint32_t WM_SETICON = 0x0080;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_CHAR = 0x0102;
constexpr std::uint32_t WM_INITDIALOG = 0x0110;
constexpr std::uint32_t WM_COMMAND = 0x0111;
constexpr std::uint32_t WM_TIMER = 0x0113;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;

// WM_SETICON's first parameter.
constexpr std::uintptr_t ICON_SMALL = 0;
constexpr std::uintptr_t ICON_BIG = 1;

// Commands of WM_COMMAND (low 16 bits of the first parameter).
constexpr std::uint16_t COMMAND_OK = 1;
constexpr std::uint16_t COMMAND_CANCEL = 2;

// Virtual keys of WM_KEYDOWN.
constexpr std::uintptr_t KEY_RETURN = 0x0D;
constexpr std::uintptr_t KEY_ESCAPE = 0x1B;

// Window styles read from dialog templates.
constexpr std::uint32_t STYLE_POPUP = 0x80000000;
constexpr std::uint32_t STYLE_CHILD = 0x40000000;
constexpr std::uint32_t STYLE_VISIBLE = 0x10000000;
constexpr std::uint32_t STYLE_CAPTION = 0x00C00000;
constexpr std::uint32_t STYLE_SYSTEM_MENU = 0x00080000;
constexpr std::uint32_t STYLE_GROUP = 0x00020000;
constexpr std::uint32_t STYLE_MODAL_FRAME = 0x00000080;
constexpr std::uint32_t STYLE_SET_FONT = 0x00000040;
constexpr std::uint32_t STATIC_LEFT = 0x00000000;
constexpr std::uint32_t STATIC_GRAY_FRAME = 0x00000008;
constexpr std::uint32_t EXSTYLE_RIGHT = 0x00001000;
constexpr std::uint32_t EXSTYLE_CAPTION_OK = 0x80000000;

// The predefined class number of static controls in a dialog template.
constexpr std::uint16_t CLASS_STATIC = 0x0082;

// Answers a dialog's messages; true when it handled the message.
using DialogProcedure = bool (*)(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                                 std::intptr_t second);

// A top-level window whose title is exactly `title`, of any class, in this
// process or in another; null if none.
WindowHandle FindTopLevelWindow(const char16_t* title);

// The screen less the task bar or panels.
bool QueryWorkArea(Rect* area);

// Creates a modeless dialog from a template in memory of `templateBytes`
// bytes. WM_INITDIALOG with `parameter` reaches `procedure` before this
// returns. Null when the template is malformed or the window cannot be made.
WindowHandle CreateModelessDialog(InstanceHandle instance, const void* dialogTemplate,
                                  std::size_t templateBytes, WindowHandle parent,
                                  DialogProcedure procedure, std::intptr_t parameter);

// Returns whether the window was visible before. WM_SHOWWINDOW reaches the
// dialog procedure when the visibility changes.
bool ShowWindow(WindowHandle window, std::int32_t command);
bool SetForegroundWindow(WindowHandle window);
WindowHandle GetForegroundWindow();
bool IsWindowVisible(WindowHandle window);

// WM_DESTROY reaches the dialog procedure before this returns.
bool DestroyWindow(WindowHandle window);

// Delivers the message to the window's procedure at once.
std::intptr_t SendMessage(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                          std::intptr_t second);

bool SetDialogItemText(WindowHandle dialog, std::int32_t id, const char16_t* text);

WindowHandle GetDialogItem(WindowHandle dialog, std::int32_t id);

// The client area: 0, 0, width, height.
bool GetClientRect(WindowHandle window, Rect* rect);

}  // namespace platform
