#include "platform/qt/activation.h"

#include <QtGlobal>

#include <algorithm>

namespace platform::qt {

namespace {

constexpr qsizetype LONGEST_TOKEN = 255;

QByteArray& PendingToken() {
    static QByteArray token;
    return token;
}

}  // namespace

bool IsWellFormedActivationToken(const QByteArray& token) {
    if (token.isEmpty() || token.size() > LONGEST_TOKEN) return false;
    return std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

void AcceptActivationToken(const QByteArray& token) {
    if (IsWellFormedActivationToken(token)) PendingToken() = token;
}

QByteArray TakeStartupActivationToken() {
    const QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    qunsetenv("XDG_ACTIVATION_TOKEN");
    return IsWellFormedActivationToken(token) ? token : QByteArray();
}

}  // namespace platform::qt
