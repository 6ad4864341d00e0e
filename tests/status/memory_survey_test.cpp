#include "status/memory_survey.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/root_enumeration.h"
#include "tests/fake/fake_platform.h"

namespace {

using platform::ATTR_DIRECTORY;
using platform::ATTR_TEMPORARY;
using status::MemoryTexts;

constexpr std::uint32_t VOLUME = ATTR_DIRECTORY | ATTR_TEMPORARY;

std::u16string Read(const text::OwnedText& value) { return value.Text(); }

fake::RootEntry Volume(std::u16string name, std::uint64_t total, std::uint64_t free) {
    return {std::move(name), VOLUME, total, free};
}

fake::RootEntry FailingVolume(std::u16string name) { return {std::move(name), VOLUME, {}, 0}; }

class SurveyMemoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::ResetStatus();
        fake::Sources().ramTotal = 25769803776ull;  // 24 GiB
        fake::Sources().ramAvailable = 6442450944ull;
        fake::Sources().store = platform::StoreInfoRecord{1000000, 250000};
    }
    void TearDown() override { fake::ResetStatus(); }

    // The ten card fields, texts then percentages.
    static std::vector<std::u16string> VolumeFields(const MemoryTexts& record) {
        std::vector<std::u16string> fields;
        for (const text::OwnedText* field :
             {&record.vol1TotalLabel, &record.vol1TotalText, &record.vol1FreeLabel,
              &record.vol1FreeText, &record.vol2TotalLabel, &record.vol2TotalText,
              &record.vol2FreeLabel, &record.vol2FreeText}) {
            fields.emplace_back(field->Text());
        }
        fields.push_back(std::u16string(1, record.vol1FreePercent));
        fields.push_back(std::u16string(1, record.vol2FreePercent));
        return fields;
    }

    // Two cards shown, as the surveys below find them before the change.
    void ShowTwoCards() {
        fake::Sources().rootEntries = {Volume(u"X", 1000, 500), Volume(u"Y", 2000, 500)};
        ASSERT_TRUE(status::SurveyMemory(texts));
        fake::StatusCalls().clear();
    }

    MemoryTexts texts;
};

TEST_F(SurveyMemoryTest, ProgramMemoryAndStoreCountIn64Bits) {
    status::SurveyMemory(texts);
    EXPECT_EQ(Read(texts.ramTotalText), u" 25,769,803,776");
    EXPECT_EQ(Read(texts.ramFreeText), u"  6,442,450,944");
    EXPECT_EQ(texts.ramFreePercent, 25);
    EXPECT_EQ(Read(texts.storeTotalText), u"  1,000,000");
    EXPECT_EQ(Read(texts.storeFreeText), u"250,000");
    EXPECT_EQ(texts.storeFreePercent, 25);
}

TEST_F(SurveyMemoryTest, EachSurveyMakesTheDescribedCallsInOrder) {
    fake::Sources().rootEntries = {Volume(u"SD", 2000, 1000),
                                   {u"Windows", ATTR_DIRECTORY, 5000, 5000}};
    EXPECT_TRUE(status::SurveyMemory(texts));
    const std::vector<std::string> expected = {"memory length=64", "store",
                                               "load COREDLL.DLL", "lookup GetDiskFreeSpaceExW",
                                               "release",          "find-first /*.*",
                                               "free-space /SD",   "find-next",
                                               "find-next",        "close"};
    EXPECT_EQ(fake::StatusCalls(), expected);
}

