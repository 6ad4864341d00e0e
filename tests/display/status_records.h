// Puts the two process-wide status records and every fake back to a fresh
// start, so that no test sees what an earlier one surveyed.
#pragma once

#include "platform/root_enumeration.h"
#include "status/memory_survey.h"
#include "status/power_texts.h"
#include "tests/fake/fake_platform.h"
#include "tests/fake/fake_window.h"

namespace testing_support {

inline void ResetStatusRecords() {
    for (text::OwnedText* value :
         {&status::powerTexts.externalPowerText, &status::powerTexts.batteryStateText,
          &status::powerTexts.batteryPercentText, &status::powerTexts.batteryLifeText,
          &status::powerTexts.batteryFullLifeText, &status::powerTexts.backupStateText,
          &status::powerTexts.backupPercentText, &status::powerTexts.backupLifeText,
          &status::powerTexts.backupFullLifeText}) {
        value->Clear();
    }
    status::MemoryTexts& memory = status::memoryTexts;
    for (text::OwnedText* value :
         {&memory.ramTotalText, &memory.ramFreeText, &memory.storeTotalText, &memory.storeFreeText,
          &memory.vol1TotalLabel, &memory.vol1TotalText, &memory.vol1FreeLabel,
          &memory.vol1FreeText, &memory.vol2TotalLabel, &memory.vol2TotalText,
          &memory.vol2FreeLabel, &memory.vol2FreeText}) {
        value->Clear();
    }
    memory.ramFreePercent = memory.storeFreePercent = 0;
    memory.vol1FreePercent = memory.vol2FreePercent = 0;
}

inline void ResetFakes() {
    fake::ResetStatus();
    fake::ResetWindowing();
    ResetStatusRecords();
}

// A machine with a charging battery, 50 % of its program memory free, a
// quarter of its store free and two memory cards at 10 % and 75 % free.
inline void ScriptBusyMachine() {
    platform::PowerStatusRecord power{};
    power.externalPower = platform::EXTERNAL_POWER_ON;
    power.batteryFlags = platform::POWER_FLAG_HIGH | platform::POWER_FLAG_CHARGING;
    power.batteryPercent = 87;
    power.batteryLifeSeconds = platform::LIFETIME_UNKNOWN;
    power.batteryFullLifeSeconds = platform::LIFETIME_UNKNOWN;
    power.backupFlags = platform::POWER_FLAG_HIGH;
    power.backupPercent = 100;
    power.backupLifeSeconds = 3 * 3600 + 25 * 60 + 7;
    power.backupFullLifeSeconds = platform::LIFETIME_UNKNOWN;

    fake::Status& sources = fake::Sources();
    sources.power = power;
    sources.ramTotal = 64'000'000;
    sources.ramAvailable = 32'000'000;
    sources.store = platform::StoreInfoRecord{8'000'000, 2'000'000};
    constexpr std::uint32_t volume = platform::ATTR_DIRECTORY | platform::ATTR_TEMPORARY;
    sources.rootEntries = {{u"SD Card", volume, 1'000'000'000, 100'000'000},
                           {u"USB Disk", volume, 400'000'000, 300'000'000}};
}

}  // namespace testing_support
