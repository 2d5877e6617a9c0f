// Opening, validating and reading recordings of every version, with and without export headers.

#include "recording/RecordingReader.h"
#include "app/KeywordListLines.h"
#include "recording/FieldText.h"
#include "recording/VersionTable.h"
#include "support/FakeMessenger.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrum {
namespace {

using test::RecordingBuilder;

class RecordingReaderTest : public ::testing::Test {
  protected:
    // Writes the recording and opens it; returns openRecording's result.
    int open(const RecordingBuilder& builder, ReaderOptions options = {}) {
        builder.writeTo(path);
        return openPath(options);
    }
    int openBytes(const std::vector<std::uint8_t>& bytes) {
        test::writeFileBytes(path, bytes);
        return openPath({});
    }
    int openPath(ReaderOptions options) {
        rec = RecordingState{};
        rec.recordingPath = path;
        reader = std::make_unique<RecordingReader>(rec, reporter, options);
        return reader->openRecording();
    }
    // Opens the recording and runs the audio-length rule, and shows what was read as the player
    // does; fails the test when opening fails.
    int load(const RecordingBuilder& builder, ReaderOptions options = {}) {
        EXPECT_EQ(open(builder, options), 0) << messenger.onlyText();
        const int result = reader->computeAudioLength();
        showSectionsRead(rec, reader->sectionsRead(), displays);
        return result;
    }
    // The only message, which must also have been logged.
    std::string message() const {
        EXPECT_EQ(log.lines.size(), 1u);
        return messenger.onlyText();
    }

    test::TempDir dir;
    std::string path = dir.file("call.ZOQ");
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter{messenger, log};
    TextDisplays displays;
    RecordingState rec;
    std::unique_ptr<RecordingReader> reader;
};

TEST_F(RecordingReaderTest, RefusesFilesThatAreNotRecordings) {
    EXPECT_EQ(openPath({}), 1);
    EXPECT_EQ(message(), "Could not open file\n" + path);

    messenger.shown.clear();
    log.lines.clear();
    EXPECT_EQ(openBytes(std::vector<std::uint8_t>(97, 'Z')), 1);
    EXPECT_EQ(message(), "File Edh read failed 98");

    messenger.shown.clear();
    log.lines.clear();
    EXPECT_EQ(openBytes(std::vector<std::uint8_t>(400, 'x')), 1);
    EXPECT_EQ(message(), "File is not ZOQ type\n" + path);

    // "EXP" whose next header does not start with "ZOQ".
    messenger.shown.clear();
    log.lines.clear();
    std::vector<std::uint8_t> bytes(98 + 400, 'x');
    bytes[0] = 'E', bytes[1] = 'X', bytes[2] = 'P';
    EXPECT_EQ(openBytes(bytes), 1);
    EXPECT_EQ(message(), "File is not ZOQ type\n" + path);
}

TEST_F(RecordingReaderTest, RefusesVersionsOutsideOneToEleven) {
    for (const int version : {0, 12, 255}) {
        messenger.shown.clear();
        log.lines.clear();
        RecordingBuilder builder(version);
        builder.audio = test::makeAudio(400);
        EXPECT_EQ(open(builder), 1);
        EXPECT_EQ(message(), "File is not version 1 thru 11\n" + path) << version;
    }
    // The header read comes first: a version above 11 too short for 351 bytes reports that.
    messenger.shown.clear();
    log.lines.clear();
    std::vector<std::uint8_t> bytes = RecordingBuilder(12).bytes();
    bytes.resize(300);
    EXPECT_EQ(openBytes(bytes), 1);
    EXPECT_EQ(message(), "File read 3 failed read 0 of 351");
}

TEST_F(RecordingReaderTest, ReportsHeadersShorterThanTheirLayout) {
    std::vector<std::uint8_t> bytes = RecordingBuilder(7).bytes();
    bytes.resize(220);
    EXPECT_EQ(openBytes(bytes), 1);
    EXPECT_EQ(message(), "File read 2 failed read 0 of 221");

    messenger.shown.clear();
    log.lines.clear();
    bytes = RecordingBuilder(9).bytes();
    bytes.resize(350);
    EXPECT_EQ(openBytes(bytes), 1);
    EXPECT_EQ(message(), "File read 3 failed read 0 of 351");

    // Fewer than 216 header bytes after an export header.
    messenger.shown.clear();
    log.lines.clear();
    RecordingBuilder exported(10);
    exported.exportHeader = test::makeExportHeader(0);
    bytes = exported.bytes();
    bytes.resize(98 + 215);
    EXPECT_EQ(openBytes(bytes), 1);
    EXPECT_EQ(message(), "File Vrh read failed 216");
}

TEST_F(RecordingReaderTest, ReadsAFileWithoutExportHeaderFromOffsetZero) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(50);
    ASSERT_EQ(open(builder), 0);
    EXPECT_EQ(rec.headerStart, 0u);
    EXPECT_EQ(rec.dataStart, 351u);
    EXPECT_EQ(layout::encode(rec.edh), layout::Bytes<ExportHeader>{}); // cleared, though 98 bytes were read
    EXPECT_EQ(fieldText(rec.vrh3.rid), "RID123");
    EXPECT_EQ(rec.fileSize, 401);
}

