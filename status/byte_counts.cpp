// How byte counts are shown: grouped decimal texts and free shares.
#include <cstdint>

#include "platform/wide_text.h"
#include "status/memory_survey.h"

namespace status {

void FormatGrouped(std::uint64_t value, text::OwnedText& target) {
    char16_t running[GROUPED_BUFFER_CHARS] = {};
    char16_t scratch[GROUPED_BUFFER_CHARS];
    bool lowestGroup = true;
    while (value != 0) {
        const std::uint64_t quotient = value / 1000u;
        // The formatter's "l" conversions read an unsigned long.
        const auto group = static_cast<unsigned long>(value % 1000u);
        if (lowestGroup) {
            platform::WideFormat(running, GROUPED_BUFFER_CHARS, quotient != 0 ? u"%03lu" : u"%3lu",
                                 group);
            lowestGroup = false;
        } else {
            platform::WideFormat(scratch, GROUPED_BUFFER_CHARS,
                                 quotient != 0 ? u"%03lu,%s" : u"%3lu,%s", group, running);
            platform::WideCopy(running, scratch);
        }
        value = quotient;
    }
    target.Assign(running);
}

namespace {

// The share in whole per cent, truncated. A whole of 0 has no share and
// reads 0; a part above its whole is shown as full rather than as a
// share above 100, which the gauges cannot draw.
std::uint8_t ShareInPercent(double part, double whole) {
    if (!(whole > 0.0)) return 0;
    const double quotient = part * 100.0 / whole;
    if (!(quotient < 100.0)) return 100;
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(quotient));
}

}  // namespace

std::uint8_t PercentOf(std::uint32_t part, std::uint32_t whole) {
    return ShareInPercent(static_cast<double>(part), static_cast<double>(whole));
}

std::uint8_t PercentOf(std::uint64_t part, std::uint64_t whole) {
    return ShareInPercent(static_cast<double>(part), static_cast<double>(whole));
}

}  // namespace status
