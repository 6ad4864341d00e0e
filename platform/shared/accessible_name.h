// What a screen reader hears of a control that shows a value drawn into it
// (a gauge, whose own text is empty): the caption before it in the dialog
// and the value, as in "未使用ﾌﾟﾛｸﾞﾗﾑ実行用 5,368,709,120". Both back ends
// name their gauges so.
#pragma once

#include <string>
#include <string_view>

namespace platform::shared {

// The caption and the value with one blank between them; the value's
// padding is left out, and an empty part leaves its blank out too.
std::u16string DrawnValueName(std::u16string_view caption, std::u16string_view value);

}  // namespace platform::shared
