// The init file when its disk is full, its directory cannot be written, or the per-user directory
// is removed while the player runs: the last whole record stays, nothing half-written is left,
// and the failure is logged only.

#include "app/Environment.h"
#include "hostile/FaultInjection.h"
#include "hostile/HostileRuns.h"
#include "platform/Reporter.h"
#include "support/FakeMessenger.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

class InitFileFaultTest : public ::testing::Test {
  protected:
    InitFileFaultTest() {
        env.initPath = dir.file("Kestrum.DAT");
        saved.playSpeedPosition = 2;
        saved.stepSizePosition = 3;
        test::FakeMessenger messenger;
        test::FakeLog log;
        Reporter reporter(messenger, log);
        env.initRecord = saved;
        EXPECT_EQ(writeInitToDisk(env, reporter), 0);
        savedBytes = test::readFileBytes(env.initPath);
        env.initRecord.playSpeedPosition = 4; // what the failing write tries to store
    }

    // Writes the changed record under `hindrance`; what was logged and shown, one a line.
    std::optional<std::string> writeHampered(const test::Hindrance& hindrance) {
        return test::runHampered(hindrance, [&] {
            test::FakeMessenger messenger;
            test::FakeLog log;
            Reporter reporter(messenger, log);
            std::string said = "returned " + std::to_string(writeInitToDisk(env, reporter)) + "\n";
            for (const std::string& line : log.lines)
                said += "logged " + line + "\n";
            for (const auto& shown : messenger.shown)
                said += "shown " + shown.text + "\n";
            return said;
        });
    }
    bool onlyTheInitFileIsThere() const {
        return std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()) == 1;
    }

    test::TempDir dir;
    Environment env;
    InitRecord saved;
    std::vector<std::uint8_t> savedBytes;
};

TEST_F(InitFileFaultTest, AFullDiskKeepsTheLastRecordAndIsLoggedOnly) {
    for (const rlim_t limit : {rlim_t{0}, rlim_t{50}, rlim_t{95}}) {
        SCOPED_TRACE("files limited to " + std::to_string(limit) + " bytes");
        EXPECT_EQ(writeHampered({limit, {}}),
                  "returned 1\nlogged writeInitToDisk could not write to file " + env.initPath + "\n");
        EXPECT_EQ(test::readFileBytes(env.initPath), savedBytes);
        EXPECT_TRUE(onlyTheInitFileIsThere());
    }
}

TEST_F(InitFileFaultTest, ADirectoryThatCannotBeWrittenKeepsTheLastRecordAndIsLoggedOnly) {
    if (!test::readOnlyDirectoriesWork())
        GTEST_SKIP() << "read-only bind mounts need user namespaces";
    EXPECT_EQ(writeHampered({std::nullopt, dir.path().string()}),
              "returned 1\nlogged writeInitToDisk could not open file " + env.initPath + "\n");
    EXPECT_EQ(test::readFileBytes(env.initPath), savedBytes);
    EXPECT_TRUE(onlyTheInitFileIsThere());
}

TEST_F(InitFileFaultTest, APerUserDirectoryRemovedWhileThePlayerRunsEndsTheRunQuietly) {
    test::TempDir calls;
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(40000);
    builder.writeTo(calls.file("call.ZOQ"));
    test::TempDir working;
    test::TempDir audio;
    test::ProcessOptions options;
    options.workingDirectory = working.path().string();
    options.env = {{"QT_QPA_PLATFORM", "offscreen"},
                   {"KESTRUM_UNATTENDED", "yes"},
                   {"SDL_AUDIODRIVER", "disk"},
                   {"SDL_DISKAUDIOFILE", audio.file("played.raw")}};
    test::RunningProcess player(KESTRUM_BINARY, {calls.file("call.ZOQ")}, options);
    ASSERT_TRUE(test::waitUntil(
        [&] { return fs::exists(audio.file("played.raw")) && fs::file_size(audio.file("played.raw")) > 0; },
        20));

    fs::remove_all(working.path());
    player.signal(SIGTERM);
    const test::ProcessResult result = player.wait();
    // The init file and its log line cannot be written; neither is said to the user.
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::playerMessages(result.err), "") << result.err;
    EXPECT_FALSE(fs::exists(working.path())) << "nothing is made again";
    fs::create_directory(working.path()); // for the clean-up
}

} // namespace
} // namespace kestrum