TEST_F(RecordingReaderTest, ReadsTheRecordingHeaderAfterAnExportHeader) {
    RecordingBuilder builder(11);
    builder.exportHeader = test::makeExportHeader(60);
    builder.audio = test::makeAudio(60);
    ASSERT_EQ(open(builder), 0);
    EXPECT_EQ(rec.headerStart, 98u);
    EXPECT_EQ(rec.dataStart, 98u + 351u);
    EXPECT_EQ(rec.edh.exportFlag, 1);
    EXPECT_EQ(fieldText(rec.edh.exportUser), "clerk");
    EXPECT_EQ(rec.vrh3.version, 11);
}

TEST_F(RecordingReaderTest, CutsTheRidAtTheFirstCharacterThatIsNotALetterOrDigit) {
    RecordingBuilder builder(5);
    setFieldText(builder.vrh.rid, "AB-CDE");
    ASSERT_EQ(open(builder), 0);
    EXPECT_EQ(fieldText(rec.vrh.rid), "AB");
    EXPECT_EQ(fieldText(rec.vrh3.rid), "AB");

    setFieldText(builder.vrh.rid, "ABCDE12345"); // ten valid characters are taken whole
    ASSERT_EQ(open(builder), 0);
    EXPECT_EQ(fieldText(rec.vrh.rid), "ABCDE12345");

    RecordingBuilder newer(10);
    setFieldText(newer.vrh3.rid, "ABCDEFGHIJKLM N");
    ASSERT_EQ(open(newer), 0);
    EXPECT_EQ(fieldText(rec.vrh3.rid), "ABCDEFGHIJKLM");

    RecordingBuilder middle(8);
    setFieldText(middle.vrh2.rid, "12 34");
    ASSERT_EQ(open(middle), 0);
    EXPECT_EQ(fieldText(rec.vrh2.rid), "12");
}

TEST_F(RecordingReaderTest, AppliesTheCommandLineValuesWhileOpening) {
    RecordingBuilder builder(4);
    ReaderOptions options;
    options.headerValues.day = 9;
    options.headerValues.hour = 0;
    ASSERT_EQ(open(builder, options), 0);
    EXPECT_EQ(rec.vrh3.version, 10);
    EXPECT_EQ(rec.vrh3.recDay, 9);
    EXPECT_EQ(rec.vrh3.recHour, 0);
    EXPECT_EQ(rec.vrh3.recMonth, 3);
    EXPECT_EQ(rec.vrh.recDay, 5); // the file's own copy stays as read
}

