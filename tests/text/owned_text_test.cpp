#include "text/owned_text.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/fake/fake_platform.h"

namespace {

using text::OwnedText;
using text::SHARED_EMPTY_TEXT;

std::u16string Read(const OwnedText& value) { return value.Text(); }

class OwnedTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        liveAtStart = fake::LiveBlocks();
        fake::ResetHeap();
    }
    void TearDown() override { EXPECT_EQ(fake::LiveBlocks(), liveAtStart) << "a buffer leaked"; }

    // Every owned buffer holds exactly length + 1 characters.
    static void ExpectExactBuffer(const OwnedText& value) {
        ASSERT_TRUE(value.Owns());
        EXPECT_EQ(fake::BlockSize(value.Text()), (value.Length() + 1) * sizeof(char16_t));
        EXPECT_EQ(value.Text()[value.Length()], u'\0');
    }

    std::size_t liveAtStart = 0;
};

TEST_F(OwnedTextTest, NullConstructionOwnsNothingAndSharesTheEmptyText) {
    {
        OwnedText first;
        OwnedText second(nullptr);
        EXPECT_EQ(first.Text(), SHARED_EMPTY_TEXT);
        EXPECT_EQ(second.Text(), SHARED_EMPTY_TEXT);
        EXPECT_EQ(first.Length(), 0);
        EXPECT_FALSE(first.Owns());
    }
    EXPECT_EQ(fake::Heap().requests, 0u);
    EXPECT_EQ(fake::Heap().releases, 0u);
}

TEST_F(OwnedTextTest, EmptyTextConstructionOwnsOneCharacter) {
    OwnedText value(u"");
    EXPECT_NE(value.Text(), SHARED_EMPTY_TEXT);
    EXPECT_EQ(value.Length(), 0);
    ExpectExactBuffer(value);
    EXPECT_EQ(fake::Heap().requests, 1u);
}

TEST_F(OwnedTextTest, AssignOfEqualLengthRewritesInPlace) {
    OwnedText value(u"00:00:01");
    const char16_t* before = value.Text();
    fake::ResetHeap();
    value.Assign(u"00:00:02");
    EXPECT_EQ(value.Text(), before);
    EXPECT_EQ(Read(value), u"00:00:02");
    EXPECT_EQ(fake::Heap().requests, 0u);
    EXPECT_EQ(fake::Heap().releases, 0u);
}

TEST_F(OwnedTextTest, AssignOfAnotherLengthReplacesTheBufferExactly) {
    struct Case {
        const char16_t* first;
        const char16_t* second;
    };
    const Case cases[] = {{u"99", u"100"}, {u"100", u"5"}, {u"不明", u""}, {u"", u"ｵﾝ"}};
    for (const Case& c : cases) {
        OwnedText value(c.first);
        fake::ResetHeap();
        value.Assign(c.second);
        EXPECT_EQ(Read(value), c.second);
        ExpectExactBuffer(value);
        EXPECT_EQ(fake::Heap().requests, 1u);
        EXPECT_EQ(fake::Heap().releases, 1u);
    }
}

TEST_F(OwnedTextTest, AssignOfEmptyTextToTheEmptyValueOwnsTheTerminator) {
    OwnedText value;
    value.Assign(u"");
    EXPECT_EQ(value.Length(), 0);
    ExpectExactBuffer(value);
}

TEST_F(OwnedTextTest, ClearAndNullAssignReleaseOnceAndLeaveAUsableValue) {
    for (bool byAssign : {false, true}) {
        OwnedText value(u"高");
        fake::ResetHeap();
        if (byAssign) {
            value.Assign(nullptr);
        } else {
            value.Clear();
        }
        EXPECT_EQ(fake::Heap().releases, 1u);
        EXPECT_EQ(value.Text(), SHARED_EMPTY_TEXT);
        value.Clear();  // nothing left to release
        EXPECT_EQ(fake::Heap().releases, 1u);
        value.Append(u"低");
        EXPECT_EQ(Read(value), u"低");
        ExpectExactBuffer(value);
    }
}

TEST_F(OwnedTextTest, AppendOfNothingKeepsTheBuffer) {
    OwnedText value(u"高");
    const char16_t* before = value.Text();
    fake::ResetHeap();
    value.Append(nullptr);
    value.Append(u"");
    EXPECT_EQ(value.Text(), before);
    EXPECT_EQ(Read(value), u"高");
    EXPECT_EQ(fake::Heap().requests, 0u);
    EXPECT_EQ(fake::Heap().releases, 0u);
}

TEST_F(OwnedTextTest, AppendBuildsPieceByPieceWithExactBuffers) {
    OwnedText value;
    value.Append(u"高").Append(u" : ").Append(u"充電中");
    EXPECT_EQ(Read(value), u"高 : 充電中");
    EXPECT_EQ(value.Length(), 7);
    ExpectExactBuffer(value);
    EXPECT_EQ(fake::Heap().requests, 3u);
    EXPECT_EQ(fake::Heap().releases, 2u);
    EXPECT_EQ(fake::Heap().bytesRequested, (2u + 5u + 8u) * sizeof(char16_t));
}

