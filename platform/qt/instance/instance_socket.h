// The Unix sockets of the instance link, without Qt: what is at a socket
// path, listening there, connecting there and sending a request.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <QByteArray>

#include <chrono>
#include <string_view>

#include "platform/shared/file_descriptor.h"

namespace platform::qt {

using shared::FileDescriptor;

// What lies at a socket path, by lstat: a symbolic link is never followed.
enum class PathHolds { Nothing, Socket, SomethingElse, Unknown };
PathHolds InspectSocketPath(const QByteArray& path, struct stat* info = nullptr);

// Whether a socket path can be reached through a socket address: the
// whole path, or when that is too long, its last part after the folder it
// is in (opened, as /proc/self/fd/N/NAME), so that a home folder deep in a
// tree still holds a socket.
bool FitsSocketAddress(const QByteArray& path);

// A non-blocking socket listening at `path`, readable and writable by this
// user alone; invalid, with errno set, when it cannot be made.
FileDescriptor ListenAt(const QByteArray& path);

// How a connection attempt went. A socket whose queue is full belongs to a
// live process as surely as one that accepts; only a refusal means that no
// process listens there any more.
enum class Reached { Connected, Busy, Refused, Failed };

// Connects to the socket at `path`, waiting up to `timeoutMs` while its
// queue is full. The socket is non-blocking.
FileDescriptor ConnectTo(const QByteArray& path, int timeoutMs, Reached* how = nullptr);

// Sends all of `bytes`, waiting up to `timeoutMs` for room; never raises
// SIGPIPE. False when the connection is gone or the time ran out.
bool SendAll(int socket, std::string_view bytes, int timeoutMs);

// The lock that keeps two starts from both replacing one stale socket: a
// file beside the socket, held with flock while the instance is claimed and
// while the file is removed as the instance ends. A holder checks that the
// file it locked is still the one at the path, so that a start that opened
// the file just before it was removed does not hold a lock nobody else can
// see. Without the file (a folder gone read-only, say) the claim still goes
// on: binding alone keeps two live owners apart.
class ClaimLock {
public:
    // Waits up to `patience` for the lock.
    ClaimLock(const QByteArray& path, std::chrono::milliseconds patience);

    bool held() const { return held_; }
    // Removes the file, when held.
    void RemoveFile();

private:
    QByteArray path_;
    FileDescriptor file_;
    bool held_ = false;
};

// How waiting for the other side's answer ended.
enum class Answer { Given, Silent, Gone, Interrupted };

// Waits up to `timeoutMs` for the bytes `answer` to arrive and takes them:
// Given; Silent when the time ran out first, Gone when the connection
// ended or brought something else, Interrupted when `stop` (asked after a
// signal broke the wait) said to give up.
Answer AwaitAnswer(int socket, std::string_view answer, int timeoutMs, bool (*stop)());

// The process that listens on the other end of a connection; 0 when not
// known.
pid_t PeerProcess(int socket);

}  // namespace platform::qt
