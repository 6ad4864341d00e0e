// Opening the display, or ending with one clear line when there is none.
//
// Qt ends a program that cannot reach a display by aborting, after a few
// lines of advice meant for whoever packaged it (exit status 134). A user
// who starts the program outside a desktop session is better served by one
// line that names the display that could not be opened, and exit status 1.
#pragma once

namespace platform::qt {

// The exit status of a program that found no display.
constexpr int EXIT_NO_DISPLAY = 1;

// Holds Qt's messages while the application object connects to the display.
// If Qt gives up, prints one line on standard error that names the missing
// display and ends the process with EXIT_NO_DISPLAY.
void GuardDisplayConnection();

// The display is open: Qt's held messages go out as usual and later ones go
// straight through.
void EndDisplayGuard();

// Without a platform chosen by the user, a Wayland session without an X
// server is served by the Wayland plug-in (Qt would try X and fail).
void ChooseWindowSystem();

// From here until EndDisplayLossGuard, a process that ends through exit()
// ends at once with EXIT_NO_DISPLAY. Only Qt ends the program that way,
// from inside the event loop, when the display goes away: nothing the
// program or its libraries would tidy at exit (static objects, fonts,
// sanitizer checks of Qt's own memory) can talk to that display any more.
void GuardAgainstDisplayLoss();

// The program's entry function has returned: exit() takes its usual course.
void EndDisplayLossGuard();

// The one line printed when no display can be opened, from the environment
// the program was started with.
const char* NoDisplayExplanation();

}  // namespace platform::qt
