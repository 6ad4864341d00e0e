// What is asked of the X server directly: where Qt's answer comes late, and
// where Qt's way costs a round trip each second.
#pragma once

#include <QImage>
#include <QWindow>

#include <optional>

namespace platform::qt {

// The window that has the input focus; no value when the display is not
// an X server, 0 when no window has it. Qt learns of a change of focus from
// events, and reports the loss of focus some 400 ms late (so that a focus
// passed between two of its own windows does not flicker); a tap on the
// icon just after another program took the focus would then find the dialog
// still in front. Asking the server costs one round trip, made only when
// the answer is needed.
std::optional<WId> X11InputFocus();

// Makes `window` (a top-level window of this program) the active one, as a
// user action on the notification icon or a second start asks; false when
// the display is not an X server. Qt asks with the time of the last event
// it saw, which the server and window managers refuse once anything else
// took the focus later, as always when the request answers a D-Bus call or
// another process. A window manager gets the request as a pager's (EWMH
// source 2, the user asked elsewhere); without one, the focus is set.
bool ActivateX11Window(WId window);

// Sends the X server what was asked of it since the last time (a raise, a
// map, a change of focus). Qt sends its requests after reading the server's
// events, not before the loop sleeps: a request made in answer to anything
// else (a D-Bus call, a timer) would wait for the next X event.
void FlushX11Requests();

// Puts the pixels of `part` of `image` (opaque, Format_RGB32, in device
// pixels) on the X11 window `window` at `to` (in its pixels), as one plain
// image request, sent with the next FlushX11Requests (the message loop's,
// before it sleeps); false, having asked nothing, when the display
// is not an X server or the window does not hold pixels as the image does
// (a depth or layout other than 24 bits of red, green and blue in 32).
//
// Qt's backing store sends through shared memory, and must then wait for
// the server to have read the memory before it writes there again: a round
// trip before each refresh of a gauge, most of what a changed gauge costs.
// A gauge's changed part is a few kilobytes, as cheap to send as it is. The
// caller keeps the backing store's copy up to date, so that what Qt sends
// from it later (when the window is exposed) is the same picture.
bool PutImageOnX11Window(WId window, const QImage& image, const QRect& part, const QPoint& to);

}  // namespace platform::qt
