// One status pass as the refresh makes it: CollectPowerTexts, then
// SurveyMemory. Reports the time per pass and the heap requests per pass
// once the texts have their steady lengths.
#include <benchmark/benchmark.h>

#include "status/memory_survey.h"
#include "status/power_texts.h"

#ifdef VELORWIND_BENCH_ON_FAKE
#include "platform/root_enumeration.h"
#include "tests/fake/fake_platform.h"
#else
#include <sys/statvfs.h>

#include <cstdlib>

#include "bench/heap_counter.h"
#include "platform/linux/bounded_statvfs.h"
#endif

namespace {

#ifdef VELORWIND_BENCH_ON_FAKE
std::size_t HeapRequests() { return fake::Heap().requests; }
std::size_t Allocations() { return 0; }  // not counted on the fake

// A laptop on battery with an SD card and a USB stick.
void PrepareSources() {
    fake::ResetStatus();
    platform::PowerStatusRecord power{};
    power.externalPower = 0;
    power.batteryFlags = platform::POWER_FLAG_HIGH;
    power.batteryPercent = 76;
    power.batteryLifeSeconds = 12345;
    power.batteryFullLifeSeconds = 23456;
    power.backupFlags = platform::POWER_FLAG_NO_BATTERY;
    power.backupPercent = platform::PERCENT_UNKNOWN;
    power.backupLifeSeconds = platform::LIFETIME_UNKNOWN;
    power.backupFullLifeSeconds = platform::LIFETIME_UNKNOWN;
    fake::Sources().power = power;
    fake::Sources().ramTotal = 25769803776ull;
    fake::Sources().ramAvailable = 20000000000ull;
    fake::Sources().store = platform::StoreInfoRecord{500000000000ull, 123456789012ull};
    constexpr std::uint32_t volume = platform::ATTR_DIRECTORY | platform::ATTR_TEMPORARY;
    fake::Sources().rootEntries = {{u"SDCARD", volume, 31914983424ull, 1000000000ull},
                                   {u"USB STICK", volume, 15997075456ull, 8000000000ull}};
}
#else
std::size_t HeapRequests() { return bench::HeapRequests(); }
std::size_t Allocations() { return bench::Allocations(); }
void PrepareSources() {}
#endif

void StatusPass(benchmark::State& state) {
    PrepareSources();
    status::PowerTexts power;
    status::MemoryTexts memory;
    status::CollectPowerTexts(power);  // the first pass sizes every text
    status::SurveyMemory(memory);

    std::size_t powerRequests = 0;
    std::size_t surveyRequests = 0;
    std::size_t allocations = 0;
    for (auto _ : state) {
        const std::size_t before = HeapRequests();
        const std::size_t allocationsBefore = Allocations();
        status::CollectPowerTexts(power);
        const std::size_t afterPower = HeapRequests();
        status::SurveyMemory(memory);
        powerRequests += afterPower - before;
        surveyRequests += HeapRequests() - afterPower;
        allocations += Allocations() - allocationsBefore;
        benchmark::DoNotOptimize(memory.ramFreePercent);
    }
    const auto passes = static_cast<double>(state.iterations());
    state.counters["power_heap_requests_per_pass"] = static_cast<double>(powerRequests) / passes;
    state.counters["survey_heap_requests_per_pass"] = static_cast<double>(surveyRequests) / passes;
    // Every allocation of the pass, the texts' included (0 on the fake).
    state.counters["allocations_per_pass"] = static_cast<double>(allocations) / passes;
}
BENCHMARK(StatusPass)->Unit(benchmark::kMicrosecond);

#ifndef VELORWIND_BENCH_ON_FAKE
// What the bound on statvfs costs: the same measurement of the home folder
// made by a helper thread, as the survey makes it, and made directly.
const char* HomeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr ? home : "/";
}

void StatvfsThroughHelper(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::linux_status::StatvfsWithin(HomeFolder()));
    }
}
BENCHMARK(StatvfsThroughHelper)->Unit(benchmark::kMicrosecond);

void StatvfsDirect(benchmark::State& state) {
    for (auto _ : state) {
        struct statvfs answer {};
        benchmark::DoNotOptimize(::statvfs(HomeFolder(), &answer));
    }
}
BENCHMARK(StatvfsDirect)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK_MAIN();
