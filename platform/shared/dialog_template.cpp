#include "platform/shared/dialog_template.h"

namespace platform::shared {

namespace {

// A bounds-checked little-endian reader. The first read that does not fit
// marks it failed; later reads then return zeros and change nothing.
class TemplateReader {
public:
    TemplateReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    bool Failed() const { return failed_; }
    std::size_t Offset() const { return offset_; }
    std::size_t Remaining() const { return failed_ ? 0 : size_ - offset_; }

    std::uint16_t Word() {
        if (!Fits(2)) return 0;
        const std::uint16_t value =
            static_cast<std::uint16_t>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
        offset_ += 2;
        return value;
    }

    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }

    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        const std::uint32_t high = Word();
        return low | (high << 16);
    }

    // A NUL-terminated text; a missing NUL before the end fails.
    std::u16string Text() {
        std::u16string text;
        for (;;) {
            const std::uint16_t unit = Word();
            if (failed_ || unit == 0) return text;
            text.push_back(static_cast<char16_t>(unit));
        }
    }

    TemplateName Name(bool allowNone) {
        TemplateName name;
        if (!Fits(2)) return name;
        const std::uint16_t first = PeekWord();
        if (first == 0x0000 && allowNone) {
            Word();
        } else if (first == 0xFFFF) {
            Word();
            name.kind = TemplateName::Kind::Ordinal;
            name.ordinal = Word();
        } else {
            name.kind = TemplateName::Kind::Text;
            name.text = Text();
        }
        return name;
    }

    void Skip(std::size_t count) {
        if (Fits(count)) offset_ += count;
    }

    void AlignToDword() { Skip((4 - offset_ % 4) % 4); }

private:
    bool Fits(std::size_t count) {
        if (failed_ || count > size_ - offset_) failed_ = true;
        return !failed_;
    }

    std::uint16_t PeekWord() const {
        return static_cast<std::uint16_t>(bytes_[offset_] | (bytes_[offset_ + 1] << 8));
    }

    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t offset_ = 0;
    bool failed_ = false;
};

DialogItemTemplate ReadItem(TemplateReader& reader) {
    DialogItemTemplate item;
    reader.AlignToDword();
    item.offset = reader.Offset();
    item.style = reader.Dword();
    item.exStyle = reader.Dword();
    item.x = reader.Short();
    item.y = reader.Short();
    item.cx = reader.Short();
    item.cy = reader.Short();
    item.id = reader.Word();
    // An item always names its class; a zero word would be an empty class
    // name, so it is read as text (an empty one).
    item.windowClass = reader.Name(false);
    item.title = reader.Name(false);
    item.creationDataBytes = reader.Word();
    reader.Skip(item.creationDataBytes);
    return item;
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const void* bytes, std::size_t size) {
    if (bytes == nullptr) return std::nullopt;
    TemplateReader reader(static_cast<const std::uint8_t*>(bytes), size);

    DialogTemplate dialog;
    dialog.style = reader.Dword();
    dialog.exStyle = reader.Dword();
    // The extended form starts with version 1 and 0xFFFF; it is not read.
    if (dialog.style == 0xFFFF0001u) return std::nullopt;
    const std::uint16_t itemCount = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    dialog.menu = reader.Name(true);
    dialog.windowClass = reader.Name(true);
    dialog.title = reader.Text();
    if (dialog.style & DS_SETFONT) {
        dialog.hasFont = true;
        dialog.pointSize = reader.Word();
        dialog.faceOffset = reader.Offset();
        dialog.faceName = reader.Text();
    }
    dialog.headerEnd = reader.Offset();
    if (reader.Failed()) return std::nullopt;

    // Each item takes at least 24 bytes, so a count that cannot fit is
    // refused before anything is reserved for it.
    if (itemCount > reader.Remaining() / 24 + 1) return std::nullopt;
    dialog.items.reserve(itemCount);
    for (std::uint16_t i = 0; i < itemCount; ++i) {
        dialog.items.push_back(ReadItem(reader));
        if (reader.Failed()) return std::nullopt;
    }

    // A resource may be padded to a 4-byte boundary; anything longer means
    // the count is smaller than the items present.
    if (reader.Remaining() >= 4) return std::nullopt;
    return dialog;
}

}  // namespace platform::shared
