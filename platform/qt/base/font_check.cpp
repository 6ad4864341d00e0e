#include "platform/qt/base/font_check.h"

#include <QFontDatabase>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace platform::qt {

void WarnWithoutJapaneseFont() {
    static bool checked = false;
    if (checked) return;
    checked = true;
    // The font database knows which writing systems each installed font
    // covers (fontconfig's language coverage), kanji and kana included.
    if (!QFontDatabase::families(QFontDatabase::Japanese).isEmpty()) return;
    std::fprintf(stderr,
                 "%s: no installed font has Japanese characters, so the dialog's texts show as "
                 "boxes; install fonts-ipafont-gothic or fonts-noto-cjk\n",
                 program_invocation_short_name);
}

}  // namespace platform::qt
