#include <gtest/gtest.h>

#include "status/memory_survey.h"
#include "status/power_texts.h"

namespace {

// The records are built before main in the order of their declaration and
// hold nothing until the first refresh.
TEST(StatusRecords, StartEmpty) {
    for (const text::OwnedText* field :
         {&status::powerTexts.externalPowerText, &status::powerTexts.backupFullLifeText,
          &status::memoryTexts.ramTotalText, &status::memoryTexts.vol2FreeText}) {
        EXPECT_FALSE(field->Owns());
        EXPECT_EQ(field->Text(), text::SHARED_EMPTY_TEXT);
    }
    EXPECT_EQ(status::memoryTexts.ramFreePercent, 0);
    EXPECT_EQ(status::memoryTexts.vol2FreePercent, 0);
}

}  // namespace
