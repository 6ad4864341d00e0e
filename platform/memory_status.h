// Program memory and object store queries. Byte counts are 64-bit: a 32-bit
// count wraps on any machine with more than 4 GiB.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// The caller zero-fills the record and sets `length` to its size before the
// query. Only totalPhysical and availablePhysical are read by the program.
struct MemoryStatusRecord {
    std::uint32_t length;
    std::uint32_t memoryLoad;
    std::uint64_t totalPhysical;
    std::uint64_t availablePhysical;
    std::uint64_t totalPageFile;
    std::uint64_t availablePageFile;
    std::uint64_t totalVirtual;
    std::uint64_t availableVirtual;
    std::uint64_t availableExtendedVirtual;
};
static_assert(sizeof(MemoryStatusRecord) == 64);
static_assert(offsetof(MemoryStatusRecord, totalPhysical) == 8);
static_assert(offsetof(MemoryStatusRecord, availablePhysical) == 16);

// Fills the record. It reports no failure: a field it cannot learn is 0.
void QueryMemoryStatus(MemoryStatusRecord* status);

// The object store (the user's data storage): its size and free size.
struct StoreInfoRecord {
    std::uint64_t size;
    std::uint64_t freeSize;
};

// Returns false when the store cannot be measured; the record is then
// undefined.
bool QueryStoreInformation(StoreInfoRecord* info);

}  // namespace platform