// A root that was read says which cards are there: a group with no volume
// is emptied, so a card taken out is not shown with its last size.
TEST_F(SurveyMemoryTest, GroupsWithoutAVolumeAreEmptied) {
    const std::vector<std::u16string> empty = VolumeFields(MemoryTexts{});
    const struct {
        const char* name;
        std::vector<fake::RootEntry> entries;
        bool counted;
        std::vector<std::u16string> fields;
    } cases[] = {
        {"no volume",
         {{u"Windows", ATTR_DIRECTORY, 10, 5},
          {u"Temp", ATTR_TEMPORARY, 10, 5},
          FailingVolume(u"Broken")},
         false,
         empty},
        {"one of two left",
         {Volume(u"X", 1000, 900)},
         true,
         {u"全X", u"  1,000", u"未使用X", u"900", u"", u"", u"", u"", std::u16string(1, 90),
          std::u16string(1, 0)}},
    };
    for (const auto& c : cases) {
        ShowTwoCards();
        fake::Sources().rootEntries = c.entries;
        EXPECT_EQ(status::SurveyMemory(texts), c.counted) << c.name;
        EXPECT_EQ(VolumeFields(texts), c.fields) << c.name;
        EXPECT_EQ(Read(texts.ramTotalText), u" 25,769,803,776") << "memory is still surveyed";
        EXPECT_EQ(fake::StatusCalls().back(), "close") << "the enumeration is closed";
    }
}

// The query machinery failing says nothing of the cards: they keep what an
// earlier survey showed.
TEST_F(SurveyMemoryTest, EarlyStopsKeepTheVolumeFields) {
    const struct {
        const char* name;
        bool libraryLoads, entryFound, enumerationStarts;
        const char* lastCall;
    } cases[] = {
        {"library", false, true, true, "load COREDLL.DLL"},
        {"entry", true, false, true, "release"},
        {"enumeration", true, true, false, "find-first /*.*"},
    };
    for (const auto& c : cases) {
        fake::ResetStatus();
        ShowTwoCards();
        const std::vector<std::u16string> shown = VolumeFields(texts);
        fake::Sources().rootEntries = {Volume(u"SD", 100, 50)};
        fake::Sources().libraryLoads = c.libraryLoads;
        fake::Sources().freeSpaceEntryFound = c.entryFound;
        fake::Sources().enumerationStarts = c.enumerationStarts;
        EXPECT_FALSE(status::SurveyMemory(texts)) << c.name;
        EXPECT_EQ(VolumeFields(texts), shown) << c.name;
        EXPECT_EQ(fake::StatusCalls().back(), c.lastCall) << c.name;
    }
}

TEST_F(SurveyMemoryTest, OneVolume) {
    fake::Sources().rootEntries = {Volume(u"Storage Card", 2000000, 500000)};
    EXPECT_TRUE(status::SurveyMemory(texts));
    EXPECT_EQ(Read(texts.vol1TotalLabel), u"全Storage Card");
    EXPECT_EQ(Read(texts.vol1FreeLabel), u"未使用Storage Card");
    EXPECT_EQ(Read(texts.vol1TotalText), u"  2,000,000");
    EXPECT_EQ(Read(texts.vol1FreeText), u"500,000");
    EXPECT_EQ(texts.vol1FreePercent, 25);
    EXPECT_EQ(texts.vol2TotalLabel.Text(), text::SHARED_EMPTY_TEXT);
    EXPECT_EQ(texts.vol2FreePercent, 0);
}

