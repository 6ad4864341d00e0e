// Readers of the binary resource formats, written apart from the writers in
// resources/ so that the tests check the bytes against the platform's layout
// and not against the writers' own idea of it. Every read is bounds-checked:
// running off the end marks the reader failed instead of reading past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace resource_test {

// The bytes of a resource of the program image; empty when it is missing.
std::span<const std::uint8_t> ProgramResource(std::uint32_t id, std::uint32_t type);

class ByteCursor {
public:
    explicit ByteCursor(std::span<const std::uint8_t> bytes, std::size_t offset = 0)
        : bytes_(bytes), offset_(offset) {}

    std::uint8_t Byte();
    std::uint16_t Word();
    std::uint32_t Dword();
    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
    // UTF-16 text up to and including its NUL; the NUL is not returned.
    std::u16string Text();
    // Skips to the next multiple of four from the start of the bytes.
    void SkipToDword();
    void Skip(std::size_t count);

    std::size_t Offset() const { return offset_; }
    bool Failed() const { return failed_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t offset_;
    bool failed_ = false;
};

struct ParsedItem {
    std::size_t offset;
    std::uint32_t style;
    std::uint32_t extendedStyle;
    std::int16_t x, y, cx, cy;
    std::uint16_t id;
    std::uint16_t classMarker;
    std::uint16_t classNumber;
    std::u16string text;
    std::uint16_t creationDataSize;
    std::size_t end;  // just past the item's last byte
};

struct ParsedDialog {
    std::uint32_t style = 0;
    std::uint32_t extendedStyle = 0;
    std::uint16_t itemCount = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint16_t menu = 0;
    std::uint16_t windowClass = 0;
    std::u16string title;
    std::uint16_t pointSize = 0;
    std::u16string fontFace;
    std::vector<ParsedItem> items;
    bool failed = false;
    std::size_t bytesRead = 0;
};

// Reads a standard (not extended) dialog template whose menu and class are
// given as none and default and whose items name their class by number.
ParsedDialog ParseDialogTemplate(std::span<const std::uint8_t> bytes);

struct VersionNode {
    std::size_t offset = 0;
    std::uint16_t length = 0;
    std::uint16_t valueLength = 0;
    std::uint16_t valueType = 0;
    std::u16string key;
    std::vector<std::uint8_t> value;  // as stored; a text value keeps its NUL
    std::vector<VersionNode> children;

    const VersionNode* Child(std::u16string_view childKey) const;
    std::u16string TextValue() const;
};

// Reads the block at `offset` and its children; false when any block runs
// past its parent or the bytes.
bool ParseVersionNode(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t end,
                      VersionNode& node, int depth = 0);

}  // namespace resource_test
