// The recording fake platform: scripted status sources and a counting heap.
// Unit tests link it in place of the real back ends. Windowing and drawing
// are recorded in fake_window.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/memory_status.h"
#include "platform/power_status.h"

namespace fake {

struct HeapCounters {
    std::size_t requests = 0;
    std::size_t releases = 0;
    std::size_t bytesRequested = 0;
};

// What the heap has done since the last ResetHeap().
const HeapCounters& Heap();
void ResetHeap();
// Blocks requested and not yet released (over the whole run).
std::size_t LiveBlocks();
// Size of a live block, 0 for anything else.
std::size_t BlockSize(const void* block);
// The next `count` requests fail (return null).
void FailNextHeapRequests(std::size_t count);

struct RootEntry {
    std::u16string name;
    std::uint32_t attributes;
    // Total and free bytes answered by the free-space query; none: it fails.
    std::optional<std::uint64_t> totalBytes;
    std::uint64_t freeBytes = 0;
};

struct Status {
    // Answer of the power query; none: the query fails.
    std::optional<platform::PowerStatusRecord> power;
    std::uint64_t ramTotal = 0;
    std::uint64_t ramAvailable = 0;
    // Answer of the object store query; none: it fails.
    std::optional<platform::StoreInfoRecord> store;
    bool libraryLoads = true;
    bool freeSpaceEntryFound = true;
    bool enumerationStarts = true;
    std::vector<RootEntry> rootEntries;
};

// The scripted sources; tests change it freely between calls.
Status& Sources();

// One line per status call, in order: "power update=1", "memory length=64",
// "store", "load COREDLL.DLL", "lookup GetDiskFreeSpaceExW", "release",
// "find-first /*.*", "find-next", "close", "free-space /NAME".
std::vector<std::string>& StatusCalls();

// Sources and calls back to their defaults.
void ResetStatus();

}  // namespace fake
