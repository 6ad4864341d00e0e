#include "platform/win32/status/volume_queries.h"

#include <algorithm>
#include <array>

#include "platform/win32/status/bounded_worker.h"

namespace platform::win32 {
namespace {

// One job for a volume: its space or its label.
struct VolumeJob {
    bool wantsLabel;
    SystemFreeSpaceQuery query;
    char16_t path[MAX_PATH + 1];
    char16_t label[MAX_PATH + 1];
    ULARGE_INTEGER available, total, free;
    bool succeeded;

    void Run() {
        if (wantsLabel) {
            succeeded = GetVolumeInformationW(Wide(path), Wide(label), MAX_PATH + 1, nullptr,
                                              nullptr, nullptr, nullptr, 0) != FALSE;
        } else {
            succeeded = query(Wide(path), &available, &total, &free) != FALSE;
        }
    }
};

constexpr std::size_t PROFILE_WORKER = 26;

// A worker per drive letter, and one for paths that name no drive (a
// profile on a network share).
BoundedWorker<VolumeJob>& WorkerFor(std::u16string_view path) {
    static std::array<BoundedWorker<VolumeJob>, PROFILE_WORKER + 1> workers;
    const char16_t letter = path.size() >= 2 && path[1] == u':' ? (path[0] | 0x20) : 0;
    const std::size_t index = letter >= u'a' && letter <= u'z' ? letter - u'a' : PROFILE_WORKER;
    return workers[index];
}

std::optional<VolumeJob> RunBounded(VolumeJob job, std::u16string_view path) {
    if (path.empty() || path.size() > MAX_PATH) return std::nullopt;
    std::copy(path.begin(), path.end(), job.path);
    job.path[path.size()] = u'\0';
    if (!WorkerFor(path).Run(job, VOLUME_QUERY_BOUND_MS) || !job.succeeded) return std::nullopt;
    return job;
}

}  // namespace

std::optional<VolumeSpace> MeasureVolume(std::u16string_view path, SystemFreeSpaceQuery query) {
    if (query == nullptr) return std::nullopt;
    VolumeJob job{};
    job.query = query;
    const std::optional<VolumeJob> done = RunBounded(job, path);
    if (!done) return std::nullopt;
    return VolumeSpace{done->available.QuadPart, done->total.QuadPart, done->free.QuadPart};
}

std::optional<std::u16string> VolumeLabel(std::u16string_view root) {
    VolumeJob job{};
    job.wantsLabel = true;
    const std::optional<VolumeJob> done = RunBounded(job, root);
    if (!done) return std::nullopt;
    return std::u16string(done->label);
}

}  // namespace platform::win32