TEST_F(RecordingReaderTest, ChoosesThePlaybackFormatByVersion) {
    const WaveFormat own{1, 1, 11025, 11025, 1, 8, 0};
    for (int version = 1; version <= 11; ++version) {
        RecordingBuilder builder(version);
        builder.vrh.audioFormat = builder.vrh2.audioFormat = builder.vrh3.audioFormat = own;
        ASSERT_EQ(open(builder), 0) << version;
        const bool fromHeader = version == 1 || version == 5 || version == 8 || version == 11;
        EXPECT_EQ(rec.playbackFormat, fromHeader ? own : kPcmDefaultFormat) << version;
    }
}

TEST_F(RecordingReaderTest, RefusesAPlaybackFormatWithoutARate) {
    RecordingBuilder builder(11);
    builder.vrh3.audioFormat = {1, 1, 8000, 0, 1, 8, 0};
    EXPECT_EQ(open(builder), 1);
    EXPECT_EQ(message(),
              "openRecording audio format not playable, 8000 samples per second, 0 bytes per second, "
              "8 bits\n" +
                  path);
}

struct LengthCase {
    int version;
    bool exportHeader;
    bool viewerMode;
    std::uint32_t expected;
};

TEST_F(RecordingReaderTest, ComputesTheAudioLengthByVersion) {
    // 5 comment bytes, 2 keywords, 1000 audio bytes; an export header, when present, says 700.
    const std::vector<LengthCase> cases = {
        {1, false, false, 1000},
        {5, false, false, 1000},
        {6, false, false, 1000},
        {8, false, false, 1000},
        {9, false, false, 1000},
        {11, false, false, 1000},
        {4, false, false, 1000},
        {7, false, false, 1000},
        {10, false, false, 1000},
        // The exporter's count replaces the computed length for compressed files...
        {10, true, false, 700},
        {7, true, false, 700},
        // ...and for raw ones in viewer mode only.
        {9, true, false, 1000},
        {11, true, false, 1000},
        {9, true, true, 700},
        {11, false, true, 1000},
    };
    for (const LengthCase& c : cases) {
        RecordingBuilder builder(c.version);
        const VersionInfo& info = versionInfo(c.version);
        if (info.carriesText)
            builder.comments = "hello";
        if (info.carriesScannedWords)
            builder.words = {test::makeWord("alpha", {8000}), test::makeWord("beta", {16000})};
        builder.audio = test::makeAudio(1000);
        if (c.exportHeader)
            builder.exportHeader = test::makeExportHeader(700);
        ReaderOptions options;
        options.viewerMode = c.viewerMode;
        ASSERT_EQ(load(builder, options), 0) << c.version << " " << messenger.onlyText();
        EXPECT_EQ(rec.audioLength, c.expected)
            << "version " << c.version << " export " << c.exportHeader << " viewer " << c.viewerMode;
        // The readers leave the file at the first audio byte.
        EXPECT_EQ(::ftello(rec.recordingFile.get()), static_cast<off_t>(builder.bytes().size() - 1000))
            << c.version;
    }
}

TEST_F(RecordingReaderTest, SectionsAVersionDoesNotCarryAreAudio) {
    // Version 4 carries comments but no keywords: a keyword count is ignored and its bytes are audio.
    RecordingBuilder v4(4);
    v4.comments = "note";
    v4.audio = test::makeAudio(600);
    v4.setCounts = false;
    v4.vrh.textLength = 4;
    v4.vrh.scannedWordCount = 3;
    ASSERT_EQ(load(v4), 0);
    EXPECT_EQ(rec.audioLength, 600u);
    EXPECT_EQ(rec.scannedWordTotal, 0);
    EXPECT_EQ(rec.commentText, "note");

    // Versions 1 and 6 carry neither: a text length is not deducted and nothing is read.
    for (const int version : {1, 6}) {
        RecordingBuilder raw(version);
        raw.audio = test::makeAudio(600);
        raw.setCounts = false;
        raw.vrh.textLength = 100;
        raw.vrh.scannedWordCount = 2;
        ASSERT_EQ(load(raw), 0);
        EXPECT_EQ(rec.audioLength, 600u) << version;
        EXPECT_FALSE(rec.commentsPresent) << version;
    }
}

