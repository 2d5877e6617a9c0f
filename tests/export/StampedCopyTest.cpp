// The stamped copy of a recording: byte for byte, its checksums against an independent
// computation, sources with and without their own export header, older headers converted.

#include "export/StampedCopy.h"
#include "recording/FieldText.h"
#include "recording/RecordingReader.h"
#include "support/FakeMessenger.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum {
namespace {

using test::RecordingBuilder;

// The checksum computed the long way, bit by bit, as a reference.
std::uint32_t referenceCrc(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t crc = 0;
    for (const std::uint8_t byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    }
    return crc;
}

std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& bytes, std::size_t from, std::size_t count) {
    return {bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(from + count)};
}

std::uint32_t u32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
           (std::uint32_t{bytes[offset + 3]} << 24);
}

class StampedCopyTest : public ::testing::Test {
  protected:
    // Opens the recording as the player does (with a command-line cost of 99 applied).
    RecordingState open(const RecordingBuilder& builder) {
        builder.writeTo(source);
        RecordingState rec;
        rec.recordingPath = source;
        ReaderOptions options;
        options.headerValues.cost = 99;
        RecordingReader reader(rec, reporter, options);
        EXPECT_EQ(reader.openRecording(), 0) << messenger.onlyText();
        EXPECT_EQ(reader.computeAudioLength(), 0) << messenger.onlyText();
        rec.closeRecordingFile();
        return rec;
    }
    // What stamping one recording into the list left: whether it succeeded, where the copy is
    // (or would be), and the one message shown.
    struct StampOutcome {
        bool ok = false;
        std::string target;
        std::string message;
    };
    StampOutcome stamp(RecordingState& rec, const std::atomic<bool>* stop = nullptr) {
        std::filesystem::create_directories(dir.path() / "list" / "Recs");
        PrivateDirectory recordings;
        recordings.open((dir.path() / "list" / "Recs").string());
        messenger.shown.clear();
        const int failed = makeStampedCopy(
            rec, recordings, {"clerk", "DESK1", 1078477622}, reporter,
            [this](const std::string& text) { statuses.push_back(text); }, stop);
        return {failed == 0, stampedCopyPath(rec, recordings), messenger.onlyText()};
    }

    test::TempDir dir;
    std::string source = dir.file("call.ZOQ");
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter{messenger, log};
    std::vector<std::string> statuses;
};

TEST_F(StampedCopyTest, CopiesTheSectionsBehindAFreshExportHeaderWithTheirChecksums) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    RecordingBuilder builder(10);
    builder.comments = "a comment\r\n";
    builder.words = {test::makeWord("gun", {8000})};
    builder.audio = test::makeAudio(4000);
    RecordingState rec = open(builder);
    const StampOutcome outcome = stamp(rec);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    EXPECT_EQ(outcome.target, (dir.path() / "list" / "Recs" / "call.ZOQ").string());
    EXPECT_EQ(statuses, (std::vector<std::string>{"Calculating CRC 1", "Calculating CRC 2",
                                                  "Calculating CRC 3", "Closing File"}));

    const std::vector<std::uint8_t> copy = test::readFileBytes(outcome.target);
    ASSERT_EQ(copy.size(), 98u + 351 + 11 + 60 + 4000);
    EXPECT_EQ(std::string(copy.begin(), copy.begin() + 4), std::string("EXP\0", 4));
    EXPECT_EQ(copy[4], 1);
    EXPECT_EQ(copy[5], 0);
    const std::vector<std::uint8_t> header = slice(copy, 98, 351);
    EXPECT_EQ(u32At(copy, 6), referenceCrc(header));
    EXPECT_EQ(u32At(copy, 10), referenceCrc(slice(copy, 449, 11)));
    EXPECT_EQ(u32At(copy, 14), 4000u);
    EXPECT_EQ(u32At(copy, 18), referenceCrc(builder.audio));
    for (std::size_t i = 22; i < 30; ++i)
        EXPECT_EQ(copy[i], 0) << i;
    EXPECT_EQ(copy[30], 5); // 5 March 2004, 09:07:02
    EXPECT_EQ(copy[31], 3);
    EXPECT_EQ(copy[32] | (copy[33] << 8), 2004);
    EXPECT_EQ(copy[34], 2);
    EXPECT_EQ(copy[35], 7);
    EXPECT_EQ(copy[36], 9);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&copy[37])), "DESK1");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&copy[68])), "clerk");
    // The header as held: the command-line cost is in it.
    EXPECT_EQ(u32At(copy, 98 + 245), 99u);
    // Comments, keywords and audio unchanged.
    EXPECT_EQ(slice(copy, 449, 11 + 60 + 4000), slice(builder.bytes(), 351, 11 + 60 + 4000));
    // The player's export header is the new one.
    EXPECT_EQ(rec.edh.audioByteCount, 4000u);
    EXPECT_EQ(rec.edh.audioCrc, u32At(copy, 18));
}

TEST_F(StampedCopyTest, ASourceWithItsOwnExportHeaderGetsOneNewHeaderOnly) {
    RecordingBuilder builder(11);
    builder.exportHeader = test::makeExportHeader(500);
    builder.audio = test::makeAudio(500);
    RecordingState rec = open(builder);
    const StampOutcome outcome = stamp(rec);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    const std::vector<std::uint8_t> copy = test::readFileBytes(outcome.target);
    ASSERT_EQ(copy.size(), 98u + 351 + 500);
    EXPECT_EQ(slice(copy, 449, 500), builder.audio);
    EXPECT_EQ(u32At(copy, 10), 0u); // no comments: checksum 0
}

