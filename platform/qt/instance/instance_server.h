// The listening side of the instance link: one per dialog that answers for
// its title. It must outlast any abuse, since a second start that cannot
// reach it would run as a second instance:
// - at most LINK_CONNECTIONS connections are open; a new one drops the one
//   that has been idle longest, so a flood cannot use up the descriptors;
// - a connection idle for LINK_IDLE_TIMEOUT is dropped, so one that sends a
//   byte and stops goes too;
// - descriptors running out makes it drop a connection or wait a moment,
//   never stop listening;
// - when the listener fails, or its socket file is removed or replaced (a
//   folder, a link, a file put there), it clears the path and listens again.
// Everything runs on the loop's thread from one notifier on an epoll set and
// one on an inotify watch of the folder, so an idle link costs no wake-ups.
#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/qt/instance/instance_protocol.h"
#include "platform/qt/instance/instance_socket.h"
#include "platform/types.h"

class QSocketNotifier;

namespace platform::qt {

enum class TitleClaim {
    Listening,             // this dialog now answers for its title
    HeldByAnotherProcess,  // a live process answers for it already
    Refused,               // the link cannot be made: see InstanceProblem
};

constexpr std::size_t LINK_CONNECTIONS = 8;
// A second start sends its requests within milliseconds of connecting.
constexpr std::chrono::milliseconds LINK_IDLE_TIMEOUT{3000};

class TitleServer {
public:
    TitleServer(WindowHandle dialog, QByteArray path);
    ~TitleServer();
    TitleServer(const TitleServer&) = delete;
    TitleServer& operator=(const TitleServer&) = delete;

    // Listens at the path, which must be free or hold a stale socket: a new
    // start never clears anything else. Refused, with `problem` set, when
    // the socket cannot be made there.
    TitleClaim Listen(QString* problem);

private:
    struct Connection {
        FileDescriptor socket;
        LinkRequestReader reader;
        std::chrono::steady_clock::time_point lastActive;
    };

    bool Bind(QString* problem);
    void WatchFolder();
    void HandleEvents();
    void AcceptPending();
    bool ConnectionWaiting() const;
    void Read(Connection& connection);
    void Drop(int socket);
    bool DropLongestIdle();
    void DropIdle();
    void ArmIdleTimer();
    void PauseAccepting();
    void Retry();
    void WatchListener(std::uint32_t events);
    void FolderChanged();
    void KeepSocketPath();
    void Relisten();
    void ReportOnce(const QString& problem);
    void Dispatch(const LinkRequest& request) const;
    void StopListening();

    WindowHandle dialog_;
    QByteArray path_;
    FileDescriptor events_;  // epoll: the listener and the connections
    std::unique_ptr<QSocketNotifier> eventsNotifier_;
    FileDescriptor listener_;
    dev_t socketDevice_ = 0;
    ino_t socketInode_ = 0;
    std::vector<std::unique_ptr<Connection>> connections_;
    QTimer idleTimer_;
    QTimer acceptTimer_;  // accepting again after the descriptors ran out
    FileDescriptor folderWatch_;
    std::unique_ptr<QSocketNotifier> folderNotifier_;
    bool reported_ = false;
};

}  // namespace platform::qt
