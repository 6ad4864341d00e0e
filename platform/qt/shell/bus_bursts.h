// What a burst of calls on the bus leaves behind. Thousands of calls in a
// row (a panel gone wrong, or a caller out to flood the program) make the
// bus connection and Qt queue and build messages by the thousand; once they
// are answered the memory is free, but the allocator keeps most of it, and
// the resident size of a program that should stay light would stay tens of
// megabytes up, and so would one call carrying a list of a hundred
// thousand entries. When the loop goes to sleep after calls on an object
// watched here, the freed memory goes back to the system: once for a burst
// that comes faster than it is answered, once for each of the few calls a
// panel makes when the icon is used, and never on a timer of its own. That
// takes one heap for all threads (the process entry asks for it): the
// allocator gives back the end of the main heap only, and Qt takes each
// message apart on its bus thread.
#pragma once

#include <QObject>

namespace platform::qt {

// Counts the calls that reach `object` on the bus, while it lives.
void WatchForBursts(QObject* object);

}  // namespace platform::qt