TEST_F(SurveyMemoryTest, VolumeGroupsAndTheOthersSuffix) {
    struct Case {
        const char* name;
        std::vector<fake::RootEntry> entries;
        const char16_t* first;
        const char16_t* secondTotalLabel;
        const char16_t* secondFreeLabel;
        const char16_t* secondTotal;
        const char16_t* secondFree;
        std::uint8_t secondPercent;
    };
    const Case cases[] = {
        {"two",
         {Volume(u"X", 1000, 100), Volume(u"Y", 3000, 1500)},
         u"全X",
         u"全Y",
         u"未使用Y",
         u"  3,000",
         u"  1,500",
         50},
        {"three",
         {Volume(u"X", 1000, 100), Volume(u"Y", 3000, 1500), Volume(u"Z", 1000, 500)},
         u"全X",
         u"全Y他",
         u"未使用Y他",
         u"  4,000",
         u"  2,000",
         50},
        {"four",
         {Volume(u"X", 1000, 100), Volume(u"Y", 3000, 1500), Volume(u"Z", 1000, 500),
          Volume(u"W", 4000, 0)},
         u"全X",
         u"全Y他",
         u"未使用Y他",
         u"  8,000",
         u"  2,000",
         25},
        {"first fails",
         {FailingVolume(u"X"), Volume(u"Y", 1000, 1000), Volume(u"Z", 10, 1)},
         u"全Y",
         u"全Z",
         u"未使用Z",
         u" 10",
         u"  1",
         10},
        {"ordinary folders between",
         {{u"My Documents", ATTR_DIRECTORY, 1, 1},
          Volume(u"X", 10, 5),
          {u"Temp file", ATTR_TEMPORARY, 1, 1},
          Volume(u"Y", 10, 10)},
         u"全X",
         u"全Y",
         u"未使用Y",
         u" 10",
         u" 10",
         100},
    };
    for (const Case& c : cases) {
        MemoryTexts fresh;
        fake::Sources().rootEntries = c.entries;
        EXPECT_TRUE(status::SurveyMemory(fresh)) << c.name;
        EXPECT_EQ(Read(fresh.vol1TotalLabel), c.first) << c.name;
        EXPECT_EQ(Read(fresh.vol2TotalLabel), c.secondTotalLabel) << c.name;
        EXPECT_EQ(Read(fresh.vol2FreeLabel), c.secondFreeLabel) << c.name;
        EXPECT_EQ(Read(fresh.vol2TotalText), c.secondTotal) << c.name;
        EXPECT_EQ(Read(fresh.vol2FreeText), c.secondFree) << c.name;
        EXPECT_EQ(fresh.vol2FreePercent, c.secondPercent) << c.name;
    }
}

TEST_F(SurveyMemoryTest, AFullVolumeShowsAnEmptyFreeText) {
    fake::Sources().rootEntries = {Volume(u"SD", 4096, 0)};
    status::SurveyMemory(texts);
    EXPECT_EQ(Read(texts.vol1FreeText), u"");
    EXPECT_EQ(texts.vol1FreePercent, 0);
}

TEST_F(SurveyMemoryTest, AFailingStoreKeepsItsFields) {
    status::SurveyMemory(texts);
    fake::Sources().rootEntries = {Volume(u"SD", 10, 5)};
    fake::Sources().store.reset();
    EXPECT_TRUE(status::SurveyMemory(texts)) << "the result depends on the volumes alone";
    EXPECT_EQ(Read(texts.storeTotalText), u"  1,000,000");
    EXPECT_EQ(texts.storeFreePercent, 25);
}

TEST_F(SurveyMemoryTest, NamesThatDoNotFitThePathAreSkipped) {
    const std::u16string fits(258, u'a');     // "/" + 258 + NUL = 260
    const std::u16string tooLong(259, u'b');  // would need 261
    const std::u16string unterminated(260, u'c');
    fake::Sources().rootEntries = {Volume(tooLong, 10, 5), Volume(unterminated, 10, 5),
                                   Volume(fits, 1000, 500)};
    EXPECT_TRUE(status::SurveyMemory(texts));
    EXPECT_EQ(Read(texts.vol1TotalLabel), u"全" + fits);
    EXPECT_EQ(texts.vol2TotalLabel.Text(), text::SHARED_EMPTY_TEXT);
    for (const std::string& call : fake::StatusCalls()) {
        EXPECT_TRUE(call.rfind("free-space /b", 0) != 0 && call.rfind("free-space /c", 0) != 0)
            << "queried an entry whose path does not fit: " << call.substr(0, 20);
    }
}

TEST_F(SurveyMemoryTest, ARepeatWithUnchangedValuesRebuildsOnlyTheLabels) {
    fake::Sources().rootEntries = {Volume(u"SD", 10000, 5000), Volume(u"USB", 1000, 10),
                                   Volume(u"Other", 1000, 10)};
    status::SurveyMemory(texts);
    fake::ResetHeap();
    status::SurveyMemory(texts);
    // Four labels, each a fresh value, a Concat and (for the second group)
    // one more Concat, moved into place: their old buffers are released.
    EXPECT_EQ(fake::Heap().requests, 2u * 2u + 2u * 3u);
    EXPECT_EQ(fake::Heap().releases, fake::Heap().requests);
}

}  // namespace
