// The battery section of the status dialog: nine texts rebuilt from the
// platform's power status at every refresh.
#pragma once

#include <cstdint>

#include "platform/power_status.h"
#include "text/owned_text.h"

namespace status {

struct PowerTexts {
    text::OwnedText externalPowerText;
    text::OwnedText batteryStateText;
    text::OwnedText batteryPercentText;
    text::OwnedText batteryLifeText;
    text::OwnedText batteryFullLifeText;
    text::OwnedText backupStateText;
    text::OwnedText backupPercentText;
    text::OwnedText backupLifeText;
    text::OwnedText backupFullLifeText;
};

// The process-wide record, constructed before the entry function runs
// (first of the two status records) and destroyed at exit.
extern PowerTexts powerTexts;

// Queries the power status and rebuilds all nine texts; false (and nothing
// touched) when the query fails.
bool CollectPowerTexts(PowerTexts& texts);

// Rebuilds all nine texts from a filled status record.
void FormatPowerTexts(PowerTexts& texts, const platform::PowerStatusRecord& status);

// hours = (seconds / 3600) mod 100, minutes = (seconds / 60) mod 60,
// seconds = seconds mod 60.
void SplitSeconds(std::uint32_t duration, std::uint8_t* hours, std::uint8_t* minutes,
                  std::uint8_t* seconds);

}  // namespace status
