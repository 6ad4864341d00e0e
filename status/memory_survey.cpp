#include "status/memory_survey.h"

#include <cstdint>
#include <cstring>

#include "platform/library.h"
#include "platform/memory_status.h"
#include "platform/root_enumeration.h"
#include "platform/wide_text.h"

namespace status {

namespace {

using platform::PATH_BUFFER_CHARS;

constexpr char16_t TEXT_TOTAL[] = u"全";
constexpr char16_t TEXT_FREE[] = u"未使用";
constexpr char16_t TEXT_OTHERS[] = u"他";
constexpr char16_t ROOT_PATTERN[] = u"/*.*";
constexpr char16_t ROOT_PREFIX[] = u"/";
constexpr char16_t CORE_LIBRARY[] = u"COREDLL.DLL";
constexpr char16_t FREE_SPACE_ENTRY[] = u"GetDiskFreeSpaceExW";

// What the card part of one survey found.
struct VolumeGroups {
    char16_t firstName[PATH_BUFFER_CHARS];
    char16_t secondName[PATH_BUFFER_CHARS];
    std::uint64_t firstTotal;
    std::uint64_t firstFree;
    std::uint64_t secondTotal;
    std::uint64_t secondFree;
    std::uint32_t count;
};

void SurveyProgramMemory(MemoryTexts& texts) {
    platform::MemoryStatusRecord memory;
    std::memset(&memory, 0, sizeof memory);
    memory.length = sizeof memory;
    platform::QueryMemoryStatus(&memory);
    FormatGrouped(memory.totalPhysical, texts.ramTotalText);
    FormatGrouped(memory.availablePhysical, texts.ramFreeText);
    texts.ramFreePercent = PercentOf(memory.availablePhysical, memory.totalPhysical);
}

void SurveyObjectStore(MemoryTexts& texts) {
    platform::StoreInfoRecord store;
    if (!platform::QueryStoreInformation(&store)) return;
    FormatGrouped(store.size, texts.storeTotalText);
    FormatGrouped(store.freeSize, texts.storeFreeText);
    texts.storeFreePercent = PercentOf(store.freeSize, store.size);
}

// The free-space query, looked up afresh at every survey. The library is
// released at once: it is the program's own core library and stays loaded
// for the life of the process, so the entry remains callable.
platform::DiskFreeSpaceQuery FindFreeSpaceQuery() {
    platform::LibraryHandle library = platform::LoadLibrary(CORE_LIBRARY);
    if (library == nullptr) return nullptr;
    platform::LibraryEntry entry = platform::FindLibraryEntry(library, FREE_SPACE_ENTRY);
    platform::ReleaseLibrary(library);
    return reinterpret_cast<platform::DiskFreeSpaceQuery>(entry);
}

bool IsMountedVolume(const platform::FindDataRecord& entry) {
    constexpr std::uint32_t required = platform::ATTR_DIRECTORY | platform::ATTR_TEMPORARY;
    return (entry.attributes & required) == required;
}

// "/" + name into `path`; false when that does not fit, and the entry is
// then passed over rather than queried under a cut name. The record's own
// terminator is not trusted.
bool BuildVolumePath(char16_t (&path)[PATH_BUFFER_CHARS], const platform::FindDataRecord& entry) {
    std::size_t nameLength = 0;
    while (nameLength < PATH_BUFFER_CHARS && entry.name[nameLength] != u'\0') ++nameLength;
    if (nameLength + 2 > PATH_BUFFER_CHARS) return false;
    platform::WideCopy(path, ROOT_PREFIX);
    platform::CopyBytes(path + 1, entry.name, nameLength * sizeof(char16_t));
    path[nameLength + 1] = u'\0';
    return true;
}

// The first counted volume is a group of its own; the second and every
// later one add to the second group, which keeps the second one's name.
// `name` fits a name buffer: it fitted the path behind "/".
void CountVolume(VolumeGroups& groups, const char16_t* name, std::uint64_t total,
                 std::uint64_t free) {
    if (groups.count == 0) {
        platform::WideCopy(groups.firstName, name);
        groups.firstTotal += total;
        groups.firstFree += free;
    } else {
        if (groups.count == 1) platform::WideCopy(groups.secondName, name);
        groups.secondTotal += total;
        groups.secondFree += free;
    }
    ++groups.count;
}

// False when the enumeration could not be started.
bool EnumerateVolumes(platform::DiskFreeSpaceQuery freeSpace, VolumeGroups& groups) {
    platform::FindDataRecord entry;
    platform::FindHandle enumeration = platform::FindFirstEntry(ROOT_PATTERN, &entry);
    if (enumeration == platform::InvalidFindHandle()) return false;
    char16_t path[PATH_BUFFER_CHARS];
    do {
        if (!IsMountedVolume(entry) || !BuildVolumePath(path, entry)) continue;
        std::uint64_t available = 0;
        std::uint64_t total = 0;
        std::uint64_t totalFree = 0;
        if (freeSpace(path, &available, &total, &totalFree) == 0) continue;
        CountVolume(groups, path + 1, total, totalFree);
    } while (platform::FindNextEntry(enumeration, &entry));
    platform::CloseEnumeration(enumeration);
    return true;
}

// "prefix" + name, and "他" after it when the group stands for several.
void BuildLabel(text::OwnedText& label, const char16_t* prefix, const char16_t* name,
                bool withOthers) {
    text::OwnedText start(prefix);
    text::OwnedText named = start.Concat(name);
    if (!withOthers) {
        label.TakeOver(named);
        return;
    }
    text::OwnedText suffixed = named.Concat(TEXT_OTHERS);
    label.TakeOver(suffixed);
}

// A group with no volume at this survey shows nothing, as before the first
// card: a card that was taken out must not go on showing its last size.
void ClearGroup(text::OwnedText& totalLabel, text::OwnedText& totalText, text::OwnedText& freeLabel,
                text::OwnedText& freeText, std::uint8_t& freePercent) {
    totalLabel.Clear();
    totalText.Clear();
    freeLabel.Clear();
    freeText.Clear();
    freePercent = 0;
}

void WriteVolumeTexts(MemoryTexts& texts, const VolumeGroups& groups) {
    if (groups.count == 0) {
        ClearGroup(texts.vol1TotalLabel, texts.vol1TotalText, texts.vol1FreeLabel,
                   texts.vol1FreeText, texts.vol1FreePercent);
    }
    if (groups.count < 2) {
        ClearGroup(texts.vol2TotalLabel, texts.vol2TotalText, texts.vol2FreeLabel,
                   texts.vol2FreeText, texts.vol2FreePercent);
    }
    if (groups.count == 0) return;
    if (groups.firstName[0] != u'\0') {
        BuildLabel(texts.vol1TotalLabel, TEXT_TOTAL, groups.firstName, false);
        BuildLabel(texts.vol1FreeLabel, TEXT_FREE, groups.firstName, false);
    }
    if (groups.secondName[0] != u'\0') {
        const bool others = groups.count > 2;
        BuildLabel(texts.vol2TotalLabel, TEXT_TOTAL, groups.secondName, others);
        BuildLabel(texts.vol2FreeLabel, TEXT_FREE, groups.secondName, others);
    }
    FormatGrouped(groups.firstTotal, texts.vol1TotalText);
    FormatGrouped(groups.firstFree, texts.vol1FreeText);
    texts.vol1FreePercent = PercentOf(groups.firstFree, groups.firstTotal);
    if (groups.count > 1) {
        FormatGrouped(groups.secondTotal, texts.vol2TotalText);
        FormatGrouped(groups.secondFree, texts.vol2FreeText);
        texts.vol2FreePercent = PercentOf(groups.secondFree, groups.secondTotal);
    }
}

}  // namespace

bool SurveyMemory(MemoryTexts& texts) {
    SurveyProgramMemory(texts);
    SurveyObjectStore(texts);

    platform::DiskFreeSpaceQuery freeSpace = FindFreeSpaceQuery();
    if (freeSpace == nullptr) return false;

    VolumeGroups groups;
    std::memset(&groups, 0, sizeof groups);
    // Only a failure of the query machinery keeps the cards shown before;
    // a root that was read says which cards are there now.
    if (!EnumerateVolumes(freeSpace, groups)) return false;
    WriteVolumeTexts(texts, groups);
    return groups.count > 0;
}

}  // namespace status
