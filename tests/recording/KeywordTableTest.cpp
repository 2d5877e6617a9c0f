// Adding keywords: matching, limits, blanks and the seconds-before offset.

#include "recording/KeywordTable.h"
#include "app/Annotations.h"
#include "recording/FieldText.h"
#include "support/FakeMessenger.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

class KeywordTableTest : public ::testing::Test {
  protected:
    KeywordTableTest() {
        state.recording.playbackFormat = kPcmDefaultFormat;
        state.recording.vrh.version = 9;
    }
    int add(const std::string& word, double atSeconds, int secondsBefore = 0) {
        messenger.shown.clear();
        return annotations.addScannedWord(word, secondsBefore, static_cast<std::uint64_t>(atSeconds * 8000));
    }
    const ScannedWord& entry(int i) const {
        return state.recording.scannedWords[static_cast<std::size_t>(i)];
    }

    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter{messenger, log};
    TextDisplays windows;
    PlayerState state;
    Annotations annotations{state, reporter, windows};
};

TEST_F(KeywordTableTest, TheSecondsBeforeMustLeaveAPositionAfterTheStart) {
    EXPECT_EQ(add("gun", 2.5, 3), 1);
    EXPECT_EQ(messenger.onlyText(), "Error, Start Play Position is Equal to or Less than Beginning");
    EXPECT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(add("gun", 0, 0), 1);
    EXPECT_EQ(add("gun", 2, 2), 1);
    EXPECT_EQ(state.recording.scannedWordTotal, 0);

    ASSERT_EQ(add("gun", 2.5, 2), 0);
    EXPECT_EQ(entry(0).positions[0], 4000u);
    EXPECT_EQ(windows.keywordLines.back(), "                gun    0 ");
}

TEST_F(KeywordTableTest, AKnownKeywordWhateverItsCaseTakesTheNextSlot) {
    ASSERT_EQ(add("GUN", 1), 0);
    ASSERT_EQ(add("gun", 5), 0);
    ASSERT_EQ(add("Gun", 5), 0); // the same position twice is kept twice
    EXPECT_EQ(state.recording.scannedWordTotal, 1);
    EXPECT_EQ(fieldText(entry(0).word), "GUN");
    EXPECT_EQ(entry(0).positions[1], 40000u);
    EXPECT_EQ(entry(0).positions[2], 40000u);
    EXPECT_EQ(windows.keywordLines.back(), "                GUN    1    5    5 ");
}

TEST_F(KeywordTableTest, BlanksAreTrimmedAndABlankKeywordIsRefused) {
    EXPECT_EQ(add("   ", 1), 1);
    EXPECT_EQ(messenger.onlyText(), "Error, Key Word Cannot be Blank");
    EXPECT_EQ(add("\t\n", 1), 1);
    ASSERT_EQ(add("abc   ", 1), 0);
    EXPECT_EQ(fieldText(entry(0).word), "abc");
    ASSERT_EQ(add("caf\u00E9", 2), 0); // a letter above code 127 is not trimmed
    EXPECT_EQ(fieldText(entry(1).word), "caf\xE9");
    ASSERT_EQ(add("nineteen-characters", 3), 0);
    EXPECT_EQ(windows.keywordLines.back(), "nineteen-characters    3 ");
}

TEST_F(KeywordTableTest, ATypedKeywordIsStoredAsWindows1252OrRefusedWhole) {
    // Typed text arrives as UTF-8; the table, the file and the list hold one byte a character.
    ASSERT_EQ(add("\u20ACuro\u2014Stra\u00DFe", 1), 0);
    EXPECT_EQ(fieldText(entry(0).word), "\x80uro\x97Stra\xDF"
                                        "e");
    EXPECT_EQ(windows.keywordLines.back(), "        \x80uro\x97Stra\xDF"
                                           "e    1 ");
    // Nineteen characters fit however many UTF-8 bytes they take.
    ASSERT_EQ(add("\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9\u00E9"
                  "\u00E9\u00E9\u00E9\u00E9",
                  2),
              0);
    EXPECT_EQ(fieldText(entry(1).word), std::string(19, '\xE9'));

    // A character the code page lacks: refused with its name, nothing added, no save made due.
    EXPECT_EQ(add("gun\u03A9", 3), 1);
    EXPECT_EQ(messenger.onlyText(), "Error, Key Word Cannot Hold \"\u03A9\" (U+03A9): a recording keeps "
                                    "Windows-1252 characters only");
    EXPECT_EQ(log.lines.back(), messenger.onlyText());
    EXPECT_EQ(state.recording.scannedWordTotal, 2);
    EXPECT_EQ(windows.keywordLines.size(), 3u); // the title and the two keywords
}

TEST_F(KeywordTableTest, TenPositionsAndTwoHundredFiftyFiveKeywordsAtMost) {
    for (int i = 1; i <= 10; ++i)
        ASSERT_EQ(add("gun", i), 0);
    EXPECT_EQ(add("gun", 11), 1);
    EXPECT_EQ(messenger.onlyText(), "Error, No Available Seconds Locations");
    EXPECT_EQ(entry(0).positions[9], 80000u);

    for (int i = 1; i < 255; ++i)
        ASSERT_EQ(add("w" + std::to_string(i), 1), 0);
    EXPECT_EQ(state.recording.scannedWordTotal, 255);
    EXPECT_EQ(add("onemore", 1), 1);
    EXPECT_EQ(messenger.onlyText(), "Error, No Available Key Word Locations");
    EXPECT_EQ(add("W7", 2), 0); // a known keyword still takes positions
}

} // namespace
} // namespace kestrum
