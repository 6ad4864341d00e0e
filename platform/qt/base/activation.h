// Activation tokens: the permission a Wayland compositor gives one program
// to bring its window to the front on behalf of another (xdg-activation).
//
// A second start hands the token it was started with to the running
// instance, and a StatusNotifierItem host may hand one over before an
// activation. The layer keeps the latest token and spends it on the next
// request to bring a dialog to the front.
#pragma once

#include <QByteArray>

class QWidget;

namespace platform::qt {

// Keeps `token` for the next activation; an empty token is ignored.
void AcceptActivationToken(const QByteArray& token);

// The token this process was started with (XDG_ACTIVATION_TOKEN), taken
// from the environment so that nothing started later inherits it; empty
// when there was none or it was not a well-formed token.
QByteArray TakeStartupActivationToken();

// Raises `frame` and asks for it to be activated, spending the kept token
// on it (a Wayland compositor then lets it come to the front).
void BringToFront(QWidget& frame);

// A token is 1 to 255 printable ASCII characters without blanks.
bool IsWellFormedActivationToken(const QByteArray& token);

}  // namespace platform::qt
