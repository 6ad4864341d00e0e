// Finding a dialog of another process by title, asking it to show itself
// and come to the front, and two processes starting at the same moment.
#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "platform/qt/instance_link.h"
#include "platform/qt/window_object.h"
#include "tests/platform/qt/qt_test_support.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

QString ToQ(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A helper process; its lines are read as they come.
class Helper {
public:
    Helper(const char* mode, const std::u16string& title) {
        process_.setProgram(QStringLiteral(VELORWIND_INSTANCE_HELPER));
        process_.setArguments({QString::fromLatin1(mode), ToQ(title)});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~Helper() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished(1000);
    }
    void Start() { process_.start(); }

    // The next line, or empty after the timeout.
    QString NextLine(int timeoutMs = 5000) {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!process_.canReadLine()) {
            // The test's own dialogs answer requests while it waits.
            QCoreApplication::processEvents();
            if (Clock::now() > end) return {};
            process_.waitForReadyRead(10);
        }
        return QString::fromUtf8(process_.readLine()).trimmed();
    }

    // The next line that answers the start-up, past the dialog's own events.
    QString NextAnswer() {
        QString line = NextLine();
        while (line.startsWith(u"show") || line == u"active") line = NextLine();
        return line;
    }

    void Kill() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool Finished(int timeoutMs = 5000) { return process_.waitForFinished(timeoutMs); }
    int ExitCode() const { return process_.exitCode(); }

private:
    QProcess process_;
};

TEST(InstanceLink, FindsAndShowsTheDialogOfAnotherProcess) {
    const std::u16string title = qt_test::UniqueTitle(u"Velorwind - ｼｽﾃﾑ情報");
    Helper helper("serve", title);
    helper.Start();
    ASSERT_EQ(helper.NextLine(), QStringLiteral("ready"));

    WindowHandle found = FindTopLevelWindow(nullptr, title.c_str());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(qt::LiveLocalWindow(found), nullptr) << "a proxy, not a window of this process";
    EXPECT_EQ(FindTopLevelWindow(nullptr, (title + u"x").c_str()), nullptr);
    EXPECT_EQ(FindTopLevelWindow(u"#32770", title.c_str()), found);
    EXPECT_EQ(FindTopLevelWindow(u"Edit", title.c_str()), nullptr);

    ShowWindow(found, SHOW_SHOW);
    EXPECT_EQ(helper.NextLine(), QStringLiteral("show 1"));
    EXPECT_FALSE(DestroyWindow(found)) << "another process's window is not ours to destroy";
}

TEST(InstanceLink, AnythingButARequestDropsTheConnection) {
    const std::u16string title = qt_test::UniqueTitle(u"garbage");
    Helper helper("serve", title);
    helper.Start();
    ASSERT_EQ(helper.NextLine(), QStringLiteral("ready"));

    for (const QByteArray& garbage : {QByteArray("delete everything\n"), QByteArray(100, 'x'),
                                      QByteArray("show now\n")}) {
        QLocalSocket socket;
        socket.connectToServer(qt::TitleSocketPath(title));
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(garbage);
        socket.waitForBytesWritten(2000);
        EXPECT_TRUE(socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(2000))
            << garbage.constData();
    }
    WindowHandle found = FindTopLevelWindow(nullptr, title.c_str());
    ASSERT_NE(found, nullptr);
    ShowWindow(found, SHOW_SHOW);
    EXPECT_EQ(helper.NextLine(), QStringLiteral("show 1")) << "only the real request acted on";
}

TEST(InstanceLink, ASecondStartShowsAndActivatesThisProcessDialog) {
    qt_test::DialogSpec layout;
    layout.title = u"serving";
    WindowHandle dialog = qt_test::CreateDialog(layout);
    WindowHandle other = qt_test::CreateDialog(qt_test::DialogSpec{});
    ASSERT_NE(dialog, nullptr);
    ShowWindow(other, SHOW_SHOW);
    qt_test::ProcessPendingEvents();
    ASSERT_EQ(GetForegroundWindow(), other);
    qt_test::Deliveries().clear();

    Helper second("start", qt::LiveLocalWindow(dialog)->text);
    second.Start();
    EXPECT_EQ(second.NextAnswer(), QStringLiteral("second"));
    EXPECT_TRUE(second.Finished());
    EXPECT_EQ(second.ExitCode(), 0);

    // The requests are answered from the event loop.
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (GetForegroundWindow() != dialog && Clock::now() < end) QCoreApplication::processEvents();
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetForegroundWindow(), dialog);
    EXPECT_EQ(qt_test::DeliveriesOf(WM_SHOWWINDOW).size(), 1u);
    DestroyWindow(dialog);
    DestroyWindow(other);
}

