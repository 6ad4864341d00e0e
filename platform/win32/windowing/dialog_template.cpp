#include "platform/win32/windowing/dialog_template.h"

#include "platform/win32/windows_api.h"

namespace platform::win32 {
namespace {

constexpr std::uint16_t NAMED_BY_NUMBER = 0xFFFF;

// Reads little-endian words from the template; any read past its end
// leaves the reader failed, and a failed reader reads zeros.
class TemplateReader {
public:
    TemplateReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    bool Failed() const { return failed_; }
    std::size_t Position() const { return position_; }

    std::uint16_t Word() {
        if (!Has(2)) return 0;
        const std::uint16_t value =
            static_cast<std::uint16_t>(bytes_[position_] | (bytes_[position_ + 1] << 8));
        position_ += 2;
        return value;
    }

    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        return low | (std::uint32_t{Word()} << 16);
    }

    void Skip(std::size_t count) {
        if (Has(count)) position_ += count;
    }

    // A NUL-terminated UTF-16 text.
    void SkipText() {
        while (!failed_ && Word() != 0) {
        }
    }

    // A text, a number (0xFFFF and the number) or nothing (a lone 0).
    void SkipNameOrNumber() {
        const std::uint16_t first = Word();
        if (first == NAMED_BY_NUMBER) {
            Word();
        } else if (first != 0) {
            SkipText();
        }
    }

    // The number of a name given by number; 0 for a text or nothing.
    std::uint16_t NameNumber() {
        const std::size_t start = position_;
        if (Word() == NAMED_BY_NUMBER) return Word();
        position_ = start;
        SkipNameOrNumber();
        return 0;
    }

    std::u16string_view Text() {
        const std::size_t start = position_;
        SkipText();
        if (failed_) return {};
        return {reinterpret_cast<const char16_t*>(bytes_ + start), (position_ - start) / 2 - 1};
    }

    void AlignToDword() { Skip((4 - position_ % 4) % 4); }

private:
    bool Has(std::size_t count) {
        if (failed_ || count > size_ - position_) failed_ = true;
        return !failed_;
    }

    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

struct TemplateShape {
    std::uint32_t style = 0;
    std::uint32_t extendedStyle = 0;
    std::size_t faceStart = 0;   // where the face text starts (with DS_SETFONT)
    std::size_t headerEnd = 0;   // just past the header
    std::size_t itemsStart = 0;  // the first item, DWORD-aligned
    std::u16string_view face;
    // Where each right-aligned static control's style lies.
    std::vector<std::size_t> rightAlignedStyles;
};

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

// Face names are compared as the font mapper does, without case.
bool IsSystemFace(std::u16string_view face) {
    constexpr std::u16string_view system = u"system";
    if (face.size() != system.size()) return false;
    for (std::size_t i = 0; i < face.size(); ++i) {
        if (AsciiLower(face[i]) != system[i]) return false;
    }
    return true;
}

void ReadItems(TemplateReader& in, std::uint16_t count, TemplateShape& shape) {
    for (std::uint16_t i = 0; i < count && !in.Failed(); ++i) {
        in.AlignToDword();
        const std::size_t styleAt = in.Position();
        const std::uint32_t style = in.Dword();
        const std::uint32_t extendedStyle = in.Dword();
        in.Skip(5 * 2);  // x, y, cx, cy, identifier
        const std::uint16_t classNumber = in.NameNumber();
        in.SkipNameOrNumber();  // the text
        in.Skip(in.Word());     // creation data, its size first
        const bool leftText = (style & SS_TYPEMASK) == SS_LEFT;
        if (classNumber == CLASS_STATIC && leftText && (extendedStyle & WS_EX_RIGHT)) {
            shape.rightAlignedStyles.push_back(styleAt);
        }
    }
}

std::optional<TemplateShape> ReadShape(const std::uint8_t* bytes, std::size_t size) {
    TemplateReader in(bytes, size);
    TemplateShape shape;
    shape.style = in.Dword();
    shape.extendedStyle = in.Dword();
    // The extended form starts with version 1 and 0xFFFF; it is not read.
    if (shape.style == 0xFFFF0001u) return std::nullopt;
    const std::uint16_t itemCount = in.Word();
    in.Skip(4 * 2);         // x, y, cx, cy
    in.SkipNameOrNumber();  // menu
    in.SkipNameOrNumber();  // window class
    in.SkipText();          // title
    if (shape.style & DS_SETFONT) {
        in.Word();  // point size
        shape.faceStart = in.Position();
        shape.face = in.Text();
    }
    shape.headerEnd = in.Position();
    shape.itemsStart = size;  // no items: nothing follows the header
    if (itemCount != 0) {
        in.AlignToDword();
        shape.itemsStart = in.Position();
        ReadItems(in, itemCount, shape);
    }
    if (in.Failed()) return std::nullopt;
    return shape;
}

void PutDword(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t DwordAt(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t{bytes[at + i]} << (8 * i);
    return value;
}

}  // namespace

std::optional<DesktopTemplate> AdaptDialogTemplate(const void* dialogTemplate, std::size_t size,
                                                   std::u16string_view face) {
    if (dialogTemplate == nullptr) return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(dialogTemplate);
    const std::optional<TemplateShape> shape = ReadShape(bytes, size);
    if (!shape) return std::nullopt;

    DesktopTemplate adapted;
    std::vector<std::uint8_t>& out = adapted.bytes;
    const bool replaceFace =
        (shape->style & DS_SETFONT) && IsSystemFace(shape->face) && !face.empty();
    // The header up to its face, the face, then the items as they stand. The
    // items keep their alignment: both copies start on a DWORD boundary.
    const std::size_t keptHeader = replaceFace ? shape->faceStart : shape->headerEnd;
    out.assign(bytes, bytes + keptHeader);
    if (replaceFace) {
        for (char16_t c : face) {
            out.push_back(static_cast<std::uint8_t>(c & 0xFF));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
        }
        out.insert(out.end(), {0, 0});
    }
    while (out.size() % 4 != 0) out.push_back(0);
    const std::size_t itemsStart = out.size();
    if (shape->itemsStart < size) out.insert(out.end(), bytes + shape->itemsStart, bytes + size);

    if (shape->extendedStyle & EXSTYLE_CAPTION_OK) {
        adapted.captionOk = true;
        PutDword(out, 0, shape->style | WS_MINIMIZEBOX);
        PutDword(out, 4, shape->extendedStyle & ~EXSTYLE_CAPTION_OK);
    }
    for (const std::size_t styleAt : shape->rightAlignedStyles) {
        const std::size_t at = styleAt - shape->itemsStart + itemsStart;
        PutDword(out, at, DwordAt(out, at) | SS_RIGHT);
    }
    return adapted;
}

}  // namespace platform::win32
