// The status dialog's title. It is also the key by which a second start finds
// the running instance and the notification icon's tip, so every one of those
// uses must compare equal to the templates' caption, character for character.
#pragma once

#include <string_view>

namespace resources {

inline constexpr char16_t WINDOW_TITLE[] = u"Velorwind - ｼｽﾃﾑ情報";

static_assert(std::u16string_view(WINDOW_TITLE).size() == 18, "the title is 18 UTF-16 characters");

}  // namespace resources
