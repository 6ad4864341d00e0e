// Finding a dialog of another process by its title, and asking it to show
// itself or come to the front.
//
// Every dialog with a title listens on a local socket whose name is derived
// from the whole title, in a folder only this user can enter. Another
// process that looks for the title connects to it; the connection is the
// proxy window it gets back. Over it the process sends requests, one a line
// (see link_protocol.h). The listening process makes the same calls on its
// own dialog; anything else ends the connection.
//
// Listening is the decisive step of two programs started at once: binding a
// socket name succeeds for one process only. The other finds the name taken,
// sees that its owner answers, and its dialog creation fails, as if it had
// found the window a moment earlier. A socket left by a crashed process
// refuses connections and is replaced. The check and the replacement happen
// under a lock file, so two processes cannot both replace the same stale
// socket.
//
// The link must hold whatever happens to it, since without it a second
// start would run as a second instance: connections are capped and idle
// ones time out, so a flood cannot use up the descriptors; the listener is
// made again when it fails or when its socket file is removed or replaced.
// When the link cannot be made at all (a runtime folder another user could
// enter, something in the socket's place that is not ours to remove), the
// dialog is not created, the reason goes to standard error, and the process
// ends with a non-zero exit code rather than run beside another instance.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <string>

#include "platform/qt/link/link_server.h"
#include "platform/qt/link/link_socket.h"
#include "platform/types.h"

namespace platform::qt {

// This user's private folder for the sockets: XDG_RUNTIME_DIR, or when it is
// unset a folder under /tmp that this user owns and no one else can enter.
// Empty, with `problem` saying why, when that folder is not safe.
QString PrivateRuntimeFolder(QString* problem = nullptr);

// The socket a dialog titled `title` listens on; empty, with `problem` set,
// when it cannot have one.
QString TitleSocketPath(const std::u16string& title, QString* problem = nullptr);

TitleClaim ClaimTitle(WindowObject* dialog);

// Why the last claim was refused; empty when it was not. The process entry
// ends with exit code 1 when it is set.
QString InstanceLinkProblem();

// A proxy window for another process's dialog titled `title`; null when no
// process answers for it.
WindowObject* FindRemoteWindow(const std::u16string& title);

// Sends "show" or "foreground" with the token this process was started
// with; false when the request could not be sent.
bool SendRemoteRequest(WindowObject* remote, const char* word);

}  // namespace platform::qt
