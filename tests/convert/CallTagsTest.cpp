// The tags and chapter marks of a converted call, from the recording's header, comments and
// keywords; the marks of a section.

#include "convert/CallTags.h"
#include "recording/FieldText.h"
#include "support/RecordingBuilder.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

// A recording read no further than the fields the tags come from, in the 8-bit 8000 Hz format.
RecordingState recordingWith(std::vector<ScannedWord> words) {
    RecordingState rec;
    rec.playbackFormat = kPcmDefaultFormat;
    rec.scannedWordTotal = static_cast<int>(words.size());
    std::copy(words.begin(), words.end(), rec.scannedWords.begin());
    return rec;
}

std::vector<std::pair<std::uint64_t, std::string>> marksOf(const CallTags& tags) {
    std::vector<std::pair<std::uint64_t, std::string>> marks;
    for (const ChapterMark& mark : tags.chapters)
        marks.emplace_back(mark.frame, mark.title);
    return marks;
}

using Marks = std::vector<std::pair<std::uint64_t, std::string>>;

TEST(CallTags, OnlyTheNamesThereAreJoinedAndBlankKeywordsMakeNoMark) {
    RecordingState rec =
        recordingWith({test::makeWord("   ", {8000}), test::makeWord(" gun\t", {8000, 16000}),
                       test::makeWord("GUN", {16000}), test::makeWord("gun", {16000})});
    setFieldText(rec.vrh3.lastName, "Smith  ");
    rec.vrh3.recYear = 2004;
    rec.vrh3.recMonth = 3;
    rec.vrh3.recDay = 5;
    rec.commentText = "one\r\n\r\n";
    const CallTags tags = callTagsOf(rec, 8000 * 60);
    EXPECT_EQ(tags.artist, "Smith");
    EXPECT_EQ(tags.title, "2004-03-05 00:00:00"); // no rid
    EXPECT_EQ(tags.comment, "one");
    // Keywords are shown as one line; the same word twice at a place is one title.
    EXPECT_EQ(marksOf(tags), (Marks{{8000, "gun"}, {16000, "gun, GUN"}}));
}

TEST(CallTags, ASectionKeepsTheMarksInsideItAndTheOneItStartsIn) {
    const RecordingState rec = recordingWith(
        {test::makeWord("a", {8000}), test::makeWord("b", {24000}), test::makeWord("c", {40000})});
    const CallTags call = callTagsOf(rec, 48000);
    // A mark at the section's first frame is the one it starts with; one at its end is outside.
    EXPECT_EQ(marksOf(sectionTags(call, 24000, 40000)), (Marks{{0, "b"}}));
    // Starting inside "a", the section begins with that mark.
    EXPECT_EQ(marksOf(sectionTags(call, 16000, 48000)), (Marks{{0, "a"}, {8000, "b"}, {24000, "c"}}));
    // Before every mark, none is added.
    EXPECT_EQ(marksOf(sectionTags(call, 0, 8000)), Marks{});
    // A keyword set past the end of the audio makes no mark.
    EXPECT_EQ(marksOf(callTagsOf(rec, 40000)), (Marks{{8000, "a"}, {24000, "b"}}));
}

} // namespace
} // namespace kestrum
