// The signals that ask a program to end (SIGTERM when the session logs out,
// SIGINT from a terminal's Ctrl+C, SIGHUP when the terminal goes) end this
// one as its dialog's close button does: the loop hears of them as a close
// request, so windows, notification icon and instance socket go as they
// always do, and the process ends with exit code 0. Nothing waits for a
// status read that hangs: that helper thread holds nothing of the process.
//
// The handler only notes the signal and writes a byte to a pipe; the loop
// answers it from a notifier on that pipe. A signal that comes before the
// loop runs (during start-up, before the dialog exists) is answered as soon
// as it does.
#pragma once

namespace platform::qt {

// Installs the handlers; first thing in the process, before any thread or
// window exists.
void CatchEndSignals();

// True once an end signal has come.
bool EndRequested();

// Has the event loop call `answer` for end signals, the ones that came
// already included; once the application exists. The layer's end stops it.
void AnswerEndSignals(void (*answer)());

}  // namespace platform::qt
