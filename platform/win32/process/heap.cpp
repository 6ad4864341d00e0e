// The process heap: the Windows API's own. Its blocks are aligned for any
// character type (16 bytes on x86-64).

#include "platform/heap.h"
#include "platform/win32/windows_api.h"

namespace platform {

void* HeapAllocate(std::size_t bytes) { return HeapAlloc(GetProcessHeap(), 0, bytes); }

void HeapRelease(void* block) {
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

}  // namespace platform
