#include "status/power_texts.h"

#include <cstddef>

#include "platform/wide_text.h"

namespace status {

namespace {

constexpr char16_t TEXT_OFF[] = u"ｵﾌ";
constexpr char16_t TEXT_ON[] = u"ｵﾝ";
constexpr char16_t TEXT_UNKNOWN[] = u"不明";
constexpr char16_t TEXT_HIGH[] = u"高";
constexpr char16_t TEXT_LOW[] = u"低";
constexpr char16_t TEXT_CRITICAL[] = u"僅か";
constexpr char16_t TEXT_SEPARATOR[] = u" : ";
constexpr char16_t TEXT_CHARGING[] = u"充電中";
constexpr char16_t TEXT_NO_BATTERY[] = u"無し";
constexpr char16_t FORMAT_PERCENT[] = u"%u";
constexpr char16_t FORMAT_LIFETIME[] = u"%02u:%02u:%02u";

void FormatExternalPower(std::uint8_t externalPower, text::OwnedText& target) {
    if (externalPower == platform::EXTERNAL_POWER_OFF) {
        target.Assign(TEXT_OFF);
    } else if (externalPower == platform::EXTERNAL_POWER_ON) {
        target.Assign(TEXT_ON);
    } else {
        target.Assign(TEXT_UNKNOWN);
    }
}

// Characters of the longest state text, "僅か : 充電中", with room to spare.
constexpr std::size_t STATE_TEXT_CHARS = 16;

// Composes the state text from the flag bits, one bit after another, in a
// local buffer and assigns it once: an unchanged state then rewrites the
// text in place, with no heap request at each refresh. Returns whether a
// "high" or "low" word was written: a 0 % reading beside such a level is
// contradictory and the percentage rule shows it as unknown.
bool FormatBatteryState(std::uint8_t flags, text::OwnedText& target) {
    char16_t state[STATE_TEXT_CHARS] = {};
    bool highOrLow = false;
    if (flags & platform::POWER_FLAG_HIGH) {
        platform::WideConcat(state, TEXT_HIGH);
        highOrLow = true;
    } else if (flags & platform::POWER_FLAG_LOW) {
        platform::WideConcat(state, TEXT_LOW);
        highOrLow = true;
    } else if (flags & platform::POWER_FLAG_CRITICAL) {
        platform::WideConcat(state, TEXT_CRITICAL);
    }
    if (flags & platform::POWER_FLAG_CHARGING) {
        if (state[0] != u'\0') platform::WideConcat(state, TEXT_SEPARATOR);
        platform::WideConcat(state, TEXT_CHARGING);
    }
    if (state[0] == u'\0') {
        platform::WideCopy(
            state, (flags & platform::POWER_FLAG_NO_BATTERY) ? TEXT_NO_BATTERY : TEXT_UNKNOWN);
    }
    target.Assign(state);
    return highOrLow;
}

void FormatBatteryPercent(std::uint8_t percent, bool highOrLow, text::OwnedText& target) {
    if ((highOrLow && percent == 0) || percent > 100) {
        target.Assign(TEXT_UNKNOWN);
    } else {
        target.Format(FORMAT_PERCENT, static_cast<unsigned>(percent));
    }
}

void FormatLifetime(std::uint32_t seconds, text::OwnedText& target) {
    if (seconds == platform::LIFETIME_UNKNOWN) {
        target.Assign(TEXT_UNKNOWN);
        return;
    }
    std::uint8_t hours = 0;
    std::uint8_t minutes = 0;
    std::uint8_t rest = 0;
    SplitSeconds(seconds, &hours, &minutes, &rest);
    target.Format(FORMAT_LIFETIME, static_cast<unsigned>(hours), static_cast<unsigned>(minutes),
                  static_cast<unsigned>(rest));
}

}  // namespace

bool CollectPowerTexts(PowerTexts& texts) {
    platform::PowerStatusRecord status;
    if (!platform::QueryPowerStatus(&status, true)) return false;
    FormatPowerTexts(texts, status);
    return true;
}

void FormatPowerTexts(PowerTexts& texts, const platform::PowerStatusRecord& status) {
    FormatExternalPower(status.externalPower, texts.externalPowerText);

    const bool batteryHighOrLow = FormatBatteryState(status.batteryFlags, texts.batteryStateText);
    FormatBatteryPercent(status.batteryPercent, batteryHighOrLow, texts.batteryPercentText);
    FormatLifetime(status.batteryLifeSeconds, texts.batteryLifeText);
    FormatLifetime(status.batteryFullLifeSeconds, texts.batteryFullLifeText);

    const bool backupHighOrLow = FormatBatteryState(status.backupFlags, texts.backupStateText);
    FormatBatteryPercent(status.backupPercent, backupHighOrLow, texts.backupPercentText);
    FormatLifetime(status.backupLifeSeconds, texts.backupLifeText);
    FormatLifetime(status.backupFullLifeSeconds, texts.backupFullLifeText);
}

void SplitSeconds(std::uint32_t duration, std::uint8_t* hours, std::uint8_t* minutes,
                  std::uint8_t* seconds) {
    // Hours wrap at 100 so that the text keeps its two-digit form.
    *hours = static_cast<std::uint8_t>((duration / 3600u) % 100u);
    *minutes = static_cast<std::uint8_t>((duration / 60u) % 60u);
    *seconds = static_cast<std::uint8_t>(duration % 60u);
}

}  // namespace status
