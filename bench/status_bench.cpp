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
#include "bench/heap_counter.h"
#endif

namespace {

#ifdef VELORWIND_BENCH_ON_FAKE
std::size_t HeapRequests() { return fake::Heap().requests; }

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
    for (auto _ : state) {
        const std::size_t before = HeapRequests();
        status::CollectPowerTexts(power);
        const std::size_t afterPower = HeapRequests();
        status::SurveyMemory(memory);
        powerRequests += afterPower - before;
        surveyRequests += HeapRequests() - afterPower;
        benchmark::DoNotOptimize(memory.ramFreePercent);
    }
    const auto passes = static_cast<double>(state.iterations());
    state.counters["power_heap_requests_per_pass"] = static_cast<double>(powerRequests) / passes;
    state.counters["survey_heap_requests_per_pass"] = static_cast<double>(surveyRequests) / passes;
}
BENCHMARK(StatusPass)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
