#include "platform/qt/base/display_check.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include <unistd.h>

namespace platform::qt {

namespace {

// While Qt connects, what anybody writes on standard error (Qt's messages,
// the window-system libraries' own complaints) goes to a file of no name;
// it reaches the real standard error only once the display is open.
struct GuardState {
    bool displayInUse = false;
    bool atExitRegistered = false;
    QtMessageHandler previous = nullptr;
    int realError = -1;
    std::FILE* held = nullptr;
    std::string explanation;
};

GuardState& Guard() {
    static GuardState state;
    return state;
}

void WriteAll(int descriptor, const char* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(descriptor, bytes, count);
        if (written <= 0) return;
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
}

void GuardMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        if (Guard().previous != nullptr) {
            Guard().previous(type, context, text);
        } else {
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        }
        return;
    }
    // Qt aborts when this returns; what it and the libraries said before is
    // advice for packagers, dropped with the held file.
    const std::string line = std::string(NoDisplayExplanation()) + "\n";
    WriteAll(Guard().realError >= 0 ? Guard().realError : STDERR_FILENO, line.data(), line.size());
    std::_Exit(EXIT_NO_DISPLAY);
}

void HoldStandardError() {
    std::fflush(stderr);
    Guard().held = std::tmpfile();
    if (Guard().held == nullptr) return;
    Guard().realError = ::dup(STDERR_FILENO);
    if (Guard().realError < 0 || ::dup2(::fileno(Guard().held), STDERR_FILENO) < 0) {
        if (Guard().realError >= 0) ::close(Guard().realError);
        Guard().realError = -1;
        std::fclose(Guard().held);
        Guard().held = nullptr;
    }
}

void ReleaseStandardError() {
    if (Guard().held == nullptr) return;
    std::fflush(stderr);
    ::dup2(Guard().realError, STDERR_FILENO);
    ::close(Guard().realError);
    Guard().realError = -1;
    std::rewind(Guard().held);
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, Guard().held)) > 0;) {
        WriteAll(STDERR_FILENO, buffer, count);
    }
    std::fclose(Guard().held);
    Guard().held = nullptr;
}

void EndAtOnceWhenTheDisplayIsGone() {
    if (Guard().displayInUse) std::_Exit(EXIT_NO_DISPLAY);
}

}  // namespace

void GuardAgainstDisplayLoss() {
    Guard().displayInUse = true;
    // Handlers registered later run first: this one runs after whatever was
    // registered before the program started and before what Qt registered.
    if (!Guard().atExitRegistered)
        Guard().atExitRegistered = std::atexit(EndAtOnceWhenTheDisplayIsGone) == 0;
}

void EndDisplayLossGuard() { Guard().displayInUse = false; }

const char* NoDisplayExplanation() {
    const QByteArray x11 = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    std::string line = "velorwind: ";
    if (!platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland")) {
        line += "cannot open the window system \"" + platform.toStdString() + "\"";
    } else if (x11.isEmpty() && wayland.isEmpty()) {
        line += "no display to show on: neither DISPLAY nor WAYLAND_DISPLAY is set";
    } else if (wayland.isEmpty() || platform.startsWith("xcb")) {
        line += "cannot open display \"" + x11.toStdString() + "\"";
    } else if (x11.isEmpty() || platform.startsWith("wayland")) {
        line += "cannot open Wayland display \"" + wayland.toStdString() + "\"";
    } else {
        line += "cannot open display \"" + x11.toStdString() + "\" nor Wayland display \"" +
                wayland.toStdString() + "\"";
    }
    Guard().explanation = std::move(line);
    return Guard().explanation.c_str();
}

void ChooseWindowSystem() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "wayland");
    }
}

void GuardDisplayConnection() {
    HoldStandardError();
    Guard().previous = qInstallMessageHandler(GuardMessage);
}

void EndDisplayGuard() {
    qInstallMessageHandler(Guard().previous);
    Guard().previous = nullptr;
    ReleaseStandardError();
}

}  // namespace platform::qt
