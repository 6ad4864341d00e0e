#include "platform/qt/instance/instance_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace platform::qt {

namespace {

// Queued connections beyond those accepted; the server accepts at once, so
// only a burst of starts fills it.
constexpr int LISTEN_BACKLOG = 16;
constexpr auto BUSY_RETRY = std::chrono::milliseconds(10);
constexpr auto LOCK_RETRY = std::chrono::milliseconds(10);

constexpr std::size_t ADDRESS_BYTES = sizeof(sockaddr_un::sun_path);

bool FitsWhole(const QByteArray& path) {
    return !path.isEmpty() && !path.contains('\0') &&
           static_cast<std::size_t>(path.size()) < ADDRESS_BYTES;
}

// The address of the socket at a path. A path too long for an address is
// reached through its folder, opened for as long as the address is used.
class SocketAddress {
public:
    explicit SocketAddress(const QByteArray& path) {
        std::memset(&address_, 0, sizeof address_);
        address_.sun_family = AF_UNIX;
        if (FitsWhole(path)) {
            std::memcpy(address_.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
            valid_ = true;
            return;
        }
        const qsizetype slash = path.lastIndexOf('/');
        if (path.isEmpty() || path.contains('\0') || slash < 0) return;
        const QByteArray folder = slash == 0 ? QByteArray("/") : path.left(slash);
        folder_ = FileDescriptor(::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!folder_.valid()) return;
        const int length = std::snprintf(address_.sun_path, ADDRESS_BYTES, "/proc/self/fd/%d/%s",
                                         folder_.get(), path.constData() + slash + 1);
        valid_ = length > 0 && static_cast<std::size_t>(length) < ADDRESS_BYTES;
    }

    bool valid() const { return valid_; }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&address_); }
    socklen_t size() const { return sizeof address_; }

private:
    sockaddr_un address_;
    FileDescriptor folder_;
    bool valid_ = false;
};

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
    if (FitsWhole(path)) return true;
    // The longest form: "/proc/self/fd/", ten digits, "/", the name.
    const qsizetype name = path.size() - path.lastIndexOf('/') - 1;
    return !path.contains('\0') && path.contains('/') && name > 0 &&
           static_cast<std::size_t>(14 + 10 + 1 + name) < ADDRESS_BYTES;
}

FileDescriptor ListenAt(const QByteArray& path) {
    const SocketAddress address(path);
    if (!address.valid()) {
        errno = ENAMETOOLONG;
        return {};
    }
    FileDescriptor listener = NewSocket();
    if (!listener.valid()) return listener;
    if (::bind(listener.get(), address.get(), address.size()) != 0) return {};
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
    const SocketAddress address(path);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (address.valid()) socket = NewSocket();
    while (socket.valid()) {
        if (::connect(socket.get(), address.get(), address.size()) == 0) {
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

ClaimLock::ClaimLock(const QByteArray& path, std::chrono::milliseconds patience) : path_(path) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        file_ = FileDescriptor(
            ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!file_.valid()) return;
        bool locked;
        while (!(locked = ::flock(file_.get(), LOCK_EX | LOCK_NB) == 0) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(LOCK_RETRY);
        }
        if (!locked) return;
        struct stat lockedFile {};
        struct stat atPath {};
        if (::fstat(file_.get(), &lockedFile) == 0 && ::lstat(path.constData(), &atPath) == 0 &&
            lockedFile.st_dev == atPath.st_dev && lockedFile.st_ino == atPath.st_ino) {
            held_ = true;
            return;
        }
        // Removed or replaced since it was opened: lock the one there now.
        file_ = FileDescriptor();
        if (std::chrono::steady_clock::now() >= deadline) return;
    }
}

void ClaimLock::RemoveFile() {
    if (held_) ::unlink(path_.constData());
}

Answer AwaitAnswer(int socket, std::string_view answer, int timeoutMs, bool (*stop)()) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!answer.empty()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return Answer::Silent;
        pollfd ready{socket, POLLIN, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) {
            if (stop != nullptr && stop()) return Answer::Interrupted;
            continue;
        }
        if (polled <= 0) continue;
        char bytes[16];
        const ssize_t count =
            ::recv(socket, bytes, std::min(sizeof bytes, answer.size()), MSG_DONTWAIT);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (count <= 0 ||
            answer.substr(0, static_cast<std::size_t>(count)) != std::string_view(bytes, count)) {
            return Answer::Gone;
        }
        answer.remove_prefix(static_cast<std::size_t>(count));
    }
    return Answer::Given;
}

pid_t PeerProcess(int socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) return 0;
    return peer.pid;
}

}  // namespace platform::qt
