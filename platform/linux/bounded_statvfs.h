// statvfs with a bound on how long it may take. A file system on a dead
// network server, or on a USB disk that stopped answering, can hold statvfs
// for minutes or for good, and the status is read on the thread that runs
// the message loop: the dialog, the tray icon and the instance link would
// all stop with it.
#pragma once

#include <sys/statvfs.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>

namespace platform::linux_status {

// How long one measurement may take. A local file system answers in
// microseconds and a healthy network one in milliseconds; a refresh that
// meets a dead mount still ends well inside its one-second period, and a
// pause of a tenth of a second is below what a user notices as a stall.
constexpr std::chrono::milliseconds STATVFS_BOUND{100};

// Threads that make the calls, at most. A path whose call has outlived its
// bound is known to hang: it is left out, failing at once, until that call
// returns, so it holds one helper however often it is asked and however
// many paths hang beside it (the partitions of one dead disk each hold
// one). The others are measured by the helpers left: up to
// STATVFS_HELPERS - 1 file systems may hang at once without costing a
// healthy one its measurement. A helper whose call outlived its bound ends
// when the call returns, so the threads come back to the one or two that
// answer the refreshes. Only when every helper is held does every
// measurement fail at once.
constexpr std::size_t STATVFS_HELPERS = 16;

// The file system holding `path`, or nothing when the call failed or has
// not answered within `bound`. An unanswered call goes on in its helper
// thread, and until it returns every measurement of the same path fails at
// once: a dead mount holds one thread, not one more at every refresh. A
// helper holds no descriptor of the process (see LeaveDescriptorsBehind in
// the source): a thread that a file system holds cannot be ended, not even
// by SIGKILL, and with the process's descriptors it would keep its display
// connection and its instance socket open after the rest of it has gone.
std::optional<struct statvfs> StatvfsWithin(const char* path,
                                            std::chrono::milliseconds bound = STATVFS_BOUND);

// Starts measuring `paths` (at most STATVFS_AHEAD of them) in one helper,
// in order, without waiting. A StatvfsWithin for one of them soon after
// takes that measurement, waiting only for what is not in yet; the answer
// is given once, and only while it is fresh (STATVFS_AHEAD_FRESH). A call
// that hangs ends what is left of the round: those paths are measured one
// by one when they are asked for. Starting a round ends the one before.
// A refresh measures several volumes in a row: handing them to a helper at
// once spares the loop a sleep and a wake-up for each.
constexpr std::size_t STATVFS_AHEAD = 8;
constexpr std::chrono::milliseconds STATVFS_AHEAD_FRESH{250};
void MeasureAhead(std::span<const char* const> paths);

// The call the helpers make, ::statvfs unless a test makes a file system
// hang or fail.
using StatvfsCall = int (*)(const char* path, struct statvfs* result);
void ReplaceStatvfsCall(StatvfsCall call);

}  // namespace platform::linux_status
