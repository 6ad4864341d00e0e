// A counting heap: every request and release is seen, every live block is
// known, and a release of anything that is not a live block fails the test.
#include <cstdlib>
#include <map>

#include <gtest/gtest.h>

#include "platform/heap.h"
#include "tests/fake/fake_platform.h"

namespace fake {

namespace {

struct HeapState {
    HeapCounters counters;
    std::map<const void*, std::size_t> live;
    std::size_t failures = 0;
};

HeapState& State() {
    static HeapState* state = new HeapState;  // outlives every static text
    return *state;
}

}  // namespace

const HeapCounters& Heap() { return State().counters; }
void ResetHeap() { State().counters = {}; }
std::size_t LiveBlocks() { return State().live.size(); }
void FailNextHeapRequests(std::size_t count) { State().failures = count; }

std::size_t BlockSize(const void* block) {
    auto found = State().live.find(block);
    return found == State().live.end() ? 0 : found->second;
}

}  // namespace fake

namespace platform {

void* HeapAllocate(std::size_t bytes) {
    fake::HeapState& state = fake::State();
    ++state.counters.requests;
    state.counters.bytesRequested += bytes;
    if (state.failures > 0) {
        --state.failures;
        return nullptr;
    }
    void* block = std::malloc(bytes == 0 ? 1 : bytes);
    state.live[block] = bytes;
    return block;
}

void HeapRelease(void* block) {
    if (block == nullptr) return;
    fake::HeapState& state = fake::State();
    ++state.counters.releases;
    auto found = state.live.find(block);
    if (found == state.live.end()) {
        ADD_FAILURE() << "released a block that is not live: " << block;
        return;
    }
    state.live.erase(found);
    std::free(block);
}

}  // namespace platform
