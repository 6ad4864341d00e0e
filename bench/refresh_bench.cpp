// The once-a-second refresh on the real windowing layer and the real status
// sources: the whole RefreshStatus, the same followed by the paint that puts
// it on screen, and its four parts alone. Each reports the platform heap
// requests it makes per refresh once the texts have their steady lengths,
// and all the allocations it makes, Qt's included.
//
// Run with VELORWIND_SYSFS / VELORWIND_PROCFS pointing at a prepared tree
// (scripts/make-status-tree) to include a battery and two memory cards.
#include <QApplication>

#include <benchmark/benchmark.h>

#include "bench/heap_counter.h"
#include "display/gauge.h"
#include "display/refresh.h"
#include "platform/module.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "status/memory_survey.h"
#include "status/power_texts.h"

namespace {

using namespace resources;

platform::WindowHandle dialog = nullptr;

bool AnswerEverything(platform::WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) {
    return true;
}

platform::WindowHandle CreateStatusDialog() {
    using namespace platform;
    const ResourceRecord* entry =
        FindResourceEntry(ProgramImage(), IDD_STATUS_TALL, RESOURCE_DIALOG);
    return CreateModelessDialog(ProgramImage(), LoadResourceEntry(ProgramImage(), entry),
                                ResourceEntrySize(ProgramImage(), entry), nullptr, AnswerEverything,
                                0);
}

// Runs `pass` repeatedly and reports the heap requests per pass.
template <typename Pass>
void Measure(benchmark::State& state, Pass pass) {
    pass();  // the first pass sizes every text
    const std::size_t before = bench::HeapRequests();
    const std::size_t allocationsBefore = bench::Allocations();
    for (auto _ : state) pass();
    const auto passes = static_cast<double>(state.iterations());
    state.counters["heap_requests_per_refresh"] =
        static_cast<double>(bench::HeapRequests() - before) / passes;
    state.counters["allocations_per_refresh"] =
        static_cast<double>(bench::Allocations() - allocationsBefore) / passes;
}

void Refresh(benchmark::State& state) {
    Measure(state, [] { display::RefreshStatus(dialog); });
}

void RefreshAndPaint(benchmark::State& state) {
    Measure(state, [] {
        display::RefreshStatus(dialog);
        QCoreApplication::processEvents();
    });
}

void Power(benchmark::State& state) {
    Measure(state, [] { status::CollectPowerTexts(status::powerTexts); });
}

void Survey(benchmark::State& state) {
    Measure(state, [] { status::SurveyMemory(status::memoryTexts); });
}

// The nine power fields and the four card labels, as the refresh sets them.
void Texts(benchmark::State& state) {
    using status::memoryTexts;
    using status::powerTexts;
    const std::pair<std::int32_t, const text::OwnedText*> fields[] = {
        {IDC_AC_LINE, &powerTexts.externalPowerText},
        {IDC_BATT_STATE, &powerTexts.batteryStateText},
        {IDC_BATT_PERCENT, &powerTexts.batteryPercentText},
        {IDC_BATT_LIFE, &powerTexts.batteryLifeText},
        {IDC_BATT_FULL_LIFE, &powerTexts.batteryFullLifeText},
        {IDC_BACKUP_STATE, &powerTexts.backupStateText},
        {IDC_BACKUP_PERCENT, &powerTexts.backupPercentText},
        {IDC_BACKUP_LIFE, &powerTexts.backupLifeText},
        {IDC_BACKUP_FULL_LIFE, &powerTexts.backupFullLifeText},
        {IDC_VOL1_TOTAL_LABEL, &memoryTexts.vol1TotalLabel},
        {IDC_VOL1_FREE_LABEL, &memoryTexts.vol1FreeLabel},
        {IDC_VOL2_TOTAL_LABEL, &memoryTexts.vol2TotalLabel},
        {IDC_VOL2_FREE_LABEL, &memoryTexts.vol2FreeLabel},
    };
    Measure(state, [&] {
        for (const auto& [id, text] : fields) platform::SetDialogItemText(dialog, id, text->Text());
    });
}

// The eight gauges, as the refresh draws them (no percentage: a plain one).
void Gauges(benchmark::State& state) {
    using status::memoryTexts;
    const struct {
        std::int32_t id;
        const text::OwnedText* text;
        const std::uint8_t* percent;
    } gauges[] = {
        {IDC_RAM_TOTAL, &memoryTexts.ramTotalText, nullptr},
        {IDC_RAM_FREE, &memoryTexts.ramFreeText, &memoryTexts.ramFreePercent},
        {IDC_STORE_TOTAL, &memoryTexts.storeTotalText, nullptr},
        {IDC_STORE_FREE, &memoryTexts.storeFreeText, &memoryTexts.storeFreePercent},
        {IDC_VOL1_TOTAL, &memoryTexts.vol1TotalText, nullptr},
        {IDC_VOL1_FREE, &memoryTexts.vol1FreeText, &memoryTexts.vol1FreePercent},
        {IDC_VOL2_TOTAL, &memoryTexts.vol2TotalText, nullptr},
        {IDC_VOL2_FREE, &memoryTexts.vol2FreeText, &memoryTexts.vol2FreePercent},
    };
    Measure(state, [&] {
        for (const auto& gauge : gauges) {
            const bool withBar = gauge.percent != nullptr;
            display::DrawGauge(dialog, gauge.id, gauge.text->Text(), withBar ? *gauge.percent : 0,
                               withBar);
        }
    });
}

BENCHMARK(Refresh)->Unit(benchmark::kMicrosecond);
BENCHMARK(RefreshAndPaint)->Unit(benchmark::kMicrosecond);
BENCHMARK(Power)->Unit(benchmark::kMicrosecond);
BENCHMARK(Survey)->Unit(benchmark::kMicrosecond);
BENCHMARK(Texts)->Unit(benchmark::kMicrosecond);
BENCHMARK(Gauges)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    dialog = CreateStatusDialog();
    if (dialog == nullptr) return 1;
    platform::ShowWindow(dialog, platform::SHOW_SHOW);
    QCoreApplication::processEvents();
    benchmark::RunSpecifiedBenchmarks();
    platform::DestroyWindow(dialog);
    benchmark::Shutdown();
    return 0;
}
