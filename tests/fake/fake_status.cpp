// Scripted status sources: power, memory, object store, the core library,
// the root enumeration and the free-space query.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/library.h"
#include "platform/memory_status.h"
#include "platform/power_status.h"
#include "platform/root_enumeration.h"
#include "tests/fake/fake_platform.h"

namespace fake {

namespace {

Status& SourcesState() {
    static Status status;
    return status;
}

std::string Narrow(const char16_t* text) {
    std::string result;
    for (; text != nullptr && *text != u'\0'; ++text) {
        result += *text < 0x80 ? static_cast<char>(*text) : '?';
    }
    return result;
}

void Log(std::string line) { StatusCalls().push_back(std::move(line)); }

// One running enumeration: the index of the next entry to deliver.
struct Enumeration {
    std::size_t next = 0;
};

// A library handle is the address of this marker.
char coreLibrary;

void FillEntry(platform::FindDataRecord* record, const RootEntry& entry) {
    std::memset(record, 0xCD, sizeof *record);  // what a real query leaves is unknown
    record->attributes = entry.attributes;
    const std::size_t length = std::min(entry.name.size(), platform::PATH_BUFFER_CHARS);
    std::memcpy(record->name, entry.name.data(), length * sizeof(char16_t));
    // Names of PATH_BUFFER_CHARS characters or more are left unterminated on
    // purpose: the survey must not trust the record's terminator.
    if (length < platform::PATH_BUFFER_CHARS) record->name[length] = u'\0';
}

std::int32_t FreeSpace(const char16_t* path, std::uint64_t* available, std::uint64_t* total,
                       std::uint64_t* totalFree) {
    const std::u16string asked(path);
    Log("free-space " + Narrow(path));
    for (const RootEntry& entry : SourcesState().rootEntries) {
        if (u"/" + entry.name != asked) continue;
        if (!entry.totalBytes) return 0;
        if (available) *available = entry.freeBytes / 2;
        if (total) *total = *entry.totalBytes;
        if (totalFree) *totalFree = entry.freeBytes;
        return 1;
    }
    return 0;
}

}  // namespace

Status& Sources() { return SourcesState(); }

std::vector<std::string>& StatusCalls() {
    static std::vector<std::string> calls;
    return calls;
}

void ResetStatus() {
    SourcesState() = Status{};
    StatusCalls().clear();
}

}  // namespace fake

namespace platform {

bool QueryPowerStatus(PowerStatusRecord* status, bool update) {
    fake::Log(std::string("power update=") + (update ? "1" : "0"));
    if (!fake::Sources().power) return false;
    *status = *fake::Sources().power;
    return true;
}

void QueryMemoryStatus(MemoryStatusRecord* status) {
    fake::Log("memory length=" + std::to_string(status->length));
    status->totalPhysical = fake::Sources().ramTotal;
    status->availablePhysical = fake::Sources().ramAvailable;
}

bool QueryStoreInformation(StoreInfoRecord* info) {
    fake::Log("store");
    if (!fake::Sources().store) return false;
    *info = *fake::Sources().store;
    return true;
}

LibraryHandle LoadLibrary(const char16_t* name) {
    fake::Log("load " + fake::Narrow(name));
    if (!fake::Sources().libraryLoads) return nullptr;
    return reinterpret_cast<LibraryHandle>(&fake::coreLibrary);
}

LibraryEntry FindLibraryEntry(LibraryHandle, const char16_t* name) {
    fake::Log("lookup " + fake::Narrow(name));
    if (!fake::Sources().freeSpaceEntryFound) return nullptr;
    if (std::u16string(name) != u"GetDiskFreeSpaceExW") return nullptr;
    return reinterpret_cast<LibraryEntry>(&fake::FreeSpace);
}

bool ReleaseLibrary(LibraryHandle library) {
    fake::Log("release");
    return library != nullptr;
}

FindHandle FindFirstEntry(const char16_t* pattern, FindDataRecord* entry) {
    fake::Log("find-first " + fake::Narrow(pattern));
    const auto& entries = fake::Sources().rootEntries;
    if (!fake::Sources().enumerationStarts || entries.empty()) return InvalidFindHandle();
    fake::FillEntry(entry, entries[0]);
    auto* enumeration = new fake::Enumeration{1};
    return reinterpret_cast<FindHandle>(enumeration);
}

bool FindNextEntry(FindHandle handle, FindDataRecord* entry) {
    fake::Log("find-next");
    auto* enumeration = reinterpret_cast<fake::Enumeration*>(handle);
    const auto& entries = fake::Sources().rootEntries;
    if (enumeration->next >= entries.size()) return false;
    fake::FillEntry(entry, entries[enumeration->next++]);
    return true;
}

bool CloseEnumeration(FindHandle handle) {
    fake::Log("close");
    delete reinterpret_cast<fake::Enumeration*>(handle);
    return true;
}

}  // namespace platform