TEST_F(OwnedTextTest, ConcatWithNothingMovesTheBufferToTheResult) {
    for (const char16_t* nothing : {static_cast<const char16_t*>(nullptr), u""}) {
        OwnedText left(u"全");
        const char16_t* buffer = left.Text();
        fake::ResetHeap();
        OwnedText result = left.Concat(nothing);
        EXPECT_EQ(result.Text(), buffer);
        EXPECT_EQ(Read(result), u"全");
        EXPECT_EQ(left.Text(), SHARED_EMPTY_TEXT);
        EXPECT_EQ(left.Length(), 0);
        EXPECT_EQ(fake::Heap().requests, 0u);
    }
}

TEST_F(OwnedTextTest, ConcatOfAnEmptyLeftCopiesTheRightText) {
    OwnedText left(u"");
    OwnedText result = left.Concat(u"SD");
    EXPECT_EQ(Read(result), u"SD");
    ExpectExactBuffer(result);
    EXPECT_TRUE(left.Owns()) << "the left value is unchanged";
}

TEST_F(OwnedTextTest, ConcatChainsLeaveEveryOperandUnchanged) {
    OwnedText total(u"全");
    OwnedText named = total.Concat(u"SD Card");
    OwnedText others = named.Concat(u"他");
    EXPECT_EQ(Read(total), u"全");
    EXPECT_EQ(Read(named), u"全SD Card");
    EXPECT_EQ(Read(others), u"全SD Card他");
    ExpectExactBuffer(named);
    ExpectExactBuffer(others);
}

TEST_F(OwnedTextTest, TakeOverMovesOwnershipAndReleasesOnce) {
    OwnedText target(u"old");
    {
        OwnedText source(u"new text");
        const char16_t* moved = source.Text();
        target.TakeOver(source);
        EXPECT_EQ(target.Text(), moved);
        EXPECT_EQ(source.Text(), SHARED_EMPTY_TEXT);
        EXPECT_EQ(fake::Heap().releases, 1u) << "the old buffer goes at once";
    }
    EXPECT_EQ(fake::Heap().releases, 1u) << "the emptied source releases nothing";
    EXPECT_EQ(Read(target), u"new text");
}

TEST_F(OwnedTextTest, TakeOverOfItselfChangesNothing) {
    OwnedText value(u"100");
    const char16_t* before = value.Text();
    value.TakeOver(value);
    EXPECT_EQ(value.Text(), before);
    EXPECT_EQ(Read(value), u"100");
    EXPECT_EQ(fake::Heap().releases, 0u);
}

TEST_F(OwnedTextTest, FormatProducesTheProgramsTexts) {
    OwnedText value;
    value.Format(u"%u", 100u);
    EXPECT_EQ(Read(value), u"100");
    EXPECT_EQ(value.Length(), 3);
    value.Format(u"%02u:%02u:%02u", 1u, 2u, 3u);
    EXPECT_EQ(Read(value), u"01:02:03");
    EXPECT_EQ(value.Length(), 8);
    const char16_t* before = value.Text();
    fake::ResetHeap();
    value.Format(u"%02u:%02u:%02u", 4u, 5u, 6u);
    EXPECT_EQ(value.Text(), before) << "an equal length reuses the buffer";
    EXPECT_EQ(fake::Heap().requests, 0u);
}

TEST_F(OwnedTextTest, FormatKeepsAtMost255Characters) {
    const std::u16string fits(255, u'x');
    const std::u16string tooLong(400, u'y');
    OwnedText value;
    value.Format(u"%s", fits.c_str());
    EXPECT_EQ(Read(value), fits);
    value.Format(u"%s", tooLong.c_str());
    EXPECT_EQ(value.Length(), 255);
    EXPECT_EQ(Read(value), tooLong.substr(0, 255));
    value.Format(u"%300u", 7u);
    EXPECT_EQ(value.Length(), 255);
    EXPECT_EQ(value.Text()[254], u' ') << "the cut keeps the start of the result";
}

TEST_F(OwnedTextTest, ExhaustedHeapLeavesValidEmptyValues) {
    fake::FailNextHeapRequests(1);
    OwnedText value(u"text");
    EXPECT_EQ(value.Text(), SHARED_EMPTY_TEXT);
    OwnedText holding(u"abc");
    fake::FailNextHeapRequests(1);
    holding.Append(u"def");
    EXPECT_EQ(holding.Text(), SHARED_EMPTY_TEXT) << "a failed append leaves the empty value";
    holding.Assign(u"again");
    EXPECT_EQ(Read(holding), u"again");
}

}  // namespace
