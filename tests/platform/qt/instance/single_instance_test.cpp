// Finding a dialog of another process by title, asking it to show itself
// and come to the front, and two processes starting at the same moment.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/instance/instance_server.h"
#include "platform/qt/instance/instance_socket.h"
#include "platform/qt/instance/single_instance.h"
#include "platform/qt/windows/window_object.h"
#include "tests/platform/descriptor_limit.h"
#include "tests/platform/qt/support/qt_test_support.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;
using platform::shared::FileDescriptor;

QByteArray SocketPath(const std::u16string& title) {
    return QFile::encodeName(qt::InstanceSocketPath(title));
}

FileDescriptor Connect(const std::u16string& title) {
    return qt::ConnectTo(SocketPath(title), 2000);
}

// True when the other side closes the connection within `timeoutMs`, while
// this process's own dialogs go on answering.
bool DroppedWithin(int socket, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        QCoreApplication::processEvents();
        pollfd ready{socket, POLLIN, 0};
        if (::poll(&ready, 1, 10) > 0) {
            char byte;
            const ssize_t count = ::recv(socket, &byte, 1, MSG_DONTWAIT);
            if (count == 0 || (count < 0 && errno != EAGAIN)) return true;
        }
    } while (Clock::now() < end);
    return false;
}

// Sets (or, given no value, unsets) an environment variable for one test
// and restores it after.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value)
        : ScopedVariable(name, value.c_str()) {}
    ScopedVariable(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        had_ = std::getenv(name) != nullptr;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedVariable() {
        if (had_) {
            ::setenv(name_, saved_.c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::string saved_;
    bool had_ = false;
};

// A private folder for tests that change what lies around the socket.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "velorwind-link-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

WindowHandle CreateTitled(const std::u16string& title) {
    qt_test::DialogSpec layout;
    layout.title = title;
    const auto bytes = qt_test::BuildTemplate(layout);
    return CreateModelessDialog(nullptr, bytes.data(), bytes.size(), nullptr,
                                qt_test::RecordingProcedure, 0);
}

QString ToQ(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A helper process; its lines are read as they come.
class Helper {
public:
    Helper(const char* mode, const std::u16string& title, const char* activationToken = nullptr) {
        process_.setProgram(QStringLiteral(VELORWIND_INSTANCE_HELPER));
        process_.setArguments({QString::fromLatin1(mode), ToQ(title)});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (activationToken != nullptr) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"),
                               QString::fromLatin1(activationToken));
            process_.setProcessEnvironment(environment);
        }
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

    WindowHandle found = FindTopLevelWindow(title.c_str());
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(qt::LiveLocalWindow(found), nullptr) << "a proxy, not a window of this process";
    EXPECT_EQ(FindTopLevelWindow((title + u"x").c_str()), nullptr);

    ShowWindow(found, SHOW_SHOW);
    EXPECT_EQ(helper.NextLine(), QStringLiteral("show 1"));
    EXPECT_FALSE(DestroyWindow(found)) << "another process's window is not ours to destroy";
}

TEST(InstanceLink, AnythingButARequestDropsTheConnection) {
    const std::u16string title = qt_test::UniqueTitle(u"garbage");
    Helper helper("serve", title);
    helper.Start();
    ASSERT_EQ(helper.NextLine(), QStringLiteral("ready"));

    for (const std::string& garbage :
         {std::string("delete everything\n"), std::string(300, 'x'),
          std::string("show now please\n"), std::string("show\r\n"), std::string("SHOW\n"),
          std::string("show \n"), "foreground " + std::string(256, 't') + "\n",
          std::string("show\0\n", 6)}) {
        const FileDescriptor socket = Connect(title);
        ASSERT_TRUE(socket.valid());
        ASSERT_TRUE(qt::SendAll(socket.get(), garbage, 2000));
        // Sooner than an idle connection would be.
        EXPECT_TRUE(DroppedWithin(socket.get(), 1500)) << garbage.substr(0, 20);
    }
    const FileDescriptor socket = Connect(title);
    ASSERT_TRUE(qt::SendAll(socket.get(), "show tok-1\n", 2000));
    EXPECT_EQ(helper.NextLine(), QStringLiteral("show 1")) << "only the real request acted on";
}

// A flood of idle connections cannot use up the descriptors: beyond the cap
// the connection idle longest goes, a request still gets through, and idle
// ones, a connection that sent one byte and stopped included, time out.
TEST(InstanceLink, ConnectionsAreCappedAndIdleOnesTimeOut) {
    const std::u16string title = qt_test::UniqueTitle(u"flood");
    Helper helper("serve", title);
    helper.Start();
    ASSERT_EQ(helper.NextLine(), QStringLiteral("ready"));

    std::vector<FileDescriptor> flood;
    const std::size_t count = qt::LINK_CONNECTIONS + 4;
    for (std::size_t i = 0; i < count; ++i) {
        flood.push_back(Connect(title));
        ASSERT_TRUE(flood.back().valid());
    }
    ASSERT_TRUE(qt::SendAll(flood.back().get(), "s", 1000));
    const FileDescriptor request = Connect(title);
    ASSERT_TRUE(qt::SendAll(request.get(), "show\n", 2000));
    EXPECT_EQ(helper.NextLine(), QStringLiteral("show 1"));
    for (std::size_t i = 0; i < count - qt::LINK_CONNECTIONS + 1; ++i) {
        EXPECT_TRUE(DroppedWithin(flood[i].get(), 1000)) << "the oldest, connection " << i;
    }
    EXPECT_FALSE(DroppedWithin(flood.back().get(), 1000)) << "the newest stays a while";
    EXPECT_TRUE(DroppedWithin(flood.back().get(), qt::LINK_IDLE_TIMEOUT.count() + 3000))
        << "one byte, then nothing: idle";
}

bool BecomesVisible(WindowHandle dialog, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!IsWindowVisible(dialog) && Clock::now() < end) QCoreApplication::processEvents();
    return IsWindowVisible(dialog);
}

// With no descriptor left for a new connection, the listener drops the
// connection idle longest to make room; with none to drop it waits and
// accepts once descriptors are back. It never stops listening.
TEST(InstanceLink, DescriptorsRunningOutNeverStopTheListener) {
    const std::u16string title = qt_test::UniqueTitle(u"exhausted");
    WindowHandle dialog = CreateTitled(title);
    ASSERT_NE(dialog, nullptr);
    // Shown once first: the undefined-behaviour sanitizer checks each new
    // object type through a pipe, which it could not open below.
    ShowWindow(dialog, SHOW_SHOW);
    qt_test::ProcessPendingEvents();
    ShowWindow(dialog, SHOW_HIDE);
    qt_test::ProcessPendingEvents();
    const FileDescriptor idle = Connect(title);
    ASSERT_FALSE(DroppedWithin(idle.get(), 200)) << "accepted";

    // Sockets are made before the limit; connecting them takes no new one.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = SocketPath(title);
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const auto* target = reinterpret_cast<const sockaddr*>(&address);
    FileDescriptor making(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    FileDescriptor waiting(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    {
        const velorwind_test::DescriptorLimit limit(0);
        ASSERT_EQ(::connect(making.get(), target, sizeof address), 0);
        ASSERT_TRUE(qt::SendAll(making.get(), "show\n", 1000));
        EXPECT_TRUE(BecomesVisible(dialog, 2000)) << "a request while descriptors are out";
        EXPECT_TRUE(DroppedWithin(idle.get(), 500)) << "the idle connection made room";
    }
    making = FileDescriptor();
    ShowWindow(dialog, SHOW_HIDE);
    qt_test::ProcessPendingEvents();
    {
        const velorwind_test::DescriptorLimit limit(0);
        ASSERT_EQ(::connect(waiting.get(), target, sizeof address), 0);
        ASSERT_TRUE(qt::SendAll(waiting.get(), "show\n", 1000));
        EXPECT_FALSE(BecomesVisible(dialog, 300)) << "nothing to drop: it must wait";
    }
    EXPECT_TRUE(BecomesVisible(dialog, 2000)) << "accepted once descriptors are back";
    DestroyWindow(dialog);
}

// A start that finds anything but a socket in the socket's place cannot
// tell whether an instance runs: it makes no dialog, says why and leaves the
// thing there. It never connects through a link.
TEST(InstanceLink, AnythingButASocketInItsPlaceRefusesTheStart) {
    const ScratchFolder scratch;
    const QByteArray elsewhere =
        QFile::encodeName(QString::fromStdString(scratch.path() + "/live"));
    const FileDescriptor live = qt::ListenAt(elsewhere);
    ASSERT_TRUE(live.valid());
    const struct {
        const char* name;
        void (*put)(const std::string& path, const std::string& target);
    } cases[] = {
        {"folder", [](const std::string& path,
                      const std::string&) { std::filesystem::create_directory(path); }},
        {"link to a live socket",
         [](const std::string& path, const std::string& target) {
             std::filesystem::create_symlink(target, path);
         }},
        {"file",
         [](const std::string& path, const std::string&) {
             QFile(QString::fromStdString(path)).open(QIODevice::WriteOnly);
         }},
        {"fifo", [](const std::string& path, const std::string&) { ::mkfifo(path.c_str(), 0600); }},
    };
    for (const auto& c : cases) {
        const std::u16string title = qt_test::UniqueTitle(u"in the way");
        const std::string path = SocketPath(title).toStdString();
        c.put(path, elsewhere.toStdString());
        EXPECT_EQ(FindTopLevelWindow(title.c_str()), nullptr) << c.name;
        EXPECT_EQ(CreateTitled(title), nullptr) << c.name;
        EXPECT_TRUE(qt::InstanceProblem().contains(QStringLiteral("in the way"))) << c.name;
        struct stat info {};
        EXPECT_EQ(::lstat(path.c_str(), &info), 0) << c.name << " left in place";
        EXPECT_FALSE(S_ISSOCK(info.st_mode)) << c.name;
        std::filesystem::remove(path);
    }
}

// A runtime folder another user could enter, or one that belongs to another
// user, is no place for the socket: the start is refused, with the reason.
TEST(InstanceLink, ARuntimeFolderOthersCanEnterRefusesTheStart) {
    const ScratchFolder scratch;
    const std::string open = scratch.path() + "/open";
    const std::string shared = scratch.path() + "/shared";
    const std::string foreign = scratch.path() + "/foreign";
    const std::string file = scratch.path() + "/file";
    std::filesystem::create_directory(open);
    ::chmod(open.c_str(), 0755);
    std::filesystem::create_directory(shared);
    ::chmod(shared.c_str(), 0770);
    std::filesystem::create_directory(foreign);
    ::chmod(foreign.c_str(), 0700);
    const bool foreignOwned = ::getuid() == 0 && ::chown(foreign.c_str(), 65534, 65534) == 0;
    QFile(QString::fromStdString(file)).open(QIODevice::WriteOnly);
    const struct {
        std::string folder;
        const char* reason;
    } cases[] = {
        {open, "open to other users"},
        {shared, "open to other users"},
        {foreign, "belongs to another user"},
        {file, "not a folder"},
        {"relative/run", "not an absolute path"},
    };
    for (const auto& c : cases) {
        if (c.folder == foreign && !foreignOwned) {
            std::printf("skipped: a folder of another user needs root to make\n");
            continue;
        }
        const ScopedVariable runtime("XDG_RUNTIME_DIR", c.folder);
        EXPECT_EQ(CreateTitled(qt_test::UniqueTitle(u"runtime")), nullptr) << c.folder;
        EXPECT_TRUE(qt::InstanceProblem().contains(QString::fromLatin1(c.reason)))
            << c.folder << ": " << qt::InstanceProblem().toStdString();
    }
}

// Without XDG_RUNTIME_DIR the socket lives in a folder of this user's own
// under the home folder's cache folder, which no other user can make first
// (as anyone can under /tmp), also when the home folder's path is too long
// for a socket address. A home folder that cannot hold it refuses the start.
TEST(InstanceLink, WithoutARuntimeFolderTheSocketLivesInTheHomeFolder) {
    const ScratchFolder scratch;
    const std::string deep =
        scratch.path() + "/" + std::string(60, 'd') + "/" + std::string(60, 'e');
    std::filesystem::create_directories(deep);
    std::filesystem::create_directory(scratch.path() + "/home");
    QFile(QString::fromStdString(scratch.path() + "/file")).open(QIODevice::WriteOnly);
    const struct {
        std::string home;
        std::string cache;   // XDG_CACHE_HOME, when set
        std::string folder;  // where the socket's folder is; empty: refused
        const char* reason;
    } cases[] = {
        {scratch.path() + "/home", "", scratch.path() + "/home/.cache", nullptr},
        {deep, "", deep + "/.cache", nullptr},
        {scratch.path() + "/home", scratch.path() + "/cache", scratch.path() + "/cache", nullptr},
        {scratch.path() + "/missing", "", "", "No such file or directory"},
        {scratch.path() + "/file", "", "", "Not a directory"},
    };
    for (const auto& c : cases) {
        const ScopedVariable home("HOME", c.home);
        const ScopedVariable cache("XDG_CACHE_HOME", c.cache);
        const ScopedVariable runtime("XDG_RUNTIME_DIR", nullptr);
        const std::u16string title = qt_test::UniqueTitle(u"home");
        WindowHandle dialog = CreateTitled(title);
        const QString path = qt::InstanceSocketPath(title);
        if (c.reason != nullptr) {
            EXPECT_EQ(dialog, nullptr) << c.home;
            EXPECT_TRUE(qt::InstanceProblem().contains(QString::fromLatin1(c.reason)))
                << c.home << ": " << qt::InstanceProblem().toStdString();
            continue;
        }
        ASSERT_NE(dialog, nullptr) << c.home << ": " << qt::InstanceProblem().toStdString();
        EXPECT_TRUE(path.startsWith(QString::fromStdString(c.folder + "/velorwind-")))
            << path.toStdString();
        struct stat folder {};
        ASSERT_EQ(
            ::lstat(QFile::encodeName(path.left(path.lastIndexOf(u'/'))).constData(), &folder), 0);
        EXPECT_EQ(folder.st_mode & 07777, 0700u);
        Helper second("start", title);
        second.Start();
        EXPECT_EQ(second.NextAnswer(), QStringLiteral("second")) << c.home;
        DestroyWindow(dialog);
    }
}

// The running instance keeps its socket: removed, or replaced by a folder,
// a link or a file, it is made again, so a second start still finds it.
TEST(InstanceLink, TheRunningInstanceKeepsItsSocketPath) {
    const std::u16string title = qt_test::UniqueTitle(u"kept");
    WindowHandle dialog = CreateTitled(title);
    ASSERT_NE(dialog, nullptr);
    const std::string path = SocketPath(title).toStdString();
    const struct {
        const char* name;
        void (*put)(const std::string& path);
    } cases[] = {
        {"removed", [](const std::string&) {}},
        {"folder", [](const std::string& path) { std::filesystem::create_directory(path); }},
        {"link",
         [](const std::string& path) { std::filesystem::create_symlink("/dev/null", path); }},
        {"file",
         [](const std::string& path) {
             QFile(QString::fromStdString(path)).open(QIODevice::WriteOnly);
         }},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(std::filesystem::remove(path)) << c.name;
        c.put(path);
        const auto end = Clock::now() + std::chrono::seconds(3);
        while (!std::filesystem::is_socket(std::filesystem::symlink_status(path)) &&
               Clock::now() < end) {
            QCoreApplication::processEvents();
        }
        Helper second("start", title);
        second.Start();
        EXPECT_EQ(second.NextAnswer(), QStringLiteral("second")) << c.name;
    }
    DestroyWindow(dialog);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(path)));
}

// A second start hands its activation token over with both requests, and
// waits for the answer to each: only an answered start ends with 0. A
// socket that takes the request and never answers (a stopped process, or
// one that a hung file system keeps from dying) has it say so and end with 1.
TEST(InstanceLink, ASecondStartEndsWellOnlyWhenItsRequestsAreAnswered) {
    const struct {
        bool answering;
        const char* said;
        int exitCode;
        const char* received;
    } cases[] = {
        {true, "second", 0, "show tok-42_x\nforeground tok-42_x\n"},
        {false, "unanswered", 1, "show tok-42_x\n"},
    };
    for (const auto& c : cases) {
        const std::u16string title = qt_test::UniqueTitle(u"token");
        const QByteArray path = SocketPath(title);
        const FileDescriptor listener = qt::ListenAt(path);
        ASSERT_TRUE(listener.valid());
        Helper second("start", title, "tok-42_x");
        second.Start();
        pollfd pending{listener.get(), POLLIN, 0};
        ASSERT_EQ(::poll(&pending, 1, 5000), 1);
        const FileDescriptor connection(::accept(listener.get(), nullptr, nullptr));
        ASSERT_TRUE(connection.valid());
        std::string received;
        char buffer[256];
        ssize_t count = 0;
        while ((count = ::recv(connection.get(), buffer, sizeof buffer, 0)) > 0) {
            received.append(buffer, count);
            if (c.answering && received.ends_with('\n'))
                ::send(connection.get(), "ok\n", 3, MSG_NOSIGNAL);
        }
        EXPECT_EQ(second.NextAnswer(), QString::fromLatin1(c.said));
        EXPECT_TRUE(second.Finished(15000));
        EXPECT_EQ(second.ExitCode(), c.exitCode) << c.said;
        EXPECT_EQ(received, c.received);
        ::unlink(path.constData());
    }
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

bool DestroyWhenShown(WindowHandle window, std::uint32_t message, std::uintptr_t first,
                      std::intptr_t) {
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
    ASSERT_TRUE(QFile::exists(qt::InstanceSocketPath(title))) << "the socket outlives the process";

    EXPECT_EQ(FindTopLevelWindow(title.c_str()), nullptr);
    qt_test::DialogSpec layout;
    layout.title = title;
    const auto bytes = qt_test::BuildTemplate(layout);
    WindowHandle dialog = CreateModelessDialog(nullptr, bytes.data(), bytes.size(), nullptr,
                                               qt_test::RecordingProcedure, 0);
    ASSERT_NE(dialog, nullptr);
    DestroyWindow(dialog);
    EXPECT_FALSE(QFile::exists(qt::InstanceSocketPath(title))) << "removed with its dialog";
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
