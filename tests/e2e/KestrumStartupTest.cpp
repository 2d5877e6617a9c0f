// The real kestrum binary from command line to shutdown, unattended, on the offscreen platform.

#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::RecordingBuilder;

class KestrumStartupTest : public ::testing::Test {
  protected:
    test::ProcessResult run(const std::string& commandLine) {
        test::ProcessOptions options;
        options.workingDirectory = dir.path().string();
        options.env = {
            {"QT_QPA_PLATFORM", "offscreen"}, {"KESTRUM_UNATTENDED", "yes"}, {"SDL_AUDIODRIVER", "dummy"}};
        return test::runProcess(KESTRUM_BINARY, {commandLine}, options);
    }
    // The player's own lines on standard error, without what libraries print there.
    static std::string messages(const test::ProcessResult& result) {
        std::string lines;
        std::size_t start = 0;
        while (start < result.err.size()) {
            std::size_t end = result.err.find('\n', start);
            end = end == std::string::npos ? result.err.size() : end + 1;
            const std::string line = result.err.substr(start, end - start);
            if (line.rfind("LUMBRA PLAYER: ", 0) == 0)
                lines += line;
            start = end;
        }
        return lines;
    }
    // The per-user directory the run made, if any.
    fs::path userDirectory() const {
        for (const fs::directory_entry& entry : fs::directory_iterator(dir.path()))
            if (entry.is_directory())
                return entry.path();
        return {};
    }

    test::TempDir dir;
};

TEST_F(KestrumStartupTest, AMissingRecordingIsReportedLoggedAndExits1) {
    const std::string path = dir.file("absent.ZOQ");
    const test::ProcessResult result = run(path);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(messages(result), "LUMBRA PLAYER: File not found\\n" + path + "\n");
    const fs::path user = userDirectory();
    ASSERT_FALSE(user.empty());
    const std::string log = test::readFileText((user / "Kestrum.LOG").string());
    EXPECT_EQ(log.rfind("ZOQ LUMBRA PLAYER\r\n", 0), 0u) << log;
    EXPECT_NE(log.find(" File not found\n" + path + "\r\n"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(user / "Kestrum.LCK"));
}

TEST_F(KestrumStartupTest, AVersion2RecordingEndsSilentlyWithExit1) {
    RecordingBuilder builder(2);
    builder.audio = test::makeAudio(100);
    builder.writeTo(dir.file("v2.ZOQ"));
    const test::ProcessResult result = run("^F" + dir.file("v2.ZOQ"));
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(messages(result), "") << result.err;
    EXPECT_FALSE(fs::exists(userDirectory() / "Kestrum.LCK"));
    EXPECT_FALSE(fs::exists(userDirectory() / "Kestrum.LOG"));
}

TEST_F(KestrumStartupTest, AReadableRecordingRunsToShutdownAndReleasesTheLock) {
    RecordingBuilder builder(10);
    builder.comments = "a comment\r\n";
    builder.words = {test::makeWord("alpha", {8000})};
    builder.audio = test::makeAudio(640);
    builder.writeTo(dir.file("call.ZOQ"));
    const test::ProcessResult result = run("\"" + dir.file("call.ZOQ") + "\"");
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(messages(result), "") << result.err;
    EXPECT_TRUE(fs::is_directory(userDirectory()));
    EXPECT_FALSE(fs::exists(userDirectory() / "Kestrum.LCK"));
}

TEST_F(KestrumStartupTest, ARefusedOptionShowsItsMessageBeforeAnythingIsCreated) {
    const test::ProcessResult result = run("^F" + dir.file("call.ZOQ") + "^Q0");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(messages(result), "LUMBRA PLAYER: Q got 0 from 0\n");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(KestrumStartupTest, ViewerModeWritesNoLogNoLockAndNoUserDirectory) {
    const test::ProcessResult result = run("^F" + dir.file("absent.ZOQ") + "^O1");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(messages(result), "LUMBRA PLAYER: File not found\\n" + dir.file("absent.ZOQ") + "\n");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(KestrumStartupTest, AnUnreadableCommentSectionIsReportedAfterTheFileOpened) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(20);
    builder.setCounts = false;
    builder.vrh3.textLength = 1000;
    builder.writeTo(dir.file("bad.ZOQ"));
    const test::ProcessResult result = run(dir.file("bad.ZOQ"));
    // Loading failures end the run after shutdown with exit code 0, as the caller has always seen.
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(messages(result), "LUMBRA PLAYER: readTextComments failed read 20 of 1000\n");
    EXPECT_FALSE(fs::exists(userDirectory() / "Kestrum.LCK"));
}

} // namespace
} // namespace kestrum
