#include "platform/qt/instance_link.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QLockFile>

#include <cstdlib>
#include <map>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "platform/qt/layer.h"
#include "platform/qt/window_object.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

constexpr int CONNECT_TIMEOUT_MS = 1000;
constexpr int WRITE_TIMEOUT_MS = 1000;
constexpr int LOCK_TIMEOUT_MS = 3000;
// A request is one short word and a newline.
constexpr qint64 LONGEST_REQUEST = 32;
// Room in a socket address (108 bytes on Linux) with a margin.
constexpr qsizetype LONGEST_SOCKET_PATH = 100;

bool IsPrivateFolder(const QByteArray& path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) return false;
    return S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
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

bool SomeoneAnswers(const QString& path) {
    QLocalSocket probe;
    probe.connectToServer(path);
    const bool answered = probe.waitForConnected(CONNECT_TIMEOUT_MS);
    probe.abort();
    return answered;
}

bool OtherLocalDialogHasTitle(const WindowObject* dialog) {
    for (const auto& other : Dialogs()) {
        if (other.get() != dialog && !other->destroying && other->text == dialog->text) return true;
    }
    return false;
}

std::map<QString, std::unique_ptr<WindowObject>>& RemoteWindows() {
    static std::map<QString, std::unique_ptr<WindowObject>> windows;
    return windows;
}

}  // namespace

TitleServer::TitleServer(WindowHandle dialog) : dialog_(dialog) {
    QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] { Accept(); });
}

bool TitleServer::Listen(const QString& path) {
    if (!server_.listen(path)) return false;
    // The folder already keeps others out; the socket itself says so too.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return true;
}

void TitleServer::Accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::readyRead, &server_,
                         [this, socket] { ReadRequests(*socket); });
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        ReadRequests(*socket);
    }
}

void TitleServer::ReadRequests(QLocalSocket& socket) {
    while (socket.canReadLine()) {
        const QByteArray word = socket.readLine(LONGEST_REQUEST + 1).trimmed();
        // The calls are made later from the event loop, on behalf of the
        // application rather than this server: the dialog procedure they
        // reach may destroy the dialog and this server with it. A dialog
        // gone by then is refused by its stale handle.
        const WindowHandle dialog = dialog_;
        if (word == "show") {
            QMetaObject::invokeMethod(
                qApp, [dialog] { ShowWindow(dialog, SHOW_SHOW); }, Qt::QueuedConnection);
        } else if (word == "foreground") {
            QMetaObject::invokeMethod(
                qApp, [dialog] { SetForegroundWindow(dialog); }, Qt::QueuedConnection);
        } else {
            socket.abort();
            return;
        }
    }
    if (socket.bytesAvailable() > LONGEST_REQUEST) socket.abort();
}

QString PrivateRuntimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/' && IsPrivateFolder(runtime)) {
        return QFile::decodeName(runtime);
    }
    const QByteArray fallback = "/tmp/velorwind-" + QByteArray::number(::getuid());
    ::mkdir(fallback.constData(), 0700);
    return IsPrivateFolder(fallback) ? QFile::decodeName(fallback) : QString();
}

QString TitleSocketPath(const std::u16string& title) {
    const QString folder = PrivateRuntimeFolder();
    if (folder.isEmpty()) return {};
    const QByteArray digest =
        QCryptographicHash::hash(TitleBytes(title), QCryptographicHash::Sha256).toHex().left(32);
    const QString path = folder + QStringLiteral("/velorwind-") + QString::number(::getuid()) + QLatin1Char('-') +
                         QString::fromLatin1(digest);
    return QFile::encodeName(path).size() <= LONGEST_SOCKET_PATH ? path : QString();
}

TitleClaim ClaimTitle(WindowObject* dialog) {
    if (dialog->text.empty() || OtherLocalDialogHasTitle(dialog)) return TitleClaim::NotShared;
    const QString path = TitleSocketPath(dialog->text);
    if (path.isEmpty()) return TitleClaim::NotShared;

    // Without the lock (a folder gone read-only, say) the claim still goes
    // on: binding alone keeps two live owners apart.
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.tryLock(LOCK_TIMEOUT_MS);

    auto server = std::make_unique<TitleServer>(dialog);
    if (!server->Listen(path)) {
        if (server->Error() != QAbstractSocket::AddressInUseError) return TitleClaim::NotShared;
        if (SomeoneAnswers(path)) return TitleClaim::HeldByAnotherProcess;
        QLocalServer::removeServer(path);
        if (!server->Listen(path)) return TitleClaim::NotShared;
    }
    dialog->titleServer = std::move(server);
    return TitleClaim::Listening;
}

WindowObject* FindRemoteWindow(const std::u16string& title) {
    const QString path = TitleSocketPath(title);
    if (path.isEmpty()) return nullptr;
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(path);
    if (!socket->waitForConnected(CONNECT_TIMEOUT_MS)) return nullptr;

    // One proxy per title; finding it again renews its connection.
    std::unique_ptr<WindowObject>& proxy = RemoteWindows()[path];
    if (!proxy) {
        proxy = std::make_unique<WindowObject>(WindowObject::Kind::Remote);
        proxy->text = title;
        proxy->remote = std::make_unique<RemoteWindow>();
        RegisterWindow(proxy.get());
        ShutDownWithApplication();
    }
    proxy->remote->socket = std::move(socket);
    return proxy.get();
}

bool SendRemoteRequest(WindowObject* remote, const char* word) {
    if (remote == nullptr || !remote->remote || !remote->remote->socket) return false;
    QLocalSocket& socket = *remote->remote->socket;
    if (socket.state() != QLocalSocket::ConnectedState) return false;
    const QByteArray request = QByteArray(word) + '\n';
    if (socket.write(request) != request.size()) return false;
    // The request must leave before this process goes on (or ends).
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(WRITE_TIMEOUT_MS)) return false;
    }
    return true;
}

void ReleaseRemoteWindows() {
    for (const auto& [path, proxy] : RemoteWindows()) UnregisterWindow(proxy.get());
    RemoteWindows().clear();
}

}  // namespace platform::qt
