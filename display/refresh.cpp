#include "display/refresh.h"

#include <cstdint>

#include "display/gauge.h"
#include "platform/window.h"
#include "resources/resource_ids.h"
#include "status/memory_survey.h"
#include "status/power_texts.h"
#include "text/owned_text.h"

namespace display {

namespace {

using namespace resources;

void SetPowerFields(platform::WindowHandle dialog, const status::PowerTexts& power) {
    platform::SetDialogItemText(dialog, IDC_AC_LINE, power.externalPowerText.Text());
    platform::SetDialogItemText(dialog, IDC_BATT_STATE, power.batteryStateText.Text());
    platform::SetDialogItemText(dialog, IDC_BATT_PERCENT, power.batteryPercentText.Text());
    platform::SetDialogItemText(dialog, IDC_BATT_LIFE, power.batteryLifeText.Text());
    platform::SetDialogItemText(dialog, IDC_BATT_FULL_LIFE, power.batteryFullLifeText.Text());
    platform::SetDialogItemText(dialog, IDC_BACKUP_STATE, power.backupStateText.Text());
    platform::SetDialogItemText(dialog, IDC_BACKUP_PERCENT, power.backupPercentText.Text());
    platform::SetDialogItemText(dialog, IDC_BACKUP_LIFE, power.backupLifeText.Text());
    platform::SetDialogItemText(dialog, IDC_BACKUP_FULL_LIFE, power.backupFullLifeText.Text());
}

void DrawPlainGauge(platform::WindowHandle dialog, std::int32_t id, const text::OwnedText& value) {
    DrawGauge(dialog, id, value.Text(), 0, false);
}

void DrawBarGauge(platform::WindowHandle dialog, std::int32_t id, const text::OwnedText& value,
                  std::uint8_t percent) {
    DrawGauge(dialog, id, value.Text(), percent, true);
}

void ShowMemorySection(platform::WindowHandle dialog, const status::MemoryTexts& memory) {
    DrawPlainGauge(dialog, IDC_RAM_TOTAL, memory.ramTotalText);
    DrawBarGauge(dialog, IDC_RAM_FREE, memory.ramFreeText, memory.ramFreePercent);
    DrawPlainGauge(dialog, IDC_STORE_TOTAL, memory.storeTotalText);
    DrawBarGauge(dialog, IDC_STORE_FREE, memory.storeFreeText, memory.storeFreePercent);

    platform::SetDialogItemText(dialog, IDC_VOL1_TOTAL_LABEL, memory.vol1TotalLabel.Text());
    platform::SetDialogItemText(dialog, IDC_VOL1_FREE_LABEL, memory.vol1FreeLabel.Text());
    DrawPlainGauge(dialog, IDC_VOL1_TOTAL, memory.vol1TotalText);
    DrawBarGauge(dialog, IDC_VOL1_FREE, memory.vol1FreeText, memory.vol1FreePercent);

    platform::SetDialogItemText(dialog, IDC_VOL2_TOTAL_LABEL, memory.vol2TotalLabel.Text());
    platform::SetDialogItemText(dialog, IDC_VOL2_FREE_LABEL, memory.vol2FreeLabel.Text());
    DrawPlainGauge(dialog, IDC_VOL2_TOTAL, memory.vol2TotalText);
    DrawBarGauge(dialog, IDC_VOL2_FREE, memory.vol2FreeText, memory.vol2FreePercent);
}

}  // namespace

void RefreshStatus(platform::WindowHandle dialog) {
    // A failed query leaves the earlier values in the records; they are shown
    // again rather than blanked, so neither result is looked at.
    status::CollectPowerTexts(status::powerTexts);
    SetPowerFields(dialog, status::powerTexts);
    status::SurveyMemory(status::memoryTexts);
    ShowMemorySection(dialog, status::memoryTexts);
}

void ClearGaugeTexts(platform::WindowHandle dialog) {
    constexpr std::int32_t gauges[] = {IDC_RAM_TOTAL,  IDC_RAM_FREE,   IDC_STORE_TOTAL,
                                       IDC_STORE_FREE, IDC_VOL1_TOTAL, IDC_VOL1_FREE,
                                       IDC_VOL2_TOTAL, IDC_VOL2_FREE};
    for (const std::int32_t id : gauges) {
        platform::SetDialogItemText(dialog, id, text::SHARED_EMPTY_TEXT);
    }
}

}  // namespace display
