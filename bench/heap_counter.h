#pragma once

#include <cstddef>

namespace bench {

// Heap requests made through the platform heap since the start.
std::size_t HeapRequests();

}  // namespace bench
