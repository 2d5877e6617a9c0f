// The per-user lock when its disk is full, its directory cannot be written, or its file is removed
// while a player holds it; in the library, and through the real player's start-up messages.

#include "app/Environment.h"
#include "hostile/FaultInjection.h"
#include "hostile/HostileRuns.h"
#include "platform/LockFile.h"
#include "platform/StderrMessenger.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

constexpr const char* kLine = "Kestrum player lock: held open while the player runs\r\n";

std::string userName() {
    const passwd* entry = ::getpwuid(::geteuid());
    return entry != nullptr ? entry->pw_name : "";
}

class LockFileFaultTest : public ::testing::Test {
  protected:
    // The real player, unattended and offscreen, started in `working` under `hindrance`.
    test::ProcessResult startPlayer(const test::Hindrance& hindrance) {
        test::ProcessOptions options;
        options.workingDirectory = working.path().string();
        options.env = {
            {"QT_QPA_PLATFORM", "offscreen"}, {"KESTRUM_UNATTENDED", "yes"}, {"SDL_AUDIODRIVER", "dummy"}};
        const std::vector<std::string> command =
            test::hamperedCommand(hindrance, KESTRUM_BINARY, {recording});
        return test::runProcess(command[0], {command.begin() + 1, command.end()}, options);
    }

    test::TempDir dir;
    PrivateDirectory folder = [this] {
        PrivateDirectory opened;
        opened.open(dir.path().string());
        return opened;
    }();
    std::string path = dir.file("Kestrum.LCK");
    test::TempDir working;
    test::TempDir calls;
    std::string recording = calls.file("call.ZOQ");
};

TEST_F(LockFileFaultTest, ALockThatCannotBeWrittenWholeIsNotLeftBehind) {
    const auto result = test::runHampered({10, {}}, [&] {
        LockFile lock;
        const LockFile::Result taken = lock.acquire(folder, "Kestrum.LCK", kLine);
        return std::string(taken == LockFile::Result::WriteFailed ? "write failed" : "other") +
               (lock.held() ? " held" : "");
    });
    EXPECT_EQ(result, "write failed");
    EXPECT_FALSE(fs::exists(path));

    // Through the player: its message, exit code 1, and no lock left for the next run.
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(800);
    builder.writeTo(recording);
    const test::ProcessResult run = startPlayer({10, {}});
    const std::string lock = (working.path() / userName() / "Kestrum.LCK").string();
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(test::playerMessages(run.err), messageLine("Error could not write lock file " + lock) + "\n");
    EXPECT_FALSE(fs::exists(lock));
}

TEST_F(LockFileFaultTest, AUserDirectoryThatCannotBeWrittenStopsTheStartWithItsMessage) {
    test::RecordingBuilder(9).writeTo(recording);
    const fs::path user = working.path() / userName();

    // Its name taken by a file: it is not used.
    test::writeFileBytes(user.string(), {'x'});
    test::ProcessResult run = startPlayer({});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(test::playerMessages(run.err), messageLine("checkLockAccess will not use " + user.string() +
                                                         ": it is not a directory, cannot "
                                                         "continue") +
                                                 "\n");
    fs::remove(user);

    if (!test::readOnlyDirectoriesWork())
        GTEST_SKIP() << "read-only bind mounts need user namespaces";
    // Read-only, the directory missing: it cannot be made.
    run = startPlayer({std::nullopt, working.path().string()});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    // In the namespace the player runs as root.
    const std::string inside = (working.path() / "root").string();
    EXPECT_EQ(test::playerMessages(run.err),
              messageLine("checkLockAccess could not create " + inside + ", cannot continue") + "\n");
    // Read-only, the directory there: the lock cannot be made in it.
    fs::create_directory(inside);
    run = startPlayer({std::nullopt, working.path().string()});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(test::playerMessages(run.err),
              messageLine("Error could not open lock file " + inside + "/Kestrum.LCK") + "\n");
    EXPECT_TRUE(fs::is_empty(inside));
}

TEST_F(LockFileFaultTest, AHolderWhoseFileWasRemovedDoesNotRemoveTheNextHoldersLock) {
    LockFile first;
    ASSERT_EQ(first.acquire(folder, "Kestrum.LCK", kLine), LockFile::Result::Held);
    fs::remove(path);

    // With its file gone the lock no longer stops a second player...
    LockFile second;
    ASSERT_EQ(second.acquire(folder, "Kestrum.LCK", kLine), LockFile::Result::Held);
    // ...and when the first ends, the second's lock must stay: a third is still refused.
    first.release();
    EXPECT_TRUE(fs::exists(path));
    LockFile third;
    EXPECT_EQ(third.acquire(folder, "Kestrum.LCK", kLine), LockFile::Result::InUse);
    second.release();
    EXPECT_FALSE(fs::exists(path));
}

} // namespace
} // namespace kestrum