bool DestroyWhenShown(WindowHandle window, std::uint32_t message, std::uintptr_t first, std::intptr_t) {
    if (message == WM_SHOWWINDOW && first != 0) DestroyWindow(window);
    return false;
}

// The request reaches a procedure that destroys its dialog, and with it the
// socket the request came in on.
TEST(InstanceLink, ARequestMayEndTheDialogItShows) {
    qt_test::DialogSpec layout;
    layout.title = qt_test::UniqueTitle(u"short-lived");
    const auto bytes = qt_test::BuildTemplate(layout);
    WindowHandle dialog =
        CreateModelessDialog(nullptr, bytes.data(), bytes.size(), nullptr, DestroyWhenShown, 0);
    ASSERT_NE(dialog, nullptr);
    Helper second("start", layout.title);
    second.Start();
    EXPECT_EQ(second.NextAnswer(), QStringLiteral("second"));
    EXPECT_TRUE(second.Finished());
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (qt::LiveLocalWindow(dialog) != nullptr && Clock::now() < end) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(qt::LiveLocalWindow(dialog), nullptr);
    qt_test::ProcessPendingEvents();  // the foreground request finds no dialog
}

TEST(InstanceLink, ASocketLeftByACrashDoesNotBlockANewDialog) {
    const std::u16string title = qt_test::UniqueTitle(u"crashed");
    Helper helper("serve", title);
    helper.Start();
    ASSERT_EQ(helper.NextLine(), QStringLiteral("ready"));
    helper.Kill();
    ASSERT_TRUE(QFile::exists(qt::TitleSocketPath(title))) << "the socket outlives the process";

    EXPECT_EQ(FindTopLevelWindow(nullptr, title.c_str()), nullptr);
    qt_test::DialogSpec layout;
    layout.title = title;
    const auto bytes = qt_test::BuildTemplate(layout);
    WindowHandle dialog = CreateModelessDialog(nullptr, bytes.data(), bytes.size(), nullptr,
                                               qt_test::RecordingProcedure, 0);
    ASSERT_NE(dialog, nullptr);
    DestroyWindow(dialog);
    EXPECT_FALSE(QFile::exists(qt::TitleSocketPath(title))) << "removed with its dialog";
}

TEST(InstanceLink, DialogCreationFailsWhileAnotherProcessHoldsTheTitle) {
    const std::u16string title = qt_test::UniqueTitle(u"held");
    Helper helper("serve", title);
    helper.Start();
    ASSERT_EQ(helper.NextLine(), QStringLiteral("ready"));
    qt_test::DialogSpec layout;
    layout.title = title;
    const auto bytes = qt_test::BuildTemplate(layout);
    qt_test::Deliveries().clear();
    EXPECT_EQ(CreateModelessDialog(nullptr, bytes.data(), bytes.size(), nullptr,
                                   qt_test::RecordingProcedure, 0),
              nullptr);
    EXPECT_TRUE(qt_test::Deliveries().empty()) << "refused before initialisation";
}

// Started together, exactly one of two programs keeps running.
TEST(InstanceLink, TwoProgramsStartedAtOnceEndWithOneInstance) {
    for (int round = 0; round < 5; ++round) {
        const std::u16string title = qt_test::UniqueTitle(u"race");
        auto first = std::make_unique<Helper>("start", title);
        auto second = std::make_unique<Helper>("start", title);
        first->Start();
        second->Start();
        const QString answers[] = {first->NextAnswer(), second->NextAnswer()};
        int running = 0;
        for (const QString& answer : answers) {
            EXPECT_TRUE(answer == u"first" || answer == u"second" || answer == u"lost")
                << answer.toStdString();
            running += answer == u"first";
        }
        EXPECT_EQ(running, 1) << "round " << round;
    }
}

}  // namespace
