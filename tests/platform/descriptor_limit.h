// Descriptors running out, on purpose, for one scope: the process's soft
// limit is lowered so that only `spare` more can be opened.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

namespace velorwind_test {

class DescriptorLimit {
public:
    explicit DescriptorLimit(int spare) {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        const int lowestFree = ::dup(0);
        ::close(lowestFree);
        rlimit lowered = saved_;
        lowered.rlim_cur = static_cast<rlim_t>(lowestFree + spare);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~DescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    DescriptorLimit(const DescriptorLimit&) = delete;
    DescriptorLimit& operator=(const DescriptorLimit&) = delete;

private:
    rlimit saved_{};
};

}  // namespace velorwind_test
