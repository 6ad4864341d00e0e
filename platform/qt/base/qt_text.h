// Conversions between the platform's UTF-16 texts and Qt's strings.
#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace platform::qt {

// No byte-order-mark handling: a text is taken unit for unit.
inline QString ToQString(std::u16string_view text) {
    return QStringView(text.data(), static_cast<qsizetype>(text.size())).toString();
}

inline QString ToQString(const char16_t* text) {
    return text != nullptr ? ToQString(std::u16string_view(text)) : QString();
}

inline std::u16string ToU16String(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

}  // namespace platform::qt
