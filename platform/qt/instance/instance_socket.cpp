#include "platform/qt/instance/instance_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace platform::qt {

namespace {

// Queued connections beyond those accepted; the server accepts at once, so
// only a burst of starts fills it.
constexpr int LISTEN_BACKLOG = 16;
constexpr auto BUSY_RETRY = std::chrono::milliseconds(10);

bool FillAddress(const QByteArray& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (!FitsSocketAddress(path)) return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    return true;
}

FileDescriptor NewSocket() {
    return FileDescriptor(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

}  // namespace

PathHolds InspectSocketPath(const QByteArray& path, struct stat* info) {
    struct stat found {};
    if (::lstat(path.constData(), &found) != 0) {
        return errno == ENOENT ? PathHolds::Nothing : PathHolds::Unknown;
    }
    if (info != nullptr) *info = found;
    return S_ISSOCK(found.st_mode) ? PathHolds::Socket : PathHolds::SomethingElse;
}

bool FitsSocketAddress(const QByteArray& path) {
    return !path.isEmpty() && !path.contains('\0') &&
           static_cast<std::size_t>(path.size()) < sizeof(sockaddr_un::sun_path);
}

FileDescriptor ListenAt(const QByteArray& path) {
    sockaddr_un address;
    if (!FillAddress(path, address)) {
        errno = ENAMETOOLONG;
        return {};
    }
    FileDescriptor listener = NewSocket();
    if (!listener.valid()) return listener;
    if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return {};
    }
    // The folder keeps others out already; the socket says so too.
    ::chmod(path.constData(), 0600);
    if (::listen(listener.get(), LISTEN_BACKLOG) != 0) {
        const int error = errno;
        ::unlink(path.constData());
        errno = error;
        return {};
    }
    return listener;
}

FileDescriptor ConnectTo(const QByteArray& path, int timeoutMs, Reached* how) {
    Reached reached = Reached::Failed;
    FileDescriptor socket;
    sockaddr_un address;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (FillAddress(path, address)) socket = NewSocket();
    while (socket.valid()) {
        if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            reached = Reached::Connected;
            break;
        }
        if (errno == EINTR) continue;
        if (errno == ECONNREFUSED) reached = Reached::Refused;
        if (errno != EAGAIN) break;
        reached = Reached::Busy;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(BUSY_RETRY);
    }
    if (how != nullptr) *how = reached;
    if (reached != Reached::Connected) return {};
    return socket;
}

bool SendAll(int socket, std::string_view bytes, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!bytes.empty()) {
        const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && errno != EAGAIN) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd room{socket, POLLOUT, 0};
        ::poll(&room, 1, static_cast<int>(left.count()));
    }
    return true;
}

}  // namespace platform::qt
