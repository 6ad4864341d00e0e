#include "platform/qt/base/activation.h"

#include <QWidget>
#include <QtGlobal>

#include "platform/qt/base/x11_connection.h"

#include <algorithm>
#include <utility>

namespace platform::qt {

namespace {

constexpr qsizetype LONGEST_TOKEN = 255;

QByteArray& PendingToken() {
    static auto* token = new QByteArray();  // kept: see lifetime.h
    return *token;
}

}  // namespace

bool IsWellFormedActivationToken(const QByteArray& token) {
    if (token.isEmpty() || token.size() > LONGEST_TOKEN) return false;
    return std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

void AcceptActivationToken(const QByteArray& token) {
    if (IsWellFormedActivationToken(token)) PendingToken() = token;
}

// Qt's Wayland plug-in reads the token from the environment, where a
// launcher leaves it for a program it starts, and takes it away once used.
void BringToFront(QWidget& frame) {
    const QByteArray token = std::exchange(PendingToken(), QByteArray());
    if (!token.isEmpty()) qputenv("XDG_ACTIVATION_TOKEN", token);
    frame.raise();
    frame.activateWindow();
    if (!token.isEmpty()) qunsetenv("XDG_ACTIVATION_TOKEN");
    ActivateX11Window(frame.internalWinId());
}

QByteArray TakeStartupActivationToken() {
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("XDG_ACTIVATION_TOKEN");
    return IsWellFormedActivationToken(token) ? token : QByteArray();
}

}  // namespace platform::qt
