// Program memory from a prepared meminfo, and the object store measured on
// the home folder.
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>

#include "platform/linux/bounded_statvfs.h"
#include "platform/memory_status.h"
#include "tests/platform/linux/prepared_tree.h"

namespace {

using namespace platform;
using velorwind_test::PreparedTree;

constexpr std::uint64_t KIB = 1024;

struct MeminfoCase {
    const char* title;
    std::string meminfo;
    std::uint64_t total;
    std::uint64_t available;
};

const MeminfoCase MEMINFO_CASES[] = {
    {"Typical",
     "MemTotal:       16318480 kB\nMemFree:         1234567 kB\nMemAvailable:   12238860 kB\n"
     "Buffers:          345678 kB\n",
     16318480 * KIB, 12238860 * KIB},
    {"OldKernelWithoutMemAvailable", "MemTotal:         512000 kB\nMemFree:          100000 kB\n",
     512000 * KIB, 0},
    {"LastLineWithoutLineEnd", "MemTotal: 1000 kB\nMemAvailable: 500 kB", 1000 * KIB, 500 * KIB},
    {"GarbageValues", "MemTotal: abc kB\nMemAvailable: 12abc kB\n", 0, 0},
    {"NegativeAndUnitless", "MemTotal: -5 kB\nMemAvailable: 4096\n", 0, 0},
    {"SignedZeroAndPlus", "MemTotal: -0 kB\nMemAvailable: +5 kB\n", 0, 0},
    {"WrongUnit", "MemTotal: 1000 MB\nMemAvailable: 500 kb\n", 0, 0},
    {"LargestThatFits", "MemTotal: 18014398509481983 kB\nMemAvailable: 0 kB\n",
     18014398509481983ull * KIB, 0},
    {"OverflowingBytes", "MemTotal: 18014398509481984 kB\nMemAvailable: 99999999999999999999 kB\n",
     0, 0},
    {"FirstOfTwiceGivenFieldCounts", "MemTotal: 1000 kB\nMemTotal: 2000 kB\nMemAvailable: 10 kB\n",
     1000 * KIB, 10 * KIB},
    {"LookalikeFieldsIgnored", "MemTotalX: 7 kB\nmemtotal: 8 kB\nMemTotal: 9 kB\n", 9 * KIB, 0},
    {"OverlongLineSkipped",
     "Junk: " + std::string(40000, 'x') + "\nMemTotal: 4 kB\nMemAvailable: 2 kB\n", 4 * KIB,
     2 * KIB},
    {"Empty", "", 0, 0},
};

void PrintTo(const MeminfoCase& c, std::ostream* out) { *out << c.title; }

class MeminfoTest : public testing::TestWithParam<MeminfoCase> {};

TEST_P(MeminfoTest, ReadsTotalAndAvailable) {
    const MeminfoCase& c = GetParam();
    const PreparedTree tree;
    tree.Write("proc/meminfo", c.meminfo);
    MemoryStatusRecord status;
    std::memset(&status, 0xA5, sizeof status);
    QueryMemoryStatus(&status);
    EXPECT_EQ(status.length, sizeof(MemoryStatusRecord));
    EXPECT_EQ(status.totalPhysical, c.total);
    EXPECT_EQ(status.availablePhysical, c.available);
    EXPECT_EQ(status.totalPageFile, 0u);
}

INSTANTIATE_TEST_SUITE_P(Meminfo, MeminfoTest, testing::ValuesIn(MEMINFO_CASES),
                         [](const auto& info) { return std::string(info.param.title); });

TEST(MemoryStatus, MissingTableGivesZeroes) {
    const PreparedTree tree;
    MemoryStatusRecord status{};
    status.totalPhysical = 99;
    QueryMemoryStatus(&status);
    EXPECT_EQ(status.length, sizeof(MemoryStatusRecord));
    EXPECT_EQ(status.totalPhysical, 0u);
    EXPECT_EQ(status.availablePhysical, 0u);
}

TEST(MemoryStatus, LoadIsShareInUse) {
    const PreparedTree tree;
    tree.Write("proc/meminfo", "MemTotal: 4000 kB\nMemAvailable: 1000 kB\n");
    MemoryStatusRecord status{};
    QueryMemoryStatus(&status);
    EXPECT_EQ(status.memoryLoad, 75u);
}

// The store is the home folder's file system; its figures are checked
// against the standard library's own measurement of the same folder.
class StoreInformationTest : public testing::Test {
protected:
    void SetUp() override {
        const char* home = std::getenv("HOME");
        if (home != nullptr) savedHome_ = home;
        hadHome_ = home != nullptr;
    }
    void TearDown() override {
        if (hadHome_) {
            ::setenv("HOME", savedHome_.c_str(), 1);
        } else {
            ::unsetenv("HOME");
        }
    }

private:
    std::string savedHome_;
    bool hadHome_ = false;
};

TEST_F(StoreInformationTest, MeasuresHomeFolder) {
    const PreparedTree tree;
    ::setenv("HOME", tree.Path("sys").c_str(), 1);
    StoreInfoRecord info{};
    ASSERT_TRUE(QueryStoreInformation(&info));
    const std::filesystem::space_info space = std::filesystem::space(tree.Path("sys"));
    EXPECT_EQ(info.size, space.capacity);
    EXPECT_LE(info.freeSize, info.size);
    // Other processes write meanwhile; a wrong field or unit is far off.
    constexpr std::uint64_t slack = 1ull << 30;
    EXPECT_LT(info.freeSize > space.available ? info.freeSize - space.available
                                              : space.available - info.freeSize,
              slack);
}

TEST_F(StoreInformationTest, FailsForMissingHome) {
    const PreparedTree tree;
    ::setenv("HOME", tree.Path("no/such/home").c_str(), 1);
    StoreInfoRecord info{};
    EXPECT_FALSE(QueryStoreInformation(&info));
}

// The file system that hangs, and how each measurement of it ends.
std::mutex hangLock;
std::condition_variable hangReleased;
bool hanging = false;
int callsToHungPath = 0;

// A folder whose name starts with "dead" is on a file system that hangs.
bool IsDead(std::string_view path) { return path.substr(path.rfind('/') + 1).starts_with("dead"); }

int HangingStatvfs(const char* path, struct statvfs* result) {
    if (IsDead(path)) {
        std::unique_lock guard(hangLock);
        ++callsToHungPath;
        hangReleased.wait(guard, [] { return !hanging; });
    }
    if (std::string_view(path).ends_with("/failing")) {
        errno = EIO;
        return -1;
    }
    return ::statvfs(path, result);
}

void ReleaseHang() {
    {
        const std::lock_guard guard(hangLock);
        hanging = false;
    }
    hangReleased.notify_all();
}

std::size_t ThreadCount() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                      std::filesystem::directory_iterator{}));
}

