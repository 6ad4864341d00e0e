// The face the dialogs are drawn in where a template names "System".
//
// The first of JAPANESE_FACES that is installed and has glyphs for the
// dialog's Japanese texts wins. Windows 10 and 11 ship Yu Gothic UI with
// every language; Meiryo UI and MS UI Gothic come with the Japanese fonts;
// IPAPGothic and Noto Sans CJK JP are what free desktops (and Wine over
// them) have. Without any of them, "MS Shell Dlg", which the system maps to
// its own dialog face, with the fonts it links to it for characters that
// face lacks.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace platform::win32 {

inline constexpr std::array<std::u16string_view, 5> JAPANESE_FACES = {
    u"Yu Gothic UI", u"Meiryo UI", u"MS UI Gothic", u"IPAPGothic", u"Noto Sans CJK JP"};
inline constexpr std::u16string_view FALLBACK_DIALOG_FACE = u"MS Shell Dlg";

// Half-width katakana and kanji of the dialog's texts: a face must have a
// glyph of its own for each.
inline constexpr std::u16string_view JAPANESE_PROBE = u"ｼｽﾃﾑﾊﾞｯﾃﾘ情報未使用充電中";

// Whether `face` is installed and draws every character of `probe`.
bool FaceDrawsAll(std::u16string_view face, std::u16string_view probe);

// Chosen once per process.
const std::u16string& DialogFace();

}  // namespace platform::win32
