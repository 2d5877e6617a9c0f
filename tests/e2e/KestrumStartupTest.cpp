// The real kestrum binary from command line to shutdown, unattended, on the offscreen platform.

#include "platform/SystemServices.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::RecordingBuilder;

class KestrumStartupTest : public ::testing::Test {
  protected:
    // Offscreen, unattended, playing into a file through SDL's disk driver.
    test::ProcessOptions options() const {
        test::ProcessOptions options;
        options.workingDirectory = dir.path().string();
        options.env = {{"QT_QPA_PLATFORM", "offscreen"},
                       {"KESTRUM_UNATTENDED", "yes"},
                       {"SDL_AUDIODRIVER", "disk"},
                       {"SDL_DISKAUDIOFILE", audioFile}};
        return options;
    }
    test::ProcessResult run(const std::string& commandLine) {
        return test::runProcess(KESTRUM_BINARY, {commandLine}, options());
    }
    std::unique_ptr<test::RunningProcess> start(const std::string& commandLine) {
        return std::make_unique<test::RunningProcess>(KESTRUM_BINARY, std::vector<std::string>{commandLine},
                                                      options());
    }
    // True once the player plays: its device has written to the disk driver's file.
    bool playing() const {
        return test::waitUntil([this] { return fs::exists(audioFile) && fs::file_size(audioFile) > 0; }, 20);
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
    test::TempDir audioDir;
    std::string audioFile = audioDir.file("played.raw");
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
    EXPECT_NE(log.find(" File not found\\n" + path + "\r\n"), std::string::npos) << log; // one line
    EXPECT_FALSE(fs::exists(user / "Kestrum.LCK"));
}

// Started in the home folder (from the desktop or a file manager), the player keeps its per-user
// files in the user's state folder, made 0700 with its parents; elsewhere, in a folder named
// after the user in the working directory.
TEST_F(KestrumStartupTest, StartedInTheHomeFolderThePerUserFilesGoToTheStateFolder) {
    test::TempDir other;
    const std::string home = dir.path().string();
    PosixSystemServices system;
    std::string user;
    ASSERT_TRUE(system.userName(user, 64));
    struct Case {
        std::string homeVariable;
        std::string stateVariable; // empty: unset
        fs::path expected;         // the folder holding the log
    };
    const Case cases[] = {
        {home, "", dir.path() / ".local/state/kestrum"},
        {home, (other.path() / "state").string(), other.path() / "state/kestrum"},
        {other.path().string(), "", dir.path() / user},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir.path() / ".local");
        fs::remove_all(dir.path() / user);
        fs::remove_all(other.path() / "state");
        test::ProcessOptions runOptions = options();
        runOptions.env["HOME"] = c.homeVariable;
        if (c.stateVariable.empty())
            runOptions.unsetEnv.push_back("XDG_STATE_HOME");
        else
            runOptions.env["XDG_STATE_HOME"] = c.stateVariable;
        const test::ProcessResult result =
            test::runProcess(KESTRUM_BINARY, {dir.file("absent.ZOQ")}, runOptions);
        EXPECT_EQ(result.exitCode, 1) << c.expected;
        EXPECT_TRUE(fs::is_regular_file(c.expected / "Kestrum.LOG")) << c.expected;
        EXPECT_EQ(fs::status(c.expected).permissions() & fs::perms::all, fs::perms::owner_all) << c.expected;
        if (c.expected != dir.path() / user) {
            EXPECT_FALSE(fs::exists(dir.path() / user)) << c.expected;
        }
        if (c.stateVariable.empty() && c.homeVariable == home) { // the parents made for it are private too
            EXPECT_EQ(fs::status(dir.path() / ".local").permissions() & fs::perms::all, fs::perms::owner_all);
        }
    }
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

TEST_F(KestrumStartupTest, ATerminationSignalClosesThePlayerThroughItsShutdown) {
    RecordingBuilder builder(10);
    builder.comments = "a comment\r\n";
    builder.words = {test::makeWord("alpha", {8000})};
    builder.audio = test::makeAudio(640);
    builder.writeTo(dir.file("call.ZOQ"));
    auto player = start("\"" + dir.file("call.ZOQ") + "\"");
    ASSERT_TRUE(playing());
    EXPECT_TRUE(fs::exists(userDirectory() / "Kestrum.LCK"));

    player->signal(SIGTERM);
    const test::ProcessResult result = player->wait();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(messages(result), "") << result.err;
    EXPECT_FALSE(fs::exists(userDirectory() / "Kestrum.LCK"));
    ASSERT_TRUE(fs::exists(userDirectory() / "Kestrum.DAT"));
    const std::vector<std::uint8_t> init = test::readFileBytes((userDirectory() / "Kestrum.DAT").string());
    ASSERT_EQ(init.size(), 96u);
    EXPECT_EQ(init[84], 3); // the step-size switch as it stood: 30 seconds
    EXPECT_EQ(init[88], 2); // the play-speed switch: Normal
}

TEST_F(KestrumStartupTest, ASecondPlayerOfTheSameUserIsRefusedWhileTheFirstRuns) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(80000);
    builder.writeTo(dir.file("call.ZOQ"));
    auto first = start(dir.file("call.ZOQ"));
    ASSERT_TRUE(playing());

