// What the catalogue reads of a recording, with the player's own reader, on real files.

#include "catalogue/EntryReader.h"
#include "catalogue/StampedRecordings.h"
#include "recording/FieldText.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace kestrum {
namespace {

using test::RecordingBuilder;

TEST(EntryReader, ReadsTheDetailsOfEveryLayoutAsUtf8) {
    test::TempDir dir;
    for (const int version : {1, 5, 8, 9, 10, 11}) {
        SCOPED_TRACE("version " + std::to_string(version));
        RecordingBuilder builder(version);
        setFieldText(builder.vrh.lastName, "M\xFCller"); // Windows-1252
        setFieldText(builder.vrh2.lastName, "M\xFCller");
        setFieldText(builder.vrh3.lastName, "M\xFCller");
        setFieldText(builder.vrh3.middleName, "Q");
        setFieldText(builder.vrh3.stationAni, "5550001");
        builder.vrh3.stationNumber = 12;
        builder.vrh3.lu = 3;
        const bool sections = version != 1;
        if (sections)
            builder.comments = "\r\n  \r\nfirst \x93quoted\x94 line\r\nsecond\r\n";
        if (sections)
            builder.words = {test::makeWord("gun", {800}), test::makeWord("\tcaf\xE9\n", {900})};
        if (version == 9)
            builder.exportHeader = test::makeExportHeader(32 * 10);
        builder.audio = test::makeAudio(32 * 10);
        builder.writeTo(dir.file("call.ZOQ"));

        const CatalogueEntry entry = readCatalogueEntry(dir.file("call.ZOQ"));
        ASSERT_TRUE(entry.readable()) << entry.problem;
        EXPECT_EQ(entry.version, version);
        EXPECT_EQ(entry.file.size,
                  static_cast<std::int64_t>(std::filesystem::file_size(dir.file("call.ZOQ"))));
        EXPECT_GT(entry.file.modified, 0);
        EXPECT_EQ(entry.recorded, "2004-03-05 09:07:02");
        EXPECT_EQ(entry.rid, "RID123");
        EXPECT_EQ(entry.firstName, "John");
        EXPECT_EQ(entry.lastName, "Müller");
        EXPECT_EQ(entry.dialledNumber, "5551234");
        EXPECT_EQ(entry.stationName, "Block A");
        EXPECT_EQ(entry.system, "SYS1");
        EXPECT_EQ(entry.site, 7);
        // Fields only the newest layout has are empty in a converted header.
        EXPECT_EQ(entry.middleName, version >= 9 ? "Q" : "");
        EXPECT_EQ(entry.stationAni, version >= 9 ? "5550001" : "");
        EXPECT_EQ(entry.stationNumber, version >= 9 ? 12 : 0);
        EXPECT_EQ(entry.secondSite, version >= 9 ? 3 : 0);
        EXPECT_EQ(entry.exported, version == 9);
        EXPECT_EQ(entry.checksums, version == 9 ? ChecksumState::Unchecked : ChecksumState::NotStamped);
        if (sections) {
            EXPECT_EQ(entry.comments, "\r\n  \r\nfirst “quoted” line\r\nsecond\r\n");
            EXPECT_EQ(entry.firstCommentLine(), "first “quoted” line");
            // A control character in a keyword is a blank, and blanks around it go.
            EXPECT_EQ(entry.keywords, (std::vector<std::string>{"gun", "café"}));
        } else {
            EXPECT_EQ(entry.comments, "");
            EXPECT_TRUE(entry.keywords.empty());
        }
    }
}

TEST(EntryReader, TakesTheHeadersDurationOrWorksItOutFromTheAudio) {
    test::TempDir dir;
    const auto durationOf = [&dir](const RecordingBuilder& builder) {
        builder.writeTo(dir.file("call.ZOQ"));
        return readCatalogueEntry(dir.file("call.ZOQ")).durationSeconds;
    };
    RecordingBuilder own(11);
    own.vrh3.duration = 95;
    own.audio = test::makeAudio(8000);
    EXPECT_EQ(durationOf(own), 95);

    RecordingBuilder none(11); // a negative duration is none: 3 seconds of 8000 Hz PCM
    none.vrh3.duration = -1;
    none.audio = test::makeAudio(24000);
    EXPECT_EQ(durationOf(none), 3);

    RecordingBuilder compressed(7); // no duration field: 1067 bytes a second of TrueSpeech
    compressed.audio = test::makeAudio(1067 * 4);
    EXPECT_EQ(durationOf(compressed), 4);

    RecordingBuilder old(1); // the stored format's own rate
    old.vrh.audioFormat = {1, 1, 11025, 11025, 1, 8, 0};
    old.audio = test::makeAudio(11025 * 2);
    EXPECT_EQ(durationOf(old), 2);

    RecordingBuilder noRate(10);
    noRate.vrh3.duration = -5;
    noRate.vrh3.audioFormat.avgBytesPerSec = 0;
    noRate.audio = test::makeAudio(320);
    EXPECT_EQ(durationOf(noRate), std::nullopt);
}

TEST(EntryReader, AFileThatDoesNotReadGivesTheReadersMessage) {
    test::TempDir dir;
    const std::string path = dir.file("bad.ZOQ");

    RecordingBuilder version12(12);
    version12.audio = test::makeAudio(400);
    version12.writeTo(path);
    CatalogueEntry entry = readCatalogueEntry(path);
    EXPECT_EQ(entry.problem, "File is not version 1 thru 11\n" + path);
    EXPECT_EQ(entry.file.size, static_cast<std::int64_t>(std::filesystem::file_size(path)));
    EXPECT_TRUE(entry.recorded.empty());

    RecordingBuilder longComment(9);
    longComment.setCounts = false;
    longComment.vrh3.textLength = 1000;
    longComment.audio = test::makeAudio(20);
    longComment.writeTo(path);
    EXPECT_EQ(readCatalogueEntry(path).problem, "readTextComments failed read 20 of 1000");

    test::writeFileBytes(path, {'Z', 'O', 'Q'});
    EXPECT_EQ(readCatalogueEntry(path).problem, "File Edh read failed 98");

    // A link is not followed, and a pipe does not hold the reading up.
    RecordingBuilder good(11);
    good.audio = test::makeAudio(100);
    good.writeTo(dir.file("good.ZOQ"));
    std::filesystem::create_symlink(dir.file("good.ZOQ"), dir.file("link.ZOQ"));
    EXPECT_EQ(readCatalogueEntry(dir.file("link.ZOQ")).problem,
              "Could not open file\n" + dir.file("link.ZOQ"));
    ASSERT_EQ(::mkfifo(dir.file("pipe.ZOQ").c_str(), 0600), 0);
    EXPECT_EQ(readCatalogueEntry(dir.file("pipe.ZOQ")).problem,
              "Could not open file\n" + dir.file("pipe.ZOQ"));
}

TEST(EntryReader, VerifyingAStampedCopyKeepsWhatDoesNotMatch) {
    test::TempDir dir;
    RecordingBuilder builder(11);
    builder.comments = "checked\r\n";
    builder.words = {test::makeWord("gun", {100})};
    builder.audio = test::makeAudio(4000);
    const std::string copy = test::writeStampedCopy(builder, dir.path().string());

    CatalogueEntry entry = readCatalogueEntry(copy);
    ASSERT_TRUE(entry.exported);
    verifyCatalogueEntry(entry);
    EXPECT_EQ(entry.checksums, ChecksumState::Intact);
    EXPECT_EQ(entry.checksumProblem, "");

    test::flipByte(copy, -10);          // in the audio
    test::flipByte(copy, 98 + 351 + 2); // in the comments
    entry = readCatalogueEntry(copy);
    verifyCatalogueEntry(entry);
    EXPECT_EQ(entry.checksums, ChecksumState::Damaged);
    EXPECT_EQ(entry.checksumProblem, "does not match: comments, audio");

    std::filesystem::resize_file(copy, std::filesystem::file_size(copy) - 1000);
    entry = readCatalogueEntry(copy);
    verifyCatalogueEntry(entry);
    EXPECT_EQ(entry.checksumProblem, "does not match: comments, audio, audio length");

    // A recording without an export header has nothing to check.
    CatalogueEntry plain = readCatalogueEntry(dir.file("call.ZOQ"));
    verifyCatalogueEntry(plain);
    EXPECT_EQ(plain.checksums, ChecksumState::NotStamped);
}

} // namespace
} // namespace kestrum
