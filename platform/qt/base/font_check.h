// A build from source can run on a machine with no font for Japanese at
// all (the package's dependencies bring one; a source build does not), and
// every text of the dialog would then be drawn as empty boxes without a
// word why. The first dialog checks, and says so once.
#pragma once

namespace platform::qt {

// When no installed font covers Japanese texts, one line on standard error
// naming the packages that provide one; the program runs on. Once a process.
void WarnWithoutJapaneseFont();

}  // namespace platform::qt
