#include "platform/qt/instance/single_instance.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>

#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/qt/base/activation.h"
#include "platform/qt/base/end_signals.h"
#include "platform/qt/base/lifetime.h"
#include "platform/qt/instance/instance_protocol.h"
#include "platform/qt/instance/instance_server.h"
#include "platform/qt/instance/instance_socket.h"
#include "platform/qt/windows/window_object.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

constexpr int CONNECT_TIMEOUT_MS = 1000;
constexpr int WRITE_TIMEOUT_MS = 1000;
constexpr auto LOCK_TIMEOUT = std::chrono::milliseconds(3000);
// How long a second start waits for the running instance to answer. That
// instance answers as soon as its loop takes the request, and its loop
// never waits on anything slower than a status read's bound (a tenth of a
// second a volume, once for each volume that has just stopped answering):
// on a machine that works, the answer is in within milliseconds. Ten
// seconds leaves room for a machine that swaps or a session that starts
// everything at once, and is still short enough that a start from a
// launcher does not hang about unnoticed. A process that has not answered
// by then is stopped or cannot run: the start says so and ends with 1,
// since another start beside a live process would make two instances.
constexpr int ANSWER_TIMEOUT_MS = 10000;

QString& LastProblem() {
    static auto* problem = new QString();  // kept: see lifetime.h
    return *problem;
}

// Empty when the folder at `path` is this user's alone; else what is wrong.
QString PrivacyProblem(const QByteArray& path) {
    const QString name = QFile::decodeName(path);
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) {
        return QStringLiteral("the runtime folder %1 cannot be used: %2")
            .arg(name, QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISDIR(info.st_mode)) {
        return QStringLiteral("the runtime folder %1 is not a folder").arg(name);
    }
    if (info.st_uid != ::getuid()) {
        return QStringLiteral("the runtime folder %1 belongs to another user (uid %2)")
            .arg(name)
            .arg(info.st_uid);
    }
    if ((info.st_mode & 077) != 0) {
        return QStringLiteral("the runtime folder %1 is open to other users (mode %2)")
            .arg(name)
            .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
    }
    return {};
}

// The title as UTF-16 in little-endian order, whatever the host's order.
QByteArray TitleBytes(const std::u16string& title) {
    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(title.size() * 2));
    for (const char16_t unit : title) {
        bytes.append(static_cast<char>(unit & 0xFF));
        bytes.append(static_cast<char>(unit >> 8));
    }
    return bytes;
}

// The listener of each of this process's dialogs; it goes with its dialog.
std::map<const WindowObject*, std::unique_ptr<TitleServer>>& TitleServers() {
    static auto* servers =
        new std::map<const WindowObject*, std::unique_ptr<TitleServer>>();  // kept: see lifetime.h
    return *servers;
}

void DropTitleServerOf(const WindowObject* window) { TitleServers().erase(window); }
void ReleaseTitleServers() { TitleServers().clear(); }

// Another process's dialog: the proxy window this process hands out for
// it, and the connection to it.
struct RemoteWindow {
    std::unique_ptr<WindowObject> proxy;
    QByteArray path;
    FileDescriptor socket;    // connected, or invalid
    bool answered = false;    // a request was answered
    bool unanswered = false;  // a request went unanswered: ask no more
};

// One proxy per title (by its socket's path).
std::map<QString, RemoteWindow>& RemoteWindows() {
    static auto* windows = new std::map<QString, RemoteWindow>();  // kept: see lifetime.h
    return *windows;
}

RemoteWindow* RemoteWindowOf(const WindowObject* proxy) {
    for (auto& [path, remote] : RemoteWindows()) {
        if (remote.proxy.get() == proxy) return &remote;
    }
    return nullptr;
}

void ReleaseRemoteWindows() {
    for (const auto& [path, remote] : RemoteWindows()) UnregisterWindow(remote.proxy.get());
    RemoteWindows().clear();
}

