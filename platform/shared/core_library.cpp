#include "platform/shared/core_library.h"

#include <algorithm>

namespace platform::shared {

namespace {

constexpr std::u16string_view CORE_LIBRARY_NAME = u"COREDLL.DLL";

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

}  // namespace

bool IsCoreLibraryName(std::u16string_view name) {
    return std::equal(name.begin(), name.end(), CORE_LIBRARY_NAME.begin(), CORE_LIBRARY_NAME.end(),
                      [](char16_t a, char16_t b) { return AsciiUpper(a) == b; });
}

}  // namespace platform::shared
