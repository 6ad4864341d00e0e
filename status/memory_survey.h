// The memory section of the status dialog: program memory, data storage and
// up to two groups of memory cards, surveyed afresh at every refresh.
#pragma once

#include <cstddef>
#include <cstdint>

#include "text/owned_text.h"

namespace status {

struct MemoryTexts {
    text::OwnedText ramTotalText;
    text::OwnedText ramFreeText;
    text::OwnedText storeTotalText;
    text::OwnedText storeFreeText;
    text::OwnedText vol1TotalLabel;
    text::OwnedText vol1TotalText;
    text::OwnedText vol1FreeLabel;
    text::OwnedText vol1FreeText;
    text::OwnedText vol2TotalLabel;
    text::OwnedText vol2TotalText;
    text::OwnedText vol2FreeLabel;
    text::OwnedText vol2FreeText;
    std::uint8_t ramFreePercent = 0;
    std::uint8_t storeFreePercent = 0;
    std::uint8_t vol1FreePercent = 0;
    std::uint8_t vol2FreePercent = 0;
};

// The process-wide record, constructed after powerTexts and destroyed
// before it.
extern MemoryTexts memoryTexts;

// Characters of FormatGrouped's two working buffers.
constexpr std::size_t GROUPED_BUFFER_CHARS = 128;

// Rewrites the fields it gets values for. Once the root has been read, a card
// group with no volume is emptied (labels, texts and a percentage of 0);
// when the look-up or the enumeration fails, the card fields keep their
// values. True when at least one memory card was counted.
bool SurveyMemory(MemoryTexts& texts);

// Decimal with a comma between groups of three; the leading group is
// right-aligned in three places; 0 gives the empty text.
void FormatGrouped(std::uint64_t value, text::OwnedText& target);

// part * 100 / whole, truncated, capped at 100; 0 for a whole of 0.
std::uint8_t PercentOf(std::uint32_t part, std::uint32_t whole);
std::uint8_t PercentOf(std::uint64_t part, std::uint64_t whole);

}  // namespace status