bool Refuse(const QString& problem) {
    LastProblem() = problem;
    std::fprintf(stderr, "%s: %s; not starting, so that no second instance runs\n",
                 program_invocation_short_name, problem.toLocal8Bit().constData());
    return false;
}

bool ReportUnanswered(const QString& problem) {
    LastProblem() = problem;
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name,
                 problem.toLocal8Bit().constData());
    return false;
}

// Where this user's private folder for the sockets goes without
// XDG_RUNTIME_DIR: in the cache folder of the home folder, where no other
// user can make anything, so that nobody can take its place before the
// program makes it (as anyone can under /tmp). The host's name keeps
// apart the machines that share a home folder over the network: a socket
// reaches only processes of the machine that made it.
QByteArray FolderInHome(QString* problem) {
    QByteArray home = qgetenv("HOME");
    if (home.isEmpty()) {
        std::array<char, 4096> buffer;
        passwd account{};
        passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &account, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && found->pw_dir != nullptr) {
            home = found->pw_dir;
        }
    }
    struct stat info {};
    if (!home.startsWith('/')) {
        *problem = QStringLiteral(
            "XDG_RUNTIME_DIR is not set and there is no home folder to keep the "
            "instance socket in instead");
        return {};
    }
    const int unusable = ::stat(home.constData(), &info) != 0 ? errno
                         : S_ISDIR(info.st_mode)              ? 0
                                                              : ENOTDIR;
    if (unusable != 0) {
        *problem =
            QStringLiteral("XDG_RUNTIME_DIR is not set and the home folder %1 cannot be used: %2")
                .arg(QFile::decodeName(home), QString::fromLocal8Bit(std::strerror(unusable)));
        return {};
    }
    QByteArray cache = qgetenv("XDG_CACHE_HOME");
    if (!cache.startsWith('/')) cache = home + "/.cache";
    std::array<char, 256> host{};
    if (::gethostname(host.data(), host.size() - 1) != 0 || host[0] == '\0')
        std::strcpy(host.data(), "localhost");
    QByteArray folder = cache + "/velorwind-";
    for (const char* c = host.data(); *c != '\0'; ++c) {
        const bool plain =
            std::isalnum(static_cast<unsigned char>(*c)) || *c == '-' || *c == '.' || *c == '_';
        folder += plain ? *c : '_';
    }
    for (const QByteArray& made : {cache, folder}) {
        if (::mkdir(made.constData(), 0700) == 0 || errno == EEXIST) continue;
        *problem = QStringLiteral("XDG_RUNTIME_DIR is not set and the folder %1 cannot be made: %2")
                       .arg(QFile::decodeName(made), QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    return folder;
}

// The token this process was started with, taken once and sent with every
// request: the running instance may need it to come to the front.
const std::string& StartupToken() {
    static const std::string token = TakeStartupActivationToken().toStdString();
    return token;
}

// A connection to the socket at `path`, never through a link or to
// anything but a socket.
FileDescriptor ConnectToSocketAt(const QByteArray& path) {
    if (InspectSocketPath(path) != PathHolds::Socket) return {};
    return ConnectTo(path, CONNECT_TIMEOUT_MS);
}

}  // namespace

QString PrivateRuntimeFolder(QString* problem) {
    QString found;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    QByteArray folder;
    if (runtime != nullptr && runtime[0] != '\0') {
        folder = runtime;
        found = folder.startsWith('/')
                    ? PrivacyProblem(folder)
                    : QStringLiteral("the runtime folder %1 is not an absolute path")
                          .arg(QFile::decodeName(folder));
    } else {
        folder = FolderInHome(&found);
        if (found.isEmpty()) found = PrivacyProblem(folder);
    }
    if (problem != nullptr) *problem = found;
    return found.isEmpty() ? QFile::decodeName(folder) : QString();
}

