// A second process for the cross-process tests. It prints one line per
// event on its standard output and ends when its standard input closes.
//
//   instance_helper serve TITLE   a dialog titled TITLE; prints "ready",
//                                 "show 1"/"show 0" and "active"
//   instance_helper start TITLE   the program's start-up: finds TITLE and
//                                 prints "second" (or "unanswered", ending
//                                 with 1, when it got no answer), or creates
//                                 it and prints "first" (or "lost" when
//                                 creation fails)
#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QWindow>

#include <cstdio>
#include <string>

#include <unistd.h>

#include "platform/messages.h"
#include "platform/qt/base/lifetime.h"
#include "platform/qt/instance/single_instance.h"
#include "platform/window.h"
#include "tests/platform/common/template_builder.h"

namespace {

void Say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

bool HelperProcedure(platform::WindowHandle window, std::uint32_t message, std::uintptr_t first,
                     std::intptr_t) {
    switch (message) {
    case platform::WM_SHOWWINDOW: Say(first != 0 ? "show 1" : "show 0"); return true;
    case platform::WM_CLOSE: platform::DestroyWindow(window); return true;
    case platform::WM_DESTROY: platform::PostQuitMessage(0); return true;
    default: return false;
    }
}

platform::WindowHandle Create(const std::u16string& title) {
    template_test::DialogSpec layout;
    layout.title = title;
    const auto bytes = template_test::BuildTemplate(layout);
    return platform::CreateModelessDialog(nullptr, bytes.data(), bytes.size(), nullptr,
                                          HelperProcedure, 0);
}

int RunUntilInputCloses(platform::WindowHandle dialog) {
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&input, dialog] {
        char buffer[64];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) {
            input.setEnabled(false);
            platform::PostMessage(dialog, platform::WM_CLOSE, 0, 0);
        }
    });
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, [](QWindow* window) {
        if (window != nullptr) Say("active");
    });
    platform::MessageRecord message{};
    while (platform::RetrieveMessage(&message) > 0) {
        if (!platform::FilterDialogMessage(dialog, &message)) platform::DispatchMessage(&message);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    QApplication application(argc, argv);
    const std::string mode = argv[1];
    const QString titleText = QString::fromUtf8(argv[2]);
    const std::u16string title(reinterpret_cast<const char16_t*>(titleText.utf16()),
                               static_cast<std::size_t>(titleText.size()));
    int result = 0;
    if (mode == "serve") {
        platform::WindowHandle dialog = Create(title);
        if (dialog == nullptr) return 3;
        Say("ready");
        result = RunUntilInputCloses(dialog);
    } else if (mode == "start") {
        if (platform::WindowHandle running = platform::FindTopLevelWindow(title.c_str())) {
            platform::ShowWindow(running, platform::SHOW_SHOW);
            platform::SetForegroundWindow(running);
            const bool answered = platform::qt::InstanceProblem().isEmpty();
            Say(answered ? "second" : "unanswered");
            result = answered ? 0 : 1;
        } else if (platform::WindowHandle dialog = Create(title)) {
            platform::ShowWindow(dialog, platform::SHOW_SHOW);
            Say("first");
            result = RunUntilInputCloses(dialog);
        } else {
            Say("lost");
        }
    }
    platform::qt::ShutDownLayer();
    return result;
}
