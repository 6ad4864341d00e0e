// The dialog template parser on any bytes. Properties: it never reads past
// the given size (the bytes are copied to a block of exactly that size);
// a template it accepts has the item count its header gives; written out
// again in the template form, the template parses to the same values and
// writes to the same bytes.
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "platform/shared/dialog_template.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using platform::shared::DialogItemTemplate;
using platform::shared::DialogTemplate;
using platform::shared::TemplateName;

class Writer {
public:
    void Word(std::uint16_t value) {
        bytes_.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    void Dword(std::uint32_t value) {
        Word(static_cast<std::uint16_t>(value & 0xFFFF));
        Word(static_cast<std::uint16_t>(value >> 16));
    }
    void Text(const std::u16string& text) {
        for (const char16_t unit : text) Word(unit);
        Word(0);
    }
    void Name(const TemplateName& name) {
        switch (name.kind) {
        case TemplateName::Kind::None: Word(0); break;
        case TemplateName::Kind::Ordinal:
            Word(0xFFFF);
            Word(name.ordinal);
            break;
        case TemplateName::Kind::Text: Text(name.text); break;
        }
    }
    void Zeros(std::size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    void Align() {
        while (bytes_.size() % 4 != 0) bytes_.push_back(0);
    }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

std::vector<std::uint8_t> Write(const DialogTemplate& dialog) {
    Writer out;
    out.Dword(dialog.style);
    out.Dword(dialog.exStyle);
    out.Word(static_cast<std::uint16_t>(dialog.items.size()));
    for (const std::int16_t value : {dialog.x, dialog.y, dialog.cx, dialog.cy}) {
        out.Word(static_cast<std::uint16_t>(value));
    }
    out.Name(dialog.menu);
    out.Name(dialog.windowClass);
    out.Text(dialog.title);
    if (dialog.hasFont) {
        out.Word(dialog.pointSize);
        out.Text(dialog.faceName);
    }
    for (const DialogItemTemplate& item : dialog.items) {
        out.Align();
        out.Dword(item.style);
        out.Dword(item.exStyle);
        for (const std::int16_t value : {item.x, item.y, item.cx, item.cy}) {
            out.Word(static_cast<std::uint16_t>(value));
        }
        out.Word(item.id);
        out.Name(item.windowClass);
        out.Name(item.title);
        out.Word(item.creationDataBytes);
        out.Zeros(item.creationDataBytes);
    }
    return out.Bytes();
}

bool SameName(const TemplateName& a, const TemplateName& b) {
    return a.kind == b.kind && a.ordinal == b.ordinal && a.text == b.text;
}

bool Same(const DialogTemplate& a, const DialogTemplate& b) {
    if (a.style != b.style || a.exStyle != b.exStyle || a.x != b.x || a.y != b.y || a.cx != b.cx ||
        a.cy != b.cy || !SameName(a.menu, b.menu) || !SameName(a.windowClass, b.windowClass) ||
        a.title != b.title || a.hasFont != b.hasFont || a.pointSize != b.pointSize ||
        a.faceName != b.faceName || a.items.size() != b.items.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.items.size(); ++i) {
        const DialogItemTemplate& p = a.items[i];
        const DialogItemTemplate& q = b.items[i];
        if (p.style != q.style || p.exStyle != q.exStyle || p.x != q.x || p.y != q.y ||
            p.cx != q.cx || p.cy != q.cy || p.id != q.id ||
            !SameName(p.windowClass, q.windowClass) || !SameName(p.title, q.title) ||
            p.creationDataBytes != q.creationDataBytes) {
            return false;
        }
    }
    return true;
}

std::optional<DialogTemplate> ParseExactly(const std::vector<std::uint8_t>& bytes) {
    const auto copy = std::make_unique<std::uint8_t[]>(bytes.size());
    if (!bytes.empty()) std::memcpy(copy.get(), bytes.data(), bytes.size());
    return platform::shared::ParseDialogTemplate(copy.get(), bytes.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<DialogTemplate> parsed =
        ParseExactly(std::vector<std::uint8_t>(data, data + size));
    if (!parsed) return 0;
    FUZZ_CHECK(size >= 10);
    FUZZ_CHECK(parsed->items.size() == static_cast<std::size_t>(data[8] | (data[9] << 8)));
    const std::vector<std::uint8_t> written = Write(*parsed);
    const std::optional<DialogTemplate> again = ParseExactly(written);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(Same(*parsed, *again));
    FUZZ_CHECK(Write(*again) == written);
    return 0;
}
