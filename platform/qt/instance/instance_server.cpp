#include "platform/qt/instance/instance_server.h"

#include <poll.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/qt/base/activation.h"
#include "platform/window.h"

namespace platform::qt {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int EVENTS_PER_ROUND = 16;
// A round ends after this many accepts or reads of one connection, so that
// a flood or a chatty sender cannot keep the loop from everything else.
constexpr int ACCEPTS_PER_ROUND = 64;
constexpr int READS_PER_ROUND = 8;
constexpr std::size_t READ_BYTES = 512;
// How long to wait before accepting or listening again when the process is
// out of descriptors and no connection of ours can be dropped to free one.
constexpr std::chrono::milliseconds RETRY_PAUSE{100};

bool IsOutOfDescriptors(int error) {
    return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

QString Decoded(const QByteArray& path) { return QFile::decodeName(path); }

QString ErrorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// What is in a socket's place, for a message.
QString KindOf(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return QStringLiteral("a folder");
    if (S_ISLNK(info.st_mode)) return QStringLiteral("a symbolic link");
    if (S_ISFIFO(info.st_mode)) return QStringLiteral("a FIFO");
    return QStringLiteral("a file");
}

bool AddToEvents(int events, int socket, std::uint32_t mask) {
    epoll_event event{};
    event.events = mask;
    event.data.fd = socket;
    return ::epoll_ctl(events, EPOLL_CTL_ADD, socket, &event) == 0;
}

}  // namespace

TitleServer::TitleServer(WindowHandle dialog, QByteArray path)
    : dialog_(dialog), path_(std::move(path)) {
    idleTimer_.setSingleShot(true);
    QObject::connect(&idleTimer_, &QTimer::timeout, &idleTimer_, [this] { DropIdle(); });
    acceptTimer_.setSingleShot(true);
    QObject::connect(&acceptTimer_, &QTimer::timeout, &acceptTimer_, [this] { Retry(); });
}

TitleServer::~TitleServer() {
    if (!StopListening()) return;
    // Only when no start is claiming the title at this moment.
    ClaimLock lock(path_ + ".lock", std::chrono::milliseconds(0));
    lock.RemoveFile();
}

TitleClaim TitleServer::Listen(QString* problem) {
    events_ = FileDescriptor(::epoll_create1(EPOLL_CLOEXEC));
    if (!events_.valid()) {
        *problem = QStringLiteral("cannot watch the instance socket: ") + ErrorText(errno);
        return TitleClaim::Refused;
    }
    eventsNotifier_ = std::make_unique<QSocketNotifier>(events_.get(), QSocketNotifier::Read);
    QObject::connect(eventsNotifier_.get(), &QSocketNotifier::activated, eventsNotifier_.get(),
                     [this] { HandleEvents(); });

    // Only a socket that refuses connections is left over from a process
    // that ended; anything else at the path is not this start's to remove.
    struct stat info {};
    Reached reached = Reached::Failed;
    switch (InspectSocketPath(path_, &info)) {
    case PathHolds::Nothing: break;
    case PathHolds::Socket:
        ConnectTo(path_, 0, &reached);
        if (reached == Reached::Connected || reached == Reached::Busy) {
            return TitleClaim::HeldByAnotherProcess;
        }
        if (reached == Reached::Failed) {
            *problem = QStringLiteral("cannot reach the instance socket %1: %2")
                           .arg(Decoded(path_), ErrorText(errno));
            return TitleClaim::Refused;
        }
        ::unlink(path_.constData());
        break;
    case PathHolds::SomethingElse:
        *problem = QStringLiteral("%1 is in the way of the instance socket: it is %2, not a socket")
                       .arg(Decoded(path_), KindOf(info));
        return TitleClaim::Refused;
    case PathHolds::Unknown:
        *problem = QStringLiteral("cannot look at the instance socket %1: %2")
                       .arg(Decoded(path_), ErrorText(errno));
        return TitleClaim::Refused;
    }
    if (!Bind(problem)) {
        // Taken in the meantime by a process that did not wait for the lock.
        if (errno == EADDRINUSE && InspectSocketPath(path_) == PathHolds::Socket) {
            ConnectTo(path_, 0, &reached);
            if (reached == Reached::Connected || reached == Reached::Busy) {
                return TitleClaim::HeldByAnotherProcess;
            }
        }
        return TitleClaim::Refused;
    }
    WatchFolder();
    return TitleClaim::Listening;
}

bool TitleServer::Bind(QString* problem) {
    listener_ = ListenAt(path_);
    if (!listener_.valid()) {
        const int error = errno;
        *problem = QStringLiteral("cannot listen at %1: %2").arg(Decoded(path_), ErrorText(error));
        errno = error;
        return false;
    }
    struct stat info {};
    InspectSocketPath(path_, &info);
    socketDevice_ = info.st_dev;
    socketInode_ = info.st_ino;
    AddToEvents(events_.get(), listener_.get(), EPOLLIN);
    reported_ = false;
    return true;
}

// True when the socket file was ours and is gone.
bool TitleServer::StopListening() {
    acceptTimer_.stop();
    if (!listener_.valid()) return false;
    ::epoll_ctl(events_.get(), EPOLL_CTL_DEL, listener_.get(), nullptr);
    struct stat info {};
    // Only our own socket file is removed; whatever replaced it stays.
    const bool ours = InspectSocketPath(path_, &info) == PathHolds::Socket &&
                      info.st_dev == socketDevice_ && info.st_ino == socketInode_;
    if (ours) ::unlink(path_.constData());
    listener_ = FileDescriptor();
    return ours;
}

// A watch on the folder tells when the socket file is removed or replaced,
// without any timer: the link costs nothing while nobody touches it.
void TitleServer::WatchFolder() {
    folderWatch_ = FileDescriptor(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (!folderWatch_.valid()) return;
    const QByteArray folder = path_.left(path_.lastIndexOf('/'));
    if (::inotify_add_watch(folderWatch_.get(), folder.isEmpty() ? "/" : folder.constData(),
                            IN_DELETE | IN_MOVED_FROM | IN_CREATE | IN_MOVED_TO) < 0) {
        folderWatch_ = FileDescriptor();
        return;
    }
    folderNotifier_ = std::make_unique<QSocketNotifier>(folderWatch_.get(), QSocketNotifier::Read);
    QObject::connect(folderNotifier_.get(), &QSocketNotifier::activated, folderNotifier_.get(),
                     [this] { FolderChanged(); });
}

void TitleServer::FolderChanged() {
    const QByteArray name = path_.mid(path_.lastIndexOf('/') + 1);
    alignas(inotify_event) char buffer[4096];
    bool ours = false;
    bool folderGone = false;
    for (;;) {
        const ssize_t count = ::read(folderWatch_.get(), buffer, sizeof buffer);
        if (count <= 0) break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_Q_OVERFLOW) ours = true;
            if (event->mask & IN_IGNORED) folderGone = true;
            if (event->len > 0 && name == event->name) ours = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    if (folderGone) {
        folderNotifier_.reset();
        folderWatch_ = FileDescriptor();
        ReportOnce(QStringLiteral("the folder of the instance socket %1 was removed; a second "
                                  "start may not find this instance")
                       .arg(Decoded(path_)));
    }
    if (ours) KeepSocketPath();
}

void TitleServer::KeepSocketPath() {
    struct stat info {};
    if (listener_.valid() && InspectSocketPath(path_, &info) == PathHolds::Socket &&
        info.st_dev == socketDevice_ && info.st_ino == socketInode_) {
        return;
    }
    Relisten();
}

// The path belongs to this dialog, in a folder only this user can enter:
// whatever was put in the socket's place is cleared, unless it is a socket
// another live process listens on.
void TitleServer::Relisten() {
    StopListening();
    struct stat info {};
    const PathHolds holds = InspectSocketPath(path_, &info);
    if (holds == PathHolds::Socket) {
        Reached reached = Reached::Failed;
        ConnectTo(path_, 0, &reached);
        if (reached == Reached::Connected || reached == Reached::Busy) {
            ReportOnce(QStringLiteral("another process now listens at %1").arg(Decoded(path_)));
            return;
        }
        ::unlink(path_.constData());
    } else if (holds == PathHolds::SomethingElse) {
        const int cleared =
            S_ISDIR(info.st_mode) ? ::rmdir(path_.constData()) : ::unlink(path_.constData());
        if (cleared != 0) {
            ReportOnce(QStringLiteral("%1 is in the way of the instance socket: it is %2 that "
                                      "cannot be removed (%3); a second start cannot find this "
                                      "instance")
                           .arg(Decoded(path_), KindOf(info), ErrorText(errno)));
            return;
        }
    }
    QString problem;
    if (Bind(&problem)) return;
    const int error = errno;
    ReportOnce(problem);
    // Out of descriptors: free one and listen again in a moment.
    if (IsOutOfDescriptors(error)) {
        DropLongestIdle();
        acceptTimer_.start(RETRY_PAUSE);
    }
}

void TitleServer::ReportOnce(const QString& problem) {
    if (reported_) return;
    reported_ = true;
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name,
                 problem.toLocal8Bit().constData());
}

void TitleServer::HandleEvents() {
    epoll_event ready[EVENTS_PER_ROUND];
    const int count = ::epoll_wait(events_.get(), ready, EVENTS_PER_ROUND, 0);
    for (int i = 0; i < count; ++i) {
        const int socket = ready[i].data.fd;
        if (listener_.valid() && socket == listener_.get()) {
            AcceptPending();
            continue;
        }
        // A connection dropped earlier in this round is no longer listed.
        const auto found =
            std::find_if(connections_.begin(), connections_.end(),
                         [socket](const auto& c) { return c->socket.get() == socket; });
        if (found != connections_.end()) Read(**found);
    }
}

void TitleServer::AcceptPending() {
    for (int accepted = 0; accepted < ACCEPTS_PER_ROUND && listener_.valid(); ++accepted) {
        FileDescriptor socket(
            ::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!socket.valid()) {
            const int error = errno;
            if (error == EINTR || error == ECONNABORTED || error == EPROTO) continue;
            if (error == EAGAIN) break;
            if (IsOutOfDescriptors(error)) {
                // The kernel says so even with nothing waiting; only a
                // connection that waits is worth dropping another for.
                if (!ConnectionWaiting()) break;
                if (DropLongestIdle()) continue;
                PauseAccepting();
                break;
            }
            Relisten();  // the listener itself has failed
            break;
        }
        if (connections_.size() >= LINK_CONNECTIONS) DropLongestIdle();
        if (!AddToEvents(events_.get(), socket.get(), EPOLLIN | EPOLLRDHUP)) continue;
        connections_.push_back(
            std::make_unique<Connection>(Connection{std::move(socket), {}, Clock::now()}));
        // A second start writes its requests as soon as it connects: read
        // them now, before a flood can make this connection the one to drop.
        Read(*connections_.back());
    }
    ArmIdleTimer();
}

bool TitleServer::ConnectionWaiting() const {
    pollfd waiting{listener_.get(), POLLIN, 0};
    return ::poll(&waiting, 1, 0) > 0 && (waiting.revents & POLLIN) != 0;
}

// Stops watching the listener for a moment: with nothing to drop, accepting
// again at once would only fail again, in a busy loop.
void TitleServer::PauseAccepting() {
    WatchListener(0);
    acceptTimer_.start(RETRY_PAUSE);
}

// After a pause for descriptors: listen again, or accept again.
void TitleServer::Retry() {
    if (!listener_.valid()) {
        Relisten();
        return;
    }
    WatchListener(EPOLLIN);
    AcceptPending();
}

void TitleServer::WatchListener(std::uint32_t events) {
    epoll_event event{};
    event.events = events;
    event.data.fd = listener_.get();
    ::epoll_ctl(events_.get(), EPOLL_CTL_MOD, listener_.get(), &event);
}

void TitleServer::Read(Connection& connection) {
    const int socket = connection.socket.get();
    char buffer[READ_BYTES];
    std::vector<LinkRequest> requests;
    for (int round = 0; round < READS_PER_ROUND; ++round) {
        const ssize_t count = ::recv(socket, buffer, sizeof buffer, MSG_DONTWAIT);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0 && errno == EAGAIN) return;
        if (count <= 0) {  // the sender is done, or the connection broke
            Drop(socket);
            return;
        }
        requests.clear();
        const bool intact = connection.reader.Feed(
            std::string_view(buffer, static_cast<std::size_t>(count)), requests);
        for (const LinkRequest& request : requests) {
            Dispatch(request);
            // A sender that does not read its answers fills its own
            // queue, and then it is dropped.
            if (::send(socket, LINK_ANSWER.data(), LINK_ANSWER.size(),
                       MSG_DONTWAIT | MSG_NOSIGNAL) != static_cast<ssize_t>(LINK_ANSWER.size())) {
                Drop(socket);
                return;
            }
        }
        if (!intact) {
            Drop(socket);
            return;
        }
        // Idle means no request: a connection that dribbles bytes without
        // completing one still times out.
        if (!requests.empty()) {
            connection.lastActive = Clock::now();
            ArmIdleTimer();
        }
    }
}

