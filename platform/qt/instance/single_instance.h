// Single instance: one process per user shows the dialog of a title; a
// second start hands its request to that process and ends instead of
// running beside it.
//
// - Claiming: creating the dialog claims the instance (ClaimInstance). The
//   process then listens on a local socket whose name is derived from the
//   whole title, in a folder only this user can enter, and answers requests
//   there for as long as the dialog lives (instance_server.h). Binding a
//   socket name succeeds for one process only, so of two programs started
//   at once one claims and the other finds the claim taken, as if it had
//   found the window a moment earlier. A socket left by a crashed process
//   refuses connections and is replaced, under a lock file so that two
//   starts cannot both replace it.
// - Handing over: looking for the dialog by its title finds the running
//   process (FindRunningInstance); the window handle it gives stands for the
//   running dialog, and showing it or bringing it to the front sends the
//   request over the socket (HandToRunningInstance), one line with the
//   activation token this process was started with (instance_protocol.h).
//
// The link must hold whatever happens to it, since without it a second
// start would run as a second instance: connections are capped and idle
// ones time out, the listener is made again when it fails or its socket file
// is removed or replaced. When it cannot be made at all (a runtime folder
// another user could enter, something in the socket's place that is not
// ours to remove), the dialog is not created, the reason goes to standard
// error, and the process ends with exit code 1 rather than run beside
// another instance.
#pragma once

#include <QString>

#include <string>

#include "platform/types.h"

namespace platform::qt {

enum class InstanceRequest { Show, Foreground };

// Claims the instance for `dialog`, a dialog of this process with its title
// set; false when another live process holds it or the link cannot be made
// (InstanceProblem then says why).
bool ClaimInstance(WindowObject* dialog);

// Why the last claim could not be made; empty when it could. The process
// entry ends with exit code 1 when it is set.
QString InstanceProblem();

// A window standing for another process's dialog titled `title`; null when
// no process answers for it.
WindowObject* FindRunningInstance(const std::u16string& title);

// Sends `request` to the process that `running` stands for; false when it
// could not be sent.
bool HandToRunningInstance(WindowObject* running, InstanceRequest request);

// This user's private folder for the sockets: XDG_RUNTIME_DIR, or when it is
// unset a folder under /tmp that this user owns and no one else can enter.
// Empty, with `problem` saying why, when that folder is not safe.
QString PrivateRuntimeFolder(QString* problem = nullptr);

// The socket the instance of `title` listens on; empty, with `problem` set,
// when it cannot have one.
QString InstanceSocketPath(const std::u16string& title, QString* problem = nullptr);

}  // namespace platform::qt
