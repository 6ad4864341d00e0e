// The process entry: the one QApplication, then the program's entry
// function, given the program image and the start-up show command.
#include <malloc.h>

#include <QApplication>
#include <QGuiApplication>
#include <QPixmapCache>
#include <QStringList>

#include <string>

#include "platform/entry.h"
#include "platform/module.h"
#include "platform/qt/base/display_check.h"
#include "platform/qt/base/end_signals.h"
#include "platform/qt/base/lifetime.h"
#include "platform/qt/base/qt_text.h"
#include "platform/qt/instance/single_instance.h"
#include "platform/qt/messages/message_queue.h"
#include "platform/window.h"

namespace {

// The arguments after the program's name, joined by spaces, those with a
// space quoted: the command line as the platform hands it to a program.
std::u16string CommandLine() {
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty()) arguments.removeFirst();
    for (QString& argument : arguments) {
        if (argument.contains(QLatin1Char(' ')))
            argument = QLatin1Char('"') + argument + QLatin1Char('"');
    }
    return platform::qt::ToU16String(arguments.join(QLatin1Char(' ')));
}

// Settings that keep a resident program light, applied unless the user has
// chosen otherwise: Qt's own event dispatcher wakes less often than GLib's.
// The window's pixels go to the X server through shared memory (Qt's
// default): a private copy would add the whole window, four bytes a pixel,
// to what the program alone holds, and with the gauges put on screen
// straight from their surfaces the processor time is the same either way.
void PreferLightSettings() {
    // One heap for all threads: what a thread freed after a burst of calls
    // on the bus (each message is taken apart on Qt's bus thread) can then
    // be given back to the system, where a heap of that thread's own would
    // keep megabytes of it for good (see platform/qt/shell/bus_bursts.h).
    // The program's few threads seldom allocate at the same moment.
    ::mallopt(M_ARENA_MAX, 1);
    // Large blocks (the icon's biggest images as they are decoded, a
    // burst's messages) are mapped apart and given back whole when freed.
    // Setting the bound keeps the allocator from raising it after the first
    // such block is freed, which would put the next ones in the heap, where
    // what is freed stays.
    ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
    // The dialog draws with its own fonts and colours; the desktop's theme
    // plug-in (all of GTK on GNOME and its kin) would add megabytes and tens
    // of milliseconds at start for nothing.
    QGuiApplication::setDesktopSettingsAware(false);
}

// Qt keeps scaled icons in its pixmap cache, and every insertion arms a
// timer that trims the cache 30 s later, over and over while anything is
// left in it: painting the window's or the tray's icon would wake the
// hidden program half a minute on. The few pixmaps it would keep are
// cheap to make again, so nothing is kept and no such timer is ever armed.
void KeepNoPixmapCache() { QPixmapCache::setCacheLimit(0); }

}  // namespace

int main(int argc, char** argv) {
    platform::qt::CatchEndSignals();
    PreferLightSettings();
    platform::qt::ChooseWindowSystem();
    platform::qt::GuardDisplayConnection();
    QApplication application(argc, argv);
    platform::qt::EndDisplayGuard();
    KeepNoPixmapCache();
    // How the desktop names the program: the notification area's title, and
    // the menu entry (velorwind.desktop) a Wayland compositor matches the
    // window and its activation requests to.
    QCoreApplication::setApplicationName(QStringLiteral("Velorwind"));
    QGuiApplication::setDesktopFileName(QStringLiteral("velorwind"));
    // The program ends when its entry function returns, not when its last
    // window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    // SIGTERM, SIGINT and SIGHUP close the dialog as its close button does.
    platform::qt::AnswerEndSignals(platform::qt::AskEveryDialogToClose);
    const std::u16string commandLine = CommandLine();
    platform::qt::GuardAgainstDisplayLoss();
    const std::int32_t result = platform::ProgramEntry(platform::ProgramImage(), nullptr,
                                                       commandLine.c_str(), platform::SHOW_SHOW);
    platform::qt::EndDisplayLossGuard();
    platform::qt::ShutDownLayer();
    // The entry function ends with 0 on every path; a single-instance link
    // that could not be made was reported on standard error and must not
    // look like success.
    if (!platform::qt::InstanceProblem().isEmpty()) return 1;
    return result;
}
