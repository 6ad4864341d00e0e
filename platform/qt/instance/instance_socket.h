// The Unix sockets of the instance link, without Qt: what is at a socket
// path, listening there, connecting there and sending a request.
#pragma once

#include <sys/stat.h>

#include <QByteArray>

#include <string_view>

#include "platform/shared/file_descriptor.h"

namespace platform::qt {

using shared::FileDescriptor;

// What lies at a socket path, by lstat: a symbolic link is never followed.
enum class PathHolds { Nothing, Socket, SomethingElse, Unknown };
PathHolds InspectSocketPath(const QByteArray& path, struct stat* info = nullptr);

// Whether a socket path fits a socket address.
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

}  // namespace platform::qt
