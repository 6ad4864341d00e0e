// The platform's binary version resource (VS_VERSIONINFO): nested blocks of
// length, value length, value type, key and value, every block and value
// starting on a four-byte boundary, a block's length covering its children.
// The root block's value is the fixed file information; it is followed by a
// string table and the translation that names the table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "resources/binary_writer.h"

namespace resources {

struct VersionString {
    std::u16string_view key;
    std::u16string_view value;
};

struct VersionInfo {
    std::array<std::uint16_t, 4> fileVersion;  // major, minor, build, revision
    std::array<std::uint16_t, 4> productVersion;
    std::uint32_t fileFlagsMask;
    std::uint32_t fileFlags;
    std::uint32_t fileOS;
    std::uint32_t fileType;
    std::uint32_t fileSubtype;
    std::uint16_t language;
    std::uint16_t codePage;
    std::span<const VersionString> strings;
};

constexpr std::uint32_t VERSION_SIGNATURE = 0xFEEF04BD;
constexpr std::uint32_t VERSION_STRUCTURE_VERSION = 0x00010000;
constexpr std::uint16_t FIXED_FILE_INFO_SIZE = 13 * 4;

// Value types of a version block.
constexpr std::uint16_t BINARY_VALUE = 0;
constexpr std::uint16_t TEXT_VALUE = 1;

constexpr std::uint32_t HighVersionDword(const std::array<std::uint16_t, 4>& v) {
    return (std::uint32_t{v[0]} << 16) | v[1];
}
constexpr std::uint32_t LowVersionDword(const std::array<std::uint16_t, 4>& v) {
    return (std::uint32_t{v[2]} << 16) | v[3];
}

// The string table's key: language and code page as eight upper-case hex
// digits, the form the translation entry points at.
constexpr std::array<char16_t, 8> StringTableKey(std::uint16_t language, std::uint16_t codePage) {
    constexpr std::u16string_view digits = u"0123456789ABCDEF";
    const std::uint32_t both = (std::uint32_t{language} << 16) | codePage;
    std::array<char16_t, 8> key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        key[i] = digits[(both >> (28 - 4 * i)) & 0xF];
    }
    return key;
}

// Writes a block's head; its length is filled in by EndVersionBlock.
template <class Sink>
constexpr std::size_t BeginVersionBlock(Sink& out, std::u16string_view key,
                                        std::uint16_t valueLength, std::uint16_t valueType) {
    AlignToDword(out);
    const std::size_t start = out.Position();
    PutWord(out, 0);
    PutWord(out, valueLength);
    PutWord(out, valueType);
    PutText(out, key);
    AlignToDword(out);
    return start;
}

template <class Sink>
constexpr void EndVersionBlock(Sink& out, std::size_t start) {
    out.PatchWord(start, static_cast<std::uint16_t>(out.Position() - start));
}

template <class Sink>
constexpr void WriteFixedFileInfo(Sink& out, const VersionInfo& info) {
    PutDword(out, VERSION_SIGNATURE);
    PutDword(out, VERSION_STRUCTURE_VERSION);
    PutDword(out, HighVersionDword(info.fileVersion));
    PutDword(out, LowVersionDword(info.fileVersion));
    PutDword(out, HighVersionDword(info.productVersion));
    PutDword(out, LowVersionDword(info.productVersion));
    PutDword(out, info.fileFlagsMask);
    PutDword(out, info.fileFlags);
    PutDword(out, info.fileOS);
    PutDword(out, info.fileType);
    PutDword(out, info.fileSubtype);
    PutDword(out, 0);  // file date, high and low: none
    PutDword(out, 0);
}

template <class Sink>
constexpr void WriteStringFileInfo(Sink& out, const VersionInfo& info) {
    const std::size_t fileInfo = BeginVersionBlock(out, u"StringFileInfo", 0, TEXT_VALUE);
    const std::array<char16_t, 8> key = StringTableKey(info.language, info.codePage);
    const std::size_t table =
        BeginVersionBlock(out, std::u16string_view(key.data(), key.size()), 0, TEXT_VALUE);
    for (const VersionString& entry : info.strings) {
        // A text value's length counts characters, its NUL included.
        const auto length = static_cast<std::uint16_t>(entry.value.size() + 1);
        const std::size_t block = BeginVersionBlock(out, entry.key, length, TEXT_VALUE);
        PutText(out, entry.value);
        EndVersionBlock(out, block);
    }
    EndVersionBlock(out, table);
    EndVersionBlock(out, fileInfo);
}

template <class Sink>
constexpr void WriteVarFileInfo(Sink& out, const VersionInfo& info) {
    const std::size_t varInfo = BeginVersionBlock(out, u"VarFileInfo", 0, TEXT_VALUE);
    const std::size_t translation = BeginVersionBlock(out, u"Translation", 4, BINARY_VALUE);
    PutWord(out, info.language);
    PutWord(out, info.codePage);
    EndVersionBlock(out, translation);
    EndVersionBlock(out, varInfo);
}

template <class Sink>
constexpr void WriteVersionInfo(Sink& out, const VersionInfo& info) {
    const std::size_t root =
        BeginVersionBlock(out, u"VS_VERSION_INFO", FIXED_FILE_INFO_SIZE, BINARY_VALUE);
    WriteFixedFileInfo(out, info);
    WriteStringFileInfo(out, info);
    WriteVarFileInfo(out, info);
    EndVersionBlock(out, root);
}

}  // namespace resources
