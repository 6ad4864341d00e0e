// Floods an instance socket with idle connections, as a misbehaving local
// program could: opens COUNT connections to the socket at PATH, sends
// nothing, prints "opened N" once they are open and keeps them until the
// other side has closed them all or SECONDS have passed, then prints how
// many the other side had closed.
//
//   link_flood PATH COUNT SECONDS
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// One connection; -1 when the socket does not take it within a second.
int Connect(const sockaddr_un& address) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EAGAIN || std::chrono::steady_clock::now() > deadline) {
            ::close(socket);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return socket;
}

bool ClosedByPeer(int socket) {
    pollfd ready{socket, POLLIN, 0};
    if (::poll(&ready, 1, 0) <= 0) return false;
    char byte;
    const ssize_t count = ::recv(socket, &byte, 1, MSG_DONTWAIT);
    return count == 0 || (count < 0 && errno != EAGAIN);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: link_flood PATH COUNT SECONDS\n");
        return 2;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::strlen(argv[1]) >= sizeof address.sun_path) return 2;
    std::strcpy(address.sun_path, argv[1]);
    const long count = std::strtol(argv[2], nullptr, 10);
    const long seconds = std::strtol(argv[3], nullptr, 10);

    // The flood must not stop at this process's own descriptor limit.
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);

    std::vector<int> sockets;
    for (long i = 0; i < count; ++i) {
        const int socket = Connect(address);
        if (socket >= 0) sockets.push_back(socket);
    }
    std::printf("opened %zu\n", sockets.size());
    std::fflush(stdout);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::vector<bool> closedByPeer(sockets.size(), false);
    std::size_t closed = 0;
    while (closed < sockets.size() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (std::size_t i = 0; i < sockets.size(); ++i) {
            if (!closedByPeer[i] && ClosedByPeer(sockets[i])) {
                closedByPeer[i] = true;
                ++closed;
            }
        }
    }
    std::printf("closed %zu\n", closed);
    return 0;
}
