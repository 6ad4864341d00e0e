#include "tests/resources/resource_readers.h"

#include "platform/module.h"

namespace resource_test {

std::span<const std::uint8_t> ProgramResource(std::uint32_t id, std::uint32_t type) {
    const platform::InstanceHandle image = platform::ProgramImage();
    const platform::ResourceRecord* entry = platform::FindResourceEntry(image, id, type);
    const auto* data = static_cast<const std::uint8_t*>(platform::LoadResourceEntry(image, entry));
    if (data == nullptr) return {};
    return {data, platform::ResourceEntrySize(image, entry)};
}

std::uint8_t ByteCursor::Byte() {
    if (failed_ || offset_ >= bytes_.size()) {
        failed_ = true;
        return 0;
    }
    return bytes_[offset_++];
}

std::uint16_t ByteCursor::Word() {
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
}

std::uint32_t ByteCursor::Dword() {
    const std::uint32_t low = Word();
    return low | (std::uint32_t{Word()} << 16);
}

std::u16string ByteCursor::Text() {
    std::u16string text;
    for (std::uint16_t c = Word(); c != 0 && !failed_; c = Word()) text.push_back(c);
    return text;
}

void ByteCursor::SkipToDword() { Skip((4 - offset_ % 4) % 4); }

void ByteCursor::Skip(std::size_t count) {
    if (failed_ || count > bytes_.size() - offset_) {
        failed_ = true;
        return;
    }
    offset_ += count;
}

namespace {

ParsedItem ReadItem(ByteCursor& in) {
    in.SkipToDword();
    ParsedItem item{};
    item.offset = in.Offset();
    item.style = in.Dword();
    item.extendedStyle = in.Dword();
    item.x = in.Short();
    item.y = in.Short();
    item.cx = in.Short();
    item.cy = in.Short();
    item.id = in.Word();
    item.classMarker = in.Word();
    item.classNumber = in.Word();
    item.text = in.Text();
    item.creationDataSize = in.Word();
    in.Skip(item.creationDataSize);
    item.end = in.Offset();
    return item;
}

}  // namespace

ParsedDialog ParseDialogTemplate(std::span<const std::uint8_t> bytes) {
    ByteCursor in(bytes);
    ParsedDialog dialog;
    dialog.style = in.Dword();
    dialog.extendedStyle = in.Dword();
    dialog.itemCount = in.Word();
    dialog.x = in.Short();
    dialog.y = in.Short();
    dialog.cx = in.Short();
    dialog.cy = in.Short();
    dialog.menu = in.Word();
    dialog.windowClass = in.Word();
    dialog.title = in.Text();
    if (dialog.style & 0x40) {  // the template carries a font
        dialog.pointSize = in.Word();
        dialog.fontFace = in.Text();
    }
    for (std::uint16_t i = 0; i < dialog.itemCount && !in.Failed(); ++i) {
        dialog.items.push_back(ReadItem(in));
    }
    dialog.failed = in.Failed();
    dialog.bytesRead = in.Offset();
    return dialog;
}

const VersionNode* VersionNode::Child(std::u16string_view childKey) const {
    for (const VersionNode& child : children) {
        if (child.key == childKey) return &child;
    }
    return nullptr;
}

std::u16string VersionNode::TextValue() const {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        const auto c = static_cast<char16_t>(value[i] | (value[i + 1] << 8));
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

bool ParseVersionNode(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t end,
                      VersionNode& node, int depth) {
    constexpr int DEEPEST = 8;
    if (depth > DEEPEST || end > bytes.size() || offset >= end) return false;
    ByteCursor in(bytes.first(end), offset);
    node.offset = offset;
    node.length = in.Word();
    node.valueLength = in.Word();
    node.valueType = in.Word();
    node.key = in.Text();
    in.SkipToDword();
    const std::size_t blockEnd = offset + node.length;
    if (in.Failed() || node.length < 6 || blockEnd > end) return false;

    // A text value's length counts 16-bit characters, a binary one bytes.
    const std::size_t valueBytes = node.valueType == 1 ? 2u * node.valueLength : node.valueLength;
    ByteCursor value(bytes.first(blockEnd), in.Offset());
    for (std::size_t i = 0; i < valueBytes; ++i) node.value.push_back(value.Byte());
    if (value.Failed()) return false;

    std::size_t next = value.Offset();
    while (true) {
        next = (next + 3) / 4 * 4;
        if (next >= blockEnd) return true;
        VersionNode child;
        if (!ParseVersionNode(bytes, next, blockEnd, child, depth + 1)) return false;
        next = child.offset + child.length;
        node.children.push_back(std::move(child));
    }
}

}  // namespace resource_test