    const test::ProcessResult second = run(dir.file("call.ZOQ"));
    EXPECT_EQ(second.exitCode, 1);
    EXPECT_EQ(messages(second), "LUMBRA PLAYER: Error lock file " +
                                    (userDirectory() / "Kestrum.LCK").string() + " exist, cannot continue\n");
    EXPECT_TRUE(first->running());
    EXPECT_TRUE(fs::exists(userDirectory() / "Kestrum.LCK"));

    first->signal(SIGINT);
    EXPECT_EQ(first->wait().exitCode, 0);
    EXPECT_FALSE(fs::exists(userDirectory() / "Kestrum.LCK"));
}

TEST_F(KestrumStartupTest, APlayedRawRecordingReachesTheDeviceUnchanged) {
    RecordingBuilder builder(11);
    builder.comments = "note\r\n";
    builder.audio = test::makeAudio(4000); // half a second, never the silence value
    builder.writeTo(dir.file("call.ZOQ"));
    auto player = start(dir.file("call.ZOQ"));
    ASSERT_TRUE(playing());
    // Play takes half a second; the device then goes on writing silence until the player closes.
    ::usleep(1500000);
    player->signal(SIGTERM);
    ASSERT_EQ(player->wait().exitCode, 0);

    std::vector<std::uint8_t> played = test::readFileBytes(audioFile);
    const auto first = std::find_if(played.begin(), played.end(), [](std::uint8_t b) { return b != 0x80; });
    const auto last =
        std::find_if(played.rbegin(), played.rend(), [](std::uint8_t b) { return b != 0x80; }).base();
    ASSERT_LT(first, last);
    EXPECT_EQ(std::vector<std::uint8_t>(first, last), builder.audio);
}

TEST_F(KestrumStartupTest, ViewerModeLeavesNoTraceInTheWorkingDirectory) {
    test::TempDir disc;
    RecordingBuilder builder(10);
    builder.exportHeader = test::makeExportHeader(320);
    builder.audio = test::makeAudio(320);
    builder.writeTo(disc.file("call.ZOQ"));
    auto player = start("^F" + disc.file("call.ZOQ") + "^O1");
    ASSERT_TRUE(playing());
    player->signal(SIGTERM);
    const test::ProcessResult result = player->wait();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(KestrumStartupTest, AnExceptionIsShownAndTheRunShutsDownWithExit0) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
    // Three gigabytes of audio (a sparse file) for a player limited to 1.5 GB of address space:
    // the sample store cannot be had, and the allocation's exception reaches the entry.
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000);
    builder.writeTo(dir.file("huge.ZOQ"));
    fs::resize_file(dir.file("huge.ZOQ"), 3'000'000'000);
    const test::ProcessResult result = test::runProcess(
        "/bin/sh", {"-c", "ulimit -v 1500000 && exec \"$0\" \"$@\"", KESTRUM_BINARY, dir.file("huge.ZOQ")},
        options());
    EXPECT_EQ(result.exitCode, 0) << result.err; // not killed by SIGABRT
    EXPECT_EQ(messages(result), "LUMBRA PLAYER: Out of memory\n") << result.err;
    // The shutdown ran: the init file written, the lock gone, the message logged.
    const fs::path user = userDirectory();
    ASSERT_FALSE(user.empty());
    ASSERT_TRUE(fs::exists(user / "Kestrum.DAT"));
    EXPECT_EQ(fs::file_size(user / "Kestrum.DAT"), 96u);
    EXPECT_FALSE(fs::exists(user / "Kestrum.LCK"));
    EXPECT_NE(test::readFileText((user / "Kestrum.LOG").string()).find(" Out of memory\r\n"),
              std::string::npos);
}

TEST_F(KestrumStartupTest, ARefusedOptionShowsItsMessageBeforeAnythingIsCreated) {
    const test::ProcessResult result = run("^F" + dir.file("call.ZOQ") + "^Q0");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(messages(result), "LUMBRA PLAYER: Q got 0 from 0\n");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(KestrumStartupTest, ATerminationSignalEndsAStartUpFailuresMessageBoxWithItsExitCode) {
    // Message boxes, as on a desktop: the box waits for a click that no one will give.
    test::ProcessOptions boxes = options();
    boxes.env.erase("KESTRUM_UNATTENDED");
    boxes.unsetEnv = {"KESTRUM_UNATTENDED"};
    const std::string missing = dir.file("absent.ZOQ");
    const struct {
        std::string commandLine;
        std::string message; // on standard error as the box shows
        int number;
    } cases[] = {
        {missing, "File not found\\n" + missing, SIGTERM},
        {missing, "File not found\\n" + missing, SIGINT},
        {missing, "File not found\\n" + missing, SIGHUP},
        {"^F" + missing + "^Q0", "Q got 0 from 0", SIGTERM},
    };
    for (const auto& [commandLine, message, number] : cases) {
        SCOPED_TRACE(commandLine + " " + ::strsignal(number));
        test::RunningProcess player(KESTRUM_BINARY, {commandLine}, boxes);
        ASSERT_TRUE(test::waitUntil(
            [&] { return player.errorSoFar().find("LUMBRA PLAYER: " + message) != std::string::npos; }, 20))
            << player.errorSoFar();
        ASSERT_TRUE(player.running()); // the box is up
        player.signal(number);
        const test::ProcessResult result = player.wait(5);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_FALSE(fs::exists(userDirectory() / "Kestrum.LCK"));
    }
}

TEST_F(KestrumStartupTest, AViewerModeFailureIsShownButNotLogged) {
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
