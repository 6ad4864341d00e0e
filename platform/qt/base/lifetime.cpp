#include "platform/qt/base/lifetime.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>
#include <vector>

namespace platform::qt {

namespace {

struct Registrations {
    std::vector<std::pair<LayerStage, CleanUp>> cleanUps;
    std::vector<WindowForgetting> forgettings;
    bool withApplication = false;
};

Registrations& Registered() {
    static Registrations registrations;
    return registrations;
}

// Post routines run at the start of the application's destruction, while
// widgets and pixmaps can still be deleted.
void RunWithApplicationEnd() {
    if (Registered().withApplication || QCoreApplication::instance() == nullptr) return;
    qAddPostRoutine(ShutDownLayer);
    Registered().withApplication = true;
}

}  // namespace

void CleanUpAtLayerEnd(LayerStage stage, CleanUp cleanUp) {
    auto& cleanUps = Registered().cleanUps;
    const std::pair<LayerStage, CleanUp> entry{stage, cleanUp};
    if (std::find(cleanUps.begin(), cleanUps.end(), entry) == cleanUps.end())
        cleanUps.push_back(entry);
    RunWithApplicationEnd();
}

void ShutDownLayer() {
    auto cleanUps = std::move(Registered().cleanUps);
    Registered() = Registrations{};
    // Stable: the parts of one stage let go in the order they first held.
    std::stable_sort(cleanUps.begin(), cleanUps.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [stage, cleanUp] : cleanUps) cleanUp();
}

void ForgetWindowsThrough(WindowForgetting forget) {
    auto& forgettings = Registered().forgettings;
    if (std::find(forgettings.begin(), forgettings.end(), forget) == forgettings.end()) {
        forgettings.push_back(forget);
    }
}

void ForgetWindowEverywhere(const WindowObject* window) {
    for (const WindowForgetting forget : Registered().forgettings) forget(window);
}

}  // namespace platform::qt