TEST_F(RecordingReaderTest, AnAudioLengthNeverGoesBelowZero) {
    RecordingBuilder headerOnly(9);
    ASSERT_EQ(load(headerOnly), 0);
    EXPECT_EQ(rec.audioLength, 0u);

    // Comments and no audio at all.
    RecordingBuilder compressed(10);
    compressed.comments = "abc";
    ASSERT_EQ(load(compressed), 0);
    EXPECT_EQ(rec.audioLength, 0u);
}

TEST_F(RecordingReaderTest, LastAudioBytesOfARawFileWithoutExportHeaderAreKept) {
    RecordingBuilder builder(11);
    builder.audio = test::makeAudio(98);
    ASSERT_EQ(load(builder), 0);
    EXPECT_EQ(rec.audioLength, 98u);
}

TEST_F(RecordingReaderTest, ReadsCommentsIntoTheExistingCommentsDisplay) {
    RecordingBuilder builder(10);
    builder.comments = "3/5/2004 09:07:02 clerk @ DESK1\r\nabc\r\n";
    builder.audio = test::makeAudio(64);
    displays.newComments = "typed but not saved";
    rec.additionsPending = true;
    ASSERT_EQ(load(builder), 0);
    EXPECT_TRUE(rec.commentsPresent);
    EXPECT_FALSE(rec.additionsPending);
    EXPECT_EQ(displays.existingComments, builder.comments);
    EXPECT_EQ(displays.newComments, "");
    EXPECT_EQ(rec.commentText, builder.comments);
}

TEST_F(RecordingReaderTest, ATextLengthPastTheEndFailsAsAShortReadWithoutAllocatingIt) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(10);
    builder.setCounts = false;
    builder.vrh3.textLength = 0xFFFFFFF0u;
    EXPECT_EQ(load(builder), 1);
    EXPECT_EQ(message(), "readTextComments failed read 10 of 4294967280");
    EXPECT_EQ(rec.recordingFile, nullptr); // closed after the failure
}

TEST_F(RecordingReaderTest, AKeywordCountPastTheEndFailsAtTheFirstShortRecord) {
    RecordingBuilder builder(9);
    builder.words = {test::makeWord("one", {8000})};
    builder.audio = test::makeAudio(30);
    builder.setCounts = false;
    builder.vrh3.scannedWordCount = 200;
    EXPECT_EQ(load(builder), 1);
    EXPECT_EQ(message(), "readScannedWords 1 failed read 30 of 60");
}

TEST_F(RecordingReaderTest, BuildsTheKeywordListText) {
    RecordingBuilder builder(11);
    builder.vrh3.audioFormat = {1, 1, 8000, 8000, 1, 8, 0};
    builder.words = {
        test::makeWord("alpha", {8000, 16500, 7999}),
        test::makeWord("ten", {8000, 16000, 24000, 32000, 40000, 48000, 56000, 64000, 72000, 80000}),
        test::makeWord("nineteen-characters", {}),
    };
    builder.audio = test::makeAudio(100);
    ASSERT_EQ(load(builder), 0);
    ASSERT_EQ(displays.keywordLines.size(), 4u);
    EXPECT_EQ(displays.keywordLines[0], "           Key Word   Seconds From Beginning");
    EXPECT_EQ(displays.keywordLines[1], "              alpha    1    2    0 ");
    EXPECT_EQ(displays.keywordLines[2],
              "                ten    1    2    3    4    5    6    7    8    9   10 ");
    EXPECT_EQ(displays.keywordLines[3], "nineteen-characters ");
    EXPECT_EQ(rec.scannedWordTotal, 3);
}

TEST_F(RecordingReaderTest, AListWithoutKeywordsHoldsOnlyItsTitle) {
    RecordingBuilder builder(8);
    builder.audio = test::makeAudio(10);
    ASSERT_EQ(load(builder), 0);
    ASSERT_EQ(displays.keywordLines.size(), 1u);
    EXPECT_EQ(rec.scannedWordTotal, 0);
}

} // namespace
} // namespace kestrum