void TitleServer::Dispatch(const LinkRequest& request) const {
    // The calls are made later from the event loop, on behalf of the
    // application rather than this server: the dialog procedure they reach
    // may destroy the dialog and this server with it. A dialog gone by then
    // is refused by its stale handle.
    const WindowHandle dialog = dialog_;
    const QByteArray token = QByteArray::fromStdString(request.token);
    if (request.verb == LinkVerb::Show) {
        QMetaObject::invokeMethod(
            qApp,
            [dialog, token] {
                AcceptActivationToken(token);
                ShowWindow(dialog, SHOW_SHOW);
            },
            Qt::QueuedConnection);
    } else {
        QMetaObject::invokeMethod(
            qApp,
            [dialog, token] {
                AcceptActivationToken(token);
                SetForegroundWindow(dialog);
            },
            Qt::QueuedConnection);
    }
}

void TitleServer::Drop(int socket) {
    const auto found = std::find_if(connections_.begin(), connections_.end(),
                                    [socket](const auto& c) { return c->socket.get() == socket; });
    if (found == connections_.end()) return;
    ::epoll_ctl(events_.get(), EPOLL_CTL_DEL, socket, nullptr);
    connections_.erase(found);
    ArmIdleTimer();
}

bool TitleServer::DropLongestIdle() {
    if (connections_.empty()) return false;
    const auto longest = std::min_element(
        connections_.begin(), connections_.end(),
        [](const auto& a, const auto& b) { return a->lastActive < b->lastActive; });
    Drop((*longest)->socket.get());
    return true;
}

void TitleServer::DropIdle() {
    const auto now = Clock::now();
    std::vector<int> idle;
    for (const auto& connection : connections_) {
        if (now - connection->lastActive >= LINK_IDLE_TIMEOUT)
            idle.push_back(connection->socket.get());
    }
    for (const int socket : idle) Drop(socket);
    ArmIdleTimer();
}

// The timer runs only while connections are open, for the first of them
// to time out.
void TitleServer::ArmIdleTimer() {
    if (connections_.empty()) {
        idleTimer_.stop();
        return;
    }
    const auto first = std::min_element(
        connections_.begin(), connections_.end(),
        [](const auto& a, const auto& b) { return a->lastActive < b->lastActive; });
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        (*first)->lastActive + LINK_IDLE_TIMEOUT - Clock::now());
    idleTimer_.start(static_cast<int>(std::max<std::int64_t>(left.count(), 0)) + 1);
}

}  // namespace platform::qt
