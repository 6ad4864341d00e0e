// Finding a dialog of another process by its title, and asking it to show
// itself or come to the front.
//
// Every dialog with a title listens on a local socket whose name is derived
// from the whole title, in a folder only this user can enter. Another
// process that looks for the title connects to it; the connection is the
// proxy window it gets back. Over it the process may send one word per
// line: "show" or "foreground". The listening process makes the same calls
// on its own dialog; anything else ends the connection.
//
// Listening is the decisive step of two programs started at once: binding a
// socket name succeeds for one process only. The other finds the name taken,
// sees that its owner answers, and its dialog creation fails, as if it had
// found the window a moment earlier. A socket left by a crashed process does
// not answer and is replaced. The check and the replacement happen under a
// lock file, so two processes cannot both replace the same stale socket.
#pragma once

#include <QLocalServer>
#include <QLocalSocket>
#include <QString>

#include <memory>
#include <string>

#include "platform/types.h"

namespace platform::qt {

// Listens for requests to one dialog.
class TitleServer {
public:
    explicit TitleServer(WindowHandle dialog);

    bool Listen(const QString& path);
    QAbstractSocket::SocketError Error() const { return server_.serverError(); }

private:
    void Accept();
    void ReadRequests(QLocalSocket& socket);

    WindowHandle dialog_;
    QLocalServer server_;
};

// The link to another process's dialog.
struct RemoteWindow {
    std::unique_ptr<QLocalSocket> socket;
};

enum class TitleClaim {
    Listening,             // this dialog now answers for its title
    HeldByAnotherProcess,  // a live process answers for it already
    NotShared,             // no socket (no title, no private folder, or a
                           // dialog of this process has the title already)
};

// This user's private folder for the sockets: XDG_RUNTIME_DIR, or else a
// folder under /tmp that this user owns and no one else can enter. Empty
// when neither is safe.
QString PrivateRuntimeFolder();

// The socket a dialog titled `title` listens on; empty without a folder.
QString TitleSocketPath(const std::u16string& title);

TitleClaim ClaimTitle(WindowObject* dialog);

// A proxy window for another process's dialog titled `title`; null when no
// process answers for it.
WindowObject* FindRemoteWindow(const std::u16string& title);

// Sends "show" or "foreground"; false when the request could not be sent.
bool SendRemoteRequest(WindowObject* remote, const char* word);

// Forgets every proxy window; for shutting the layer down.
void ReleaseRemoteWindows();

}  // namespace platform::qt
