// The init file when its disk is full, its directory cannot be written, or the per-user directory
// is removed while the player runs: the last whole record stays, nothing half-written is left,
// and the failure is logged only. The per-user directory swapped for another while the player
// runs, and an init file holding absurd places and sizes.

#include "app/Environment.h"
#include "hostile/FaultInjection.h"
#include "hostile/HostileRuns.h"
#include "platform/Reporter.h"
#include "support/FakeMessenger.h"
#include "support/OtherUser.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <limits>
#include <memory>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

class InitFileFaultTest : public ::testing::Test {
  protected:
    InitFileFaultTest() {
        env.userDirectory.open(dir.path().string());
        env.initPath = dir.file("Kestrum.DAT");
        saved.playSpeedPosition = 2;
        saved.stepSizePosition = 3;
        test::FakeMessenger messenger;
        test::FakeLog log;
        Reporter reporter(messenger, log);
        env.initRecord = saved;
        EXPECT_EQ(writeInitToDisk(env, {}, reporter), 0);
        savedBytes = test::readFileBytes(env.initPath);
        env.initRecord.playSpeedPosition = 4; // what the failing write tries to store
    }

    // Writes the changed record under `hindrance`; what was logged and shown, one a line.
    std::optional<std::string> writeHampered(const test::Hindrance& hindrance) {
        return test::runHampered(hindrance, [&] {
            // Opened under the hindrance, as by a player started now: a folder opened before it
            // was made read-only stays writable through its descriptor.
            env.userDirectory.open(dir.path().string());
            test::FakeMessenger messenger;
            test::FakeLog log;
            Reporter reporter(messenger, log);
            std::string said = "returned " + std::to_string(writeInitToDisk(env, {}, reporter)) + "\n";
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

// The real player, offscreen and unattended, started in `working` on a call of five seconds; its
// device writes what it plays into `audio`. Returns once the call is heard: start-up is over.
std::unique_ptr<test::RunningProcess> startPlaying(const test::TempDir& working, const test::TempDir& audio,
                                                   const test::TempDir& calls) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(40000); // never the silence value
    builder.writeTo(calls.file("call.ZOQ"));
    test::ProcessOptions options;
    options.workingDirectory = working.path().string();
    options.env = {{"QT_QPA_PLATFORM", "offscreen"},
                   {"KESTRUM_UNATTENDED", "yes"},
                   {"SDL_AUDIODRIVER", "disk"},
                   {"SDL_DISKAUDIOFILE", audio.file("played.raw")}};
    auto player = std::make_unique<test::RunningProcess>(
        KESTRUM_BINARY, std::vector<std::string>{calls.file("call.ZOQ")}, options);
    EXPECT_TRUE(test::waitUntil(
        [&] {
            const std::string played = fs::exists(audio.file("played.raw"))
                                           ? test::readFileText(audio.file("played.raw"))
                                           : std::string();
            return played.find_first_not_of('\x80') != std::string::npos;
        },
        20));
    return player;
}

TEST_F(InitFileFaultTest, APerUserDirectoryRemovedWhileThePlayerRunsEndsTheRunQuietly) {
    test::TempDir calls, working, audio;
    const auto player = startPlaying(working, audio, calls);
    fs::remove_all(working.path());
    player->signal(SIGTERM);
    const test::ProcessResult result = player->wait();
    // The init file and its log line cannot be written; neither is said to the user.
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(test::playerMessages(result.err), "") << result.err;
    EXPECT_FALSE(fs::exists(working.path())) << "nothing is made again";
    fs::create_directory(working.path()); // for the clean-up
}

// Renamed away while the player runs, with another user's open folder put in its place: the
// player's files still go to the directory it checked at the start, none to the new one.
TEST_F(InitFileFaultTest, APerUserDirectorySwappedWhileThePlayerRunsKeepsItsFilesFromTheNewOne) {
    test::TempDir calls, working, audio;
    const auto player = startPlaying(working, audio, calls);
    fs::path user;
    for (const fs::directory_entry& entry : fs::directory_iterator(working.path()))
        user = entry.path();
    ASSERT_TRUE(fs::exists(user / "Kestrum.LCK"));
    const fs::path moved = working.path() / "moved";
    fs::rename(user, moved);
    fs::create_directory(user);
    fs::permissions(user, fs::perms::all);
    if (const std::optional<test::OtherUser> other = test::otherUser())
        test::handOver(user, *other);

    player->signal(SIGTERM);
    const test::ProcessResult result = player->wait();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::is_empty(user)) << "the init or settings file went to the new folder";
    EXPECT_EQ(fs::exists(moved / "Kestrum.DAT") ? fs::file_size(moved / "Kestrum.DAT") : 0u, 96u);
    EXPECT_TRUE(fs::exists(moved / "Kestrum.SET"));
    EXPECT_FALSE(fs::exists(moved / "Kestrum.LCK")) << "the lock is removed where it was taken";
}

// Viewer mode reads the init file of the working directory, which anyone may have written: no
// size or place in it, however absurd, stops the player (where the windows go is checked in the
// windows' own tests). The call has comments and keywords, so every side window opens.
TEST_F(InitFileFaultTest, AbsurdPlacesAndSizesInAViewerModeInitFileDoNotStopThePlayer) {
    test::RecordingBuilder builder(10);
    builder.comments = "a comment\r\n";
    builder.words = {test::makeWord("alpha", {8000})};
    builder.audio = test::makeAudio(8000);
    for (const std::int32_t value : {std::numeric_limits<std::int32_t>::max(),
                                     std::numeric_limits<std::int32_t>::min(), std::int32_t{0}}) {
        SCOPED_TRACE(value);
        test::TempDir working;
        builder.writeTo(working.file("call.ZOQ"));
        InitRecord absurd;
        for (std::int32_t* field :
             {&absurd.newCommentsHeight, &absurd.newCommentsLeft, &absurd.newCommentsTop,
              &absurd.newCommentsWidth, &absurd.keywordHeight, &absurd.keywordLeft, &absurd.keywordTop,
              &absurd.keywordWidth, &absurd.waveformTop, &absurd.waveformLeft, &absurd.existingCommentsHeight,
              &absurd.existingCommentsLeft, &absurd.existingCommentsTop, &absurd.existingCommentsWidth})
            *field = value;
        absurd.newCommentsOpen = absurd.keywordOpen = absurd.waveformOpen = absurd.existingCommentsOpen = 1;
        const layout::Bytes<InitRecord> bytes = layout::encode(absurd);
        test::writeFileBytes(working.file("Kestrum.DAT"), {bytes.begin(), bytes.end()});
        const test::PlayerRun run =
            test::runPlayer("^F" + working.file("call.ZOQ") + "^O1", working.path().string());
        EXPECT_TRUE(run.sounded && run.stopped) << run.err;
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.messages, "") << run.err;
    }
}

} // namespace
} // namespace kestrum
