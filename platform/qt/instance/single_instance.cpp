#include "platform/qt/instance/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <map>
#include <thread>

#include "platform/qt/base/activation.h"
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
constexpr auto LOCK_RETRY = std::chrono::milliseconds(10);

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
    static auto* servers = new std::map<const WindowObject*, std::unique_ptr<TitleServer>>();  // kept: see lifetime.h
    return *servers;
}

void DropTitleServerOf(const WindowObject* window) { TitleServers().erase(window); }
void ReleaseTitleServers() { TitleServers().clear(); }

// Another process's dialog: the proxy window this process hands out for
// it, and the connection to it.
struct RemoteWindow {
    std::unique_ptr<WindowObject> proxy;
    QByteArray path;
    FileDescriptor socket;  // connected, or invalid
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

// The lock that keeps two starts from both replacing one stale socket,
// held while it lives. Without it (a folder gone read-only, say) the claim
// still goes on: binding alone keeps two live owners apart.
class ClaimLock {
public:
    explicit ClaimLock(const QByteArray& path)
        : file_(::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
        const auto deadline = std::chrono::steady_clock::now() + LOCK_TIMEOUT;
        while (file_.valid() && ::flock(file_.get(), LOCK_EX | LOCK_NB) != 0 &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(LOCK_RETRY);
        }
    }

private:
    FileDescriptor file_;
};

bool Refuse(const QString& problem) {
    LastProblem() = problem;
    std::fprintf(stderr, "%s: %s; not starting, so that no second instance runs\n",
                 program_invocation_short_name, problem.toLocal8Bit().constData());
    return false;
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
        found = folder.startsWith('/') ? PrivacyProblem(folder)
                                       : QStringLiteral("the runtime folder %1 is not an absolute path")
                                             .arg(QFile::decodeName(folder));
    } else {
        folder = "/tmp/velorwind-" + QByteArray::number(::getuid());
        ::mkdir(folder.constData(), 0700);
        found = PrivacyProblem(folder);
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
    const ClaimLock lock(socketPath + ".lock");
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
    if (found == nullptr) return false;
    RemoteWindow& link = *found;
    const std::string line = FormatLinkRequest(
        request == InstanceRequest::Show ? LinkVerb::Show : LinkVerb::Foreground, StartupToken());
    if (link.socket.valid() && SendAll(link.socket.get(), line, WRITE_TIMEOUT_MS)) return true;
    // The other side drops connections that stay idle: connect once more.
    link.socket = ConnectToSocketAt(link.path);
    return link.socket.valid() && SendAll(link.socket.get(), line, WRITE_TIMEOUT_MS);
}

}  // namespace platform::qt
