#include "platform/shared/accessible_name.h"

namespace platform::shared {

namespace {

std::u16string_view Trimmed(std::u16string_view text) {
    const std::size_t first = text.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(u' ') - first + 1);
}

}  // namespace

std::u16string DrawnValueName(std::u16string_view caption, std::u16string_view value) {
    const std::u16string_view shownCaption = Trimmed(caption);
    const std::u16string_view shownValue = Trimmed(value);
    std::u16string name(shownCaption);
    if (!name.empty() && !shownValue.empty()) name += u' ';
    name += shownValue;
    return name;
}

}  // namespace platform::shared
