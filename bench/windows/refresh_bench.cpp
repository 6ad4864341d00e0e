// One RefreshStatus of the real status dialog on the Windows back end, with
// the real status sources, and its status part alone (power texts, memory
// survey); the rest is the dialog's nine texts, four labels and eight
// gauges. Each figure is the median and the fastest of BATCHES batches of
// REFRESHES refreshes, per refresh, timed with the performance counter.
// Under Wine the figures are Wine's, not Windows's.
//
//   refresh_bench.exe [REFRESHES]
#include "display/refresh.h"
#include "resources/resource_ids.h"
#include "status/memory_survey.h"
#include "status/power_texts.h"

#include "platform/module.h"
#include "platform/win32/windows_api.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int BATCHES = 15;

// Leaves every message to the dialog manager, painting included.
bool AnswerNothing(platform::WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) {
    return false;
}

HWND CreateStatusDialog() {
    using namespace platform;
    const InstanceHandle self = win32::FromHinstance(GetModuleHandleW(nullptr));
    const ResourceRecord* entry =
        FindResourceEntry(self, resources::IDD_STATUS_TALL, RESOURCE_DIALOG);
    return win32::ToHwnd(CreateModelessDialog(self, LoadResourceEntry(self, entry),
                                              ResourceEntrySize(self, entry), nullptr,
                                              AnswerNothing, 0));
}

void DispatchPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

template <typename Pass>
void Measure(const char* name, int refreshes, Pass pass) {
    for (int i = 0; i < refreshes / 10 + 1; ++i) pass();  // texts at their steady lengths
    std::vector<double> perRefresh;
    for (int batch = 0; batch < BATCHES; ++batch) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < refreshes; ++i) pass();
        const std::chrono::duration<double, std::micro> spent =
            std::chrono::steady_clock::now() - start;
        perRefresh.push_back(spent.count() / refreshes);
        DispatchPending();
    }
    std::sort(perRefresh.begin(), perRefresh.end());
    std::printf("%-8s median %9.1f us   fastest %9.1f us   (%d x %d)\n", name,
                perRefresh[perRefresh.size() / 2], perRefresh.front(), BATCHES, refreshes);
}

}  // namespace

int main(int argc, char** argv) {
    const int refreshes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    HWND dialog = CreateStatusDialog();
    if (dialog == nullptr) return 1;
    ShowWindow(dialog, SW_SHOW);
    DispatchPending();
    const platform::WindowHandle window = platform::win32::FromHwnd(dialog);
    Measure("refresh", refreshes, [&] { display::RefreshStatus(window); });
    Measure("power", refreshes, [] { status::CollectPowerTexts(status::powerTexts); });
    Measure("survey", refreshes, [] { status::SurveyMemory(status::memoryTexts); });
    DestroyWindow(dialog);
    return 0;
}