// A home folder on a dead mount: the query fails within its bound instead
// of holding the loop, a dead mount holds one helper however often it is
// asked, the other file systems still answer, and once the call returns the
// folder is measured again.
TEST_F(StoreInformationTest, AHungFileSystemFailsWithinItsBound) {
    const PreparedTree tree;
    tree.MakeFolder("dead");
    tree.MakeFolder("failing");
    linux_status::ReplaceStatvfsCall(HangingStatvfs);
    hanging = true;
    ::setenv("HOME", tree.Path("dead").c_str(), 1);
    const std::size_t threadsBefore = ThreadCount();

    std::atomic<bool> done = false;
    std::atomic<int> answered = 0;
    std::thread refresh([&] {
        StoreInfoRecord info{};
        for (int tick = 0; tick < 20; ++tick) answered += QueryStoreInformation(&info) ? 1 : 0;
        done = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool returned = done;
    const std::size_t threadsHung = ThreadCount();
    const int calls = callsToHungPath;
    StoreInfoRecord info{};
    ::setenv("HOME", tree.Path("failing").c_str(), 1);
    const bool failingAnswered = QueryStoreInformation(&info);
    ::setenv("HOME", tree.Path("sys").c_str(), 1);
    const bool otherAnswered = QueryStoreInformation(&info);
    ReleaseHang();
    refresh.join();

    EXPECT_TRUE(returned) << "twenty refreshes waited for the dead mount";
    EXPECT_EQ(answered, 0);
    EXPECT_EQ(calls, 1) << "the dead mount was asked again while its call hung";
    EXPECT_LE(threadsHung, threadsBefore + 2) << "refresh thread and one helper at most";
    EXPECT_FALSE(failingAnswered) << "EIO";
    EXPECT_TRUE(otherAnswered) << "another file system while one hangs";

    ::setenv("HOME", tree.Path("dead").c_str(), 1);
    bool measuredAgain = false;
    for (int tick = 0; tick < 100 && !measuredAgain; ++tick) {
        measuredAgain = QueryStoreInformation(&info);
        if (!measuredAgain) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(measuredAgain) << "measured again once its call returned";
    linux_status::ReplaceStatvfsCall(nullptr);
}

// The partitions of a disk that stopped answering: each holds one helper,
// asked once, while the home folder and a healthy card are measured at
// every refresh. Once the disk answers, its partitions are measured again
// and the threads it held end.
TEST_F(StoreInformationTest, APartitionedDiskThatHangsLeavesTheOtherVolumesMeasured) {
    const PreparedTree tree;
    std::vector<std::string> dead;
    for (int partition = 1; partition <= 5; ++partition) {
        dead.push_back(tree.Path("dead" + std::to_string(partition)));
        tree.MakeFolder("dead" + std::to_string(partition));
    }
    tree.MakeFolder("card");
    const std::string healthy[] = {tree.Path("card"), tree.Path("sys")};
    linux_status::ReplaceStatvfsCall(HangingStatvfs);
    hanging = true;
    callsToHungPath = 0;
    const std::size_t threadsBefore = ThreadCount();
    const auto bound = std::chrono::milliseconds(50);

    int deadAnswers = 0;
    int healthyAnswers = 0;
    for (int refresh = 0; refresh < 3; ++refresh) {
        for (const std::string& path : dead)
            deadAnswers += linux_status::StatvfsWithin(path.c_str(), bound) ? 1 : 0;
        for (const std::string& path : healthy) {
            healthyAnswers += linux_status::StatvfsWithin(path.c_str(), bound) ? 1 : 0;
        }
    }
    const std::size_t threadsHung = ThreadCount();
    const int calls = callsToHungPath;
    ReleaseHang();

    EXPECT_EQ(deadAnswers, 0);
    EXPECT_EQ(healthyAnswers, 6) << "the card and the home folder at each of three refreshes";
    EXPECT_EQ(calls, 5) << "each hung partition asked once";
    EXPECT_LE(threadsHung, threadsBefore + dead.size() + 1)
        << "one helper a partition, one for the rest";

    std::size_t measuredAgain = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (const std::string& path : dead) {
        while (!linux_status::StatvfsWithin(path.c_str(), bound) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        measuredAgain += std::chrono::steady_clock::now() < deadline ? 1 : 0;
    }
    EXPECT_EQ(measuredAgain, dead.size());
    while (ThreadCount() > threadsBefore + 1 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_LE(ThreadCount(), threadsBefore + 1) << "the threads the disk held have ended";
    linux_status::ReplaceStatvfsCall(nullptr);
}

// Volumes measured ahead, in one helper: a path asked for soon after takes
// the round's measurement, once; anything else is measured when asked. The
// fake file system counts the calls for each path and answers with the
// count, so an answer tells which call gave it.
std::mutex countLock;
std::map<std::string, int> callsFor;

int CountingStatvfs(const char* path, struct statvfs* result) {
    if (IsDead(path)) return HangingStatvfs(path, result);
    const std::lock_guard guard(countLock);
    *result = {};
    result->f_frsize = 1;
    result->f_blocks = 1000;
    result->f_bfree = result->f_bavail = static_cast<fsblkcnt_t>(++callsFor[path]);
    return 0;
}

int CallsFor(const std::string& path) {
    const std::lock_guard guard(countLock);
    return callsFor[path];
}

struct AheadStep {
    // Settle: wait until the helper made `calls` calls for the path.
    enum Kind { Ahead, Ask, Settle, Pause } kind;
    std::vector<std::string> paths;  // Ahead: the round; Ask, Settle: the one path
    bool answered = false;           // Ask: an answer came
    int calls = 0;                   // Ask: calls made for the path so far, and the answer's
};

struct AheadCase {
    const char* title;
    std::vector<AheadStep> steps;
};

AheadStep Round(std::vector<std::string> paths) { return {AheadStep::Ahead, std::move(paths)}; }
AheadStep Asked(std::string path, int calls) {
    return {AheadStep::Ask, {std::move(path)}, true, calls};
}
AheadStep Failed(std::string path, int calls) {
    return {AheadStep::Ask, {std::move(path)}, false, calls};
}
AheadStep Settled(std::string path, int calls) {
    return {AheadStep::Settle, {std::move(path)}, false, calls};
}
AheadStep Pause() { return {AheadStep::Pause, {}}; }

const AheadCase AHEAD_CASES[] = {
    {"EachPathOnceFromTheRound",
     {Round({"/v1/home", "/v1/a", "/v1/b"}), Asked("/v1/home", 1), Asked("/v1/a", 1),
      Asked("/v1/b", 1), Round({"/v1/home", "/v1/a", "/v1/b"}), Asked("/v1/b", 2),
      Asked("/v1/home", 2), Asked("/v1/a", 2)}},
    {"AnAnswerIsGivenOnce",
     {Round({"/v2/a"}), Asked("/v2/a", 1), Asked("/v2/a", 2), Asked("/v2/a", 3)}},
    {"APathOutsideTheRoundIsMeasuredWhenAsked",
     {Round({"/v3/a"}), Asked("/v3/new", 1), Asked("/v3/a", 1)}},
    {"AStaleRoundIsNotUsed", {Round({"/v4/a"}), Settled("/v4/a", 1), Pause(), Asked("/v4/a", 2)}},
    {"ANewRoundEndsTheLast",
     {Round({"/v5/a"}), Settled("/v5/a", 1), Round({"/v5/b"}), Asked("/v5/a", 2),
      Asked("/v5/b", 1)}},
    {"AHungPathEndsTheRoundAndIsLeftOutOfTheNext",
     {Round({"/v6/dead", "/v6/a"}), Failed("/v6/dead", 0), Asked("/v6/a", 1),
      Round({"/v6/dead", "/v6/a"}), Failed("/v6/dead", 0), Asked("/v6/a", 2)}},
};

void PrintTo(const AheadCase& c, std::ostream* out) { *out << c.title; }

class MeasuredAheadTest : public testing::TestWithParam<AheadCase> {};

TEST_P(MeasuredAheadTest, GivesEachRoundsAnswersOnceWhileFresh) {
    linux_status::ReplaceStatvfsCall(CountingStatvfs);
    hanging = true;
    callsToHungPath = 0;
    const auto bound = std::chrono::milliseconds(100);
    for (const AheadStep& step : GetParam().steps) {
        if (step.kind == AheadStep::Pause) {
            std::this_thread::sleep_for(linux_status::STATVFS_AHEAD_FRESH +
                                        std::chrono::milliseconds(50));
            continue;
        }
        if (step.kind == AheadStep::Settle) {
            for (int wait = 0; wait < 500 && CallsFor(step.paths[0]) < step.calls; ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            ASSERT_EQ(CallsFor(step.paths[0]), step.calls);
            continue;
        }
        if (step.kind == AheadStep::Ahead) {
            std::vector<const char*> paths;
            for (const std::string& path : step.paths) paths.push_back(path.c_str());
            linux_status::MeasureAhead(paths);
            continue;
        }
        const std::string& path = step.paths[0];
        // A hung path holds its call until the end of the test: that the
        // query returns at all is its bound at work.
        const std::optional<struct statvfs> answer =
            linux_status::StatvfsWithin(path.c_str(), bound);
        ASSERT_EQ(answer.has_value(), step.answered) << path;
        if (answer) {
            EXPECT_EQ(answer->f_bfree, static_cast<fsblkcnt_t>(step.calls)) << path;
            EXPECT_EQ(CallsFor(path), step.calls) << path;
        }
    }
    EXPECT_LE(callsToHungPath, 1) << "a hung path was asked again while its call hung";
    ReleaseHang();
    linux_status::ReplaceStatvfsCall(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Rounds, MeasuredAheadTest, testing::ValuesIn(AHEAD_CASES),
                         [](const auto& info) { return std::string(info.param.title); });

TEST_F(StoreInformationTest, FallsBackToAccountWhenHomeUnset) {
    if (::getpwuid(::getuid()) == nullptr) GTEST_SKIP() << "no account entry";
    ::unsetenv("HOME");
    StoreInfoRecord info{};
    EXPECT_TRUE(QueryStoreInformation(&info));
    EXPECT_GT(info.size, 0u);
}

}  // namespace