QString InstanceSocketPath(const std::u16string& title, QString* problem) {
    const QString folder = PrivateRuntimeFolder(problem);
    if (folder.isEmpty()) return {};
    const QByteArray digest =
        QCryptographicHash::hash(TitleBytes(title), QCryptographicHash::Sha256).toHex().left(32);
    const QString path = folder + QStringLiteral("/velorwind-") + QString::number(::getuid()) +
                         QLatin1Char('-') + QString::fromLatin1(digest);
    if (FitsSocketAddress(QFile::encodeName(path))) return path;
    if (problem != nullptr) {
        *problem = QStringLiteral("the instance socket path %1 is too long for a socket").arg(path);
    }
    return {};
}

bool ClaimInstance(WindowObject* dialog) {
    LastProblem().clear();
    QString problem;
    const QString path = InstanceSocketPath(dialog->text, &problem);
    if (path.isEmpty()) return Refuse(problem);

    const QByteArray socketPath = QFile::encodeName(path);
    const ClaimLock lock(socketPath + ".lock", LOCK_TIMEOUT);
    auto server = std::make_unique<TitleServer>(dialog, socketPath);
    const TitleClaim claim = server->Listen(&problem);
    if (claim == TitleClaim::Refused) return Refuse(problem);
    if (claim != TitleClaim::Listening) return false;
    TitleServers()[dialog] = std::move(server);
    CleanUpAtLayerEnd(LayerStage::InstanceLink, ReleaseTitleServers);
    ForgetWindowsThrough(DropTitleServerOf);
    return true;
}

QString InstanceProblem() { return LastProblem(); }

WindowObject* FindRunningInstance(const std::u16string& title) {
    const QString path = InstanceSocketPath(title);
    if (path.isEmpty()) return nullptr;
    const QByteArray socketPath = QFile::encodeName(path);
    FileDescriptor socket = ConnectToSocketAt(socketPath);
    if (!socket.valid()) return nullptr;

    // One proxy per title; finding it again renews its connection.
    RemoteWindow& remote = RemoteWindows()[path];
    if (!remote.proxy) {
        remote.proxy = std::make_unique<WindowObject>(WindowObject::Kind::Remote);
        remote.proxy->text = title;
        remote.path = socketPath;
        RegisterWindow(remote.proxy.get());
        CleanUpAtLayerEnd(LayerStage::InstanceLink, ReleaseRemoteWindows);
    }
    remote.socket = std::move(socket);
    return remote.proxy.get();
}

bool HandToRunningInstance(WindowObject* running, InstanceRequest request) {
    RemoteWindow* found = RemoteWindowOf(running);
    if (found == nullptr || found->unanswered) return false;
    RemoteWindow& link = *found;
    const std::string line = FormatLinkRequest(
        request == InstanceRequest::Show ? LinkVerb::Show : LinkVerb::Foreground, StartupToken());
    Answer answer = Answer::Gone;
    for (int attempt = 0; attempt < 2 && answer == Answer::Gone; ++attempt) {
        // The other side drops connections that stay idle: connect once more.
        if (attempt > 0) link.socket = ConnectToSocketAt(link.path);
        if (!link.socket.valid() || !SendAll(link.socket.get(), line, WRITE_TIMEOUT_MS)) continue;
        answer = AwaitAnswer(link.socket.get(), LINK_ANSWER, ANSWER_TIMEOUT_MS, EndRequested);
    }
    if (answer == Answer::Given) {
        link.answered = true;
        return true;
    }
    link.unanswered = true;
    // It took the first request and has ended since, as it may.
    if (answer == Answer::Gone && link.answered) return false;
    if (answer == Answer::Silent) {
        return ReportUnanswered(
            QStringLiteral(
                "the running instance (process %1) did not answer within %2 s; not starting, "
                "so that no second instance runs")
                .arg(PeerProcess(link.socket.get()))
                .arg(ANSWER_TIMEOUT_MS / 1000));
    }
    if (answer == Answer::Interrupted) {
        return ReportUnanswered(
            QStringLiteral("ended by a signal before the running instance answered"));
    }
    return ReportUnanswered(
        QStringLiteral("the running instance ended before it answered; start the program again"));
}

}  // namespace platform::qt