TEST_F(StampedCopyTest, AnOlderHeaderIsConvertedAndSectionsItDoesNotCarryCountNothing) {
    // Version 4: comments but no keywords, though its header counts two; the copy must not take
    // 120 audio bytes for keyword records.
    RecordingBuilder v4(4);
    v4.comments = "note\r\n";
    v4.audio = test::makeAudio(640);
    v4.setCounts = false;
    v4.vrh.textLength = 6;
    v4.vrh.scannedWordCount = 2;
    RecordingState rec = open(v4);
    StampOutcome outcome = stamp(rec);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    std::vector<std::uint8_t> copy = test::readFileBytes(outcome.target);
    EXPECT_EQ(copy[98 + 4], 10); // converted to version 10
    EXPECT_EQ(copy[98 + 5], 0);  // no keyword records in the copy
    EXPECT_EQ(u32At(copy, 98 + 279), 6u);
    EXPECT_EQ(u32At(copy, 14), 640u);
    EXPECT_EQ(slice(copy, 98 + 351 + 6, 640), v4.audio);

    // Version 1 (like 6) carries no comments, though its header counts 50 bytes: they are audio.
    RecordingBuilder v1(1);
    v1.audio = test::makeAudio(300);
    v1.setCounts = false;
    v1.vrh.textLength = 50;
    rec = open(v1);
    outcome = stamp(rec);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    copy = test::readFileBytes(outcome.target);
    EXPECT_EQ(copy[98 + 4], 11);
    EXPECT_EQ(u32At(copy, 98 + 279), 0u);
    EXPECT_EQ(slice(copy, 98 + 351, 300), v1.audio);

    const CopyChecksums sums = checkStampedCopy(outcome.target);
    EXPECT_TRUE(sums.readable);
    EXPECT_EQ(sums.header, sums.storedHeader);
    EXPECT_EQ(sums.audio, sums.storedAudio);
    EXPECT_EQ(sums.audioBytes, 300u);
}

TEST_F(StampedCopyTest, CommentBytesHoldingANulAreCopiedAsTheyAre) {
    RecordingBuilder builder(9);
    builder.comments = std::string("one\0two\r\n", 9);
    builder.audio = test::makeAudio(100);
    RecordingState rec = open(builder);
    const StampOutcome outcome = stamp(rec);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    const std::vector<std::uint8_t> copy = test::readFileBytes(outcome.target);
    EXPECT_EQ(slice(copy, 98 + 351, 9 + 100), slice(builder.bytes(), 351, 9 + 100));
    EXPECT_EQ(u32At(copy, 10), referenceCrc(slice(copy, 98 + 351, 9)));
}

TEST_F(StampedCopyTest, ASourceThatEndsInsideASectionLeavesNoCopy) {
    RecordingBuilder builder(9);
    builder.comments = std::string(100, 'c');
    builder.words = {test::makeWord("a", {1}), test::makeWord("b", {2})};
    builder.audio = test::makeAudio(10);
    RecordingState rec = open(builder);
    std::vector<std::uint8_t> bytes = builder.bytes();

    bytes.resize(351 + 50); // inside the comments
    test::writeFileBytes(source, bytes);
    StampOutcome outcome = stamp(rec);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "Unable to Write Text comments For " + source);
    EXPECT_FALSE(std::filesystem::exists(outcome.target));

    bytes = builder.bytes();
    bytes.resize(351 + 100 + 90); // inside the second keyword record
    test::writeFileBytes(source, bytes);
    outcome = stamp(rec);
    EXPECT_EQ(outcome.message, "Unable to Read scanned words for " + source + ".");
    EXPECT_FALSE(std::filesystem::exists(outcome.target));

    std::filesystem::remove(source);
    outcome = stamp(rec);
    EXPECT_EQ(outcome.message, "Unable to open Recording file, problem with " + source + ".");
}

TEST_F(StampedCopyTest, AStoppedCopyLeavesNothingAndAnEarlierCopyStands) {
    RecordingBuilder builder(10);
    builder.audio = test::makeAudio(200000);
    RecordingState rec = open(builder);
    ASSERT_TRUE(stamp(rec).ok);
    const std::vector<std::uint8_t> earlier = test::readFileBytes(dir.file("list/Recs/call.ZOQ"));

    const std::atomic<bool> stop{true};
    const StampOutcome outcome = stamp(rec, &stop);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "The copy of " + source + " stopped as the player closed.");
    EXPECT_EQ(test::readFileBytes(dir.file("list/Recs/call.ZOQ")), earlier);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("list/Recs")),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_F(StampedCopyTest, VerificationFindsAChangedByte) {
    RecordingBuilder builder(9);
    builder.comments = "abc\r\n";
    builder.audio = test::makeAudio(1000);
    RecordingState rec = open(builder);
    const StampOutcome outcome = stamp(rec);
    ASSERT_TRUE(outcome.ok) << outcome.message;
    std::vector<std::uint8_t> copy = test::readFileBytes(outcome.target);
    copy[copy.size() - 10] ^= 1;
    test::writeFileBytes(outcome.target, copy);
    const CopyChecksums sums = checkStampedCopy(outcome.target);
    EXPECT_EQ(sums.header, sums.storedHeader);
    EXPECT_EQ(sums.text, sums.storedText);
    EXPECT_NE(sums.audio, sums.storedAudio);
}

} // namespace
} // namespace kestrum
