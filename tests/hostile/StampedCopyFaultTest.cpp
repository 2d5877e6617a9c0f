// The stamped copy into an export list (zoqtool stamp) when the disk fills up at any point of the
// copy, when the list cannot be written, and when the recording goes away underneath: the user is
// told, no partial copy is left in the list, and the recording itself is never touched.

#include "export/StampedCopy.h"
#include "hostile/FaultInjection.h"
#include "recording/RecordingReader.h"
#include "support/FakeMessenger.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

class StampedCopyFaultTest : public ::testing::Test {
  protected:
    StampedCopyFaultTest() {
        test::RecordingBuilder builder(9);
        builder.comments = "3/05/2004 09:07:02 clerk @ DESK1\r\nfirst call\r\n";
        builder.words = {test::makeWord("gun", {100, 2000})};
        builder.audio = test::makeAudio(80000);
        original = builder.bytes();
        test::writeFileBytes(source, original);
        fs::create_directories(recs);
    }
    test::ProcessResult stamp(const test::Hindrance& hindrance) {
        const std::vector<std::string> command =
            test::hamperedCommand(hindrance, ZOQTOOL_BINARY, {"stamp", source, list.path().string()});
        return test::runProcess(command[0], {command.begin() + 1, command.end()});
    }
    void expectNoCopyAndTheRecordingUntouched() const {
        EXPECT_TRUE(fs::is_empty(recs)) << "a partial copy was left in the list";
        EXPECT_EQ(test::readFileBytes(source), original);
    }

    test::TempDir calls;
    std::string source = calls.file("call.ZOQ");
    std::vector<std::uint8_t> original;
    test::TempDir list;
    fs::path recs = list.path() / "Recs";
};

TEST_F(StampedCopyFaultTest, ADiskThatFillsUpAnywhereInTheCopyLeavesNoCopy) {
    // Full at once, inside the export header, the recording header, the comments, the audio, and
    // one byte short of the whole copy (the copy gains a 98-byte export header).
    const rlim_t whole = original.size() + 98;
    for (const rlim_t limit : {rlim_t{0}, rlim_t{50}, rlim_t{200}, rlim_t{470}, rlim_t{40000}, whole - 1}) {
        SCOPED_TRACE("files limited to " + std::to_string(limit) + " bytes");
        const test::ProcessResult result = stamp({limit, {}});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err.rfind("Unable to ", 0), 0u) << result.err;
        EXPECT_EQ(result.out, "");
        expectNoCopyAndTheRecordingUntouched();
    }
    const test::ProcessResult result = stamp({whole, {}});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::readFileBytes((recs / "call.ZOQ").string()).size(), whole);
}

TEST_F(StampedCopyFaultTest, AListThatCannotBeWrittenIsReported) {
    // The recordings' folder is a file: it is not used.
    fs::remove(recs);
    test::writeFileBytes(recs.string(), {'x'});
    test::ProcessResult result = stamp({});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              "dataExportCheckDirectory will not use " + recs.string() + ": it is not a directory\n");
    EXPECT_EQ(test::readFileBytes(recs.string()), std::vector<std::uint8_t>{'x'});
    EXPECT_EQ(test::readFileBytes(source), original);
    fs::remove(recs);
    fs::create_directory(recs);

    if (!test::readOnlyDirectoriesWork())
        GTEST_SKIP() << "read-only bind mounts need user namespaces";
    result = stamp({std::nullopt, list.path().string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Unable to open Recording Header for " + (recs / "call.ZOQ").string() + ".\n");
    expectNoCopyAndTheRecordingUntouched();
}

TEST_F(StampedCopyFaultTest, ARecordingThatGoesAwayOrShrinksAfterItWasOpenedLeavesNoCopy) {
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter(messenger, log);
    RecordingState recording;
    recording.recordingPath = source;
    RecordingReader reader(recording, reporter, {});
    ASSERT_EQ(reader.openRecording(), 0);
    ASSERT_EQ(reader.computeAudioLength(), 0);
    recording.closeRecordingFile();
    const auto copy = [&] {
        PrivateDirectory recordings;
        recordings.open(recs.string());
        messenger.shown.clear();
        return makeStampedCopy(recording, recordings, {"clerk", "DESK1", 1078477622}, reporter,
                               [](const std::string&) {});
    };

    // Cut inside its keywords: the copy cannot be completed.
    std::vector<std::uint8_t> cut(original.begin(), original.begin() + 351 + 45 + 30);
    test::writeFileBytes(source, cut);
    EXPECT_EQ(copy(), 1);
    EXPECT_EQ(messenger.onlyText(), "Unable to Read scanned words for " + source + ".");
    EXPECT_TRUE(fs::is_empty(recs));

    fs::remove(source);
    EXPECT_EQ(copy(), 1);
    EXPECT_EQ(messenger.onlyText(), "Unable to open Recording file, problem with " + source + ".");
    EXPECT_TRUE(fs::is_empty(recs));
}

} // namespace
} // namespace kestrum
