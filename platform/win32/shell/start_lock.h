// Starts of the program one after the other.
//
// A second start finds the first by its dialog's title. Two starts at the
// same moment could both look before either dialog exists and both go on
// as the one instance; so each start takes a lock, named for the user's
// session, before it looks, and gives it up once its dialog exists and its
// loop waits for messages (or it has ended). The later start then finds the
// earlier one's dialog.
#pragma once

namespace platform::win32 {

// Waits for the lock, but never longer than START_LOCK_WAIT_MS: a start
// that hangs does not keep the next one out for ever.
constexpr unsigned long START_LOCK_WAIT_MS = 10000;

void TakeStartLock();

// Nothing when not held; safe to call again.
void ReleaseStartLock();

}  // namespace platform::win32
