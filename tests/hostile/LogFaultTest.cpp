// The per-user log when its disk fills up, its directory cannot be written, or it is removed
// while the player runs: lines are whole or absent, the title line is never lost, and nothing is
// ever said to the user.

#include "app/Log.h"
#include "hostile/FaultInjection.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

const std::string kTitle = "ZOQ LUMBRA PLAYER\r\n";

class LogFaultTest : public ::testing::Test {
  protected:
    LogFaultTest() {
        env.userDirectory.open(dir.path().string());
        env.logPath = dir.file("Kestrum.LOG");
        env.versionText = "v1.2.3.4";
    }
    // Writes `messages` to the log in a child whose files may grow to `limit` bytes only.
    void writeWithLimit(rlim_t limit, const std::vector<std::string>& messages) {
        const auto done = test::runHampered({limit, {}}, [&] {
            for (const std::string& message : messages)
                log.writeLog(message);
            return std::string("written");
        });
        ASSERT_EQ(done, "written");
    }
    std::string text() const { return test::readFileText(env.logPath); }
    std::string lineFor(const std::string& message) const {
        return Log::formatLine(env.versionText, std::time(nullptr), message);
    }

    test::TempDir dir;
    Environment env;
    Options options;
    Log log{env, options};
};

TEST_F(LogFaultTest, AFullDiskLeavesOnlyWholeLines) {
    log.writeLog("first");
    const std::string before = text();
    ASSERT_EQ(before.rfind(kTitle, 0), 0u);
    // Room for a few more bytes, not for another line.
    writeWithLimit(before.size() + 10, {"a line that does not fit", "nor does this one"});
    EXPECT_EQ(text(), before);

    // Once there is room again, lines follow the last whole one.
    log.writeLog("second");
    const std::string after = text();
    ASSERT_EQ(after.size(), before.size() + lineFor("second").size()) << after;
    EXPECT_TRUE(after.ends_with(" second\r\n")) << after;
}

TEST_F(LogFaultTest, ALogWhoseTitleDidNotFitGetsItsTitleWhenThereIsRoom) {
    writeWithLimit(5, {"lost"});
    EXPECT_FALSE(fs::exists(env.logPath) && !text().empty()) << "a partial title line: " << text();
    log.writeLog("kept");
    const std::string written = text();
    EXPECT_EQ(written.rfind(kTitle, 0), 0u) << written;
    EXPECT_TRUE(written.ends_with(" kept\r\n")) << written;
}

TEST_F(LogFaultTest, ADirectoryThatCannotBeWrittenDropsTheLineQuietly) {
    if (!test::readOnlyDirectoriesWork())
        GTEST_SKIP() << "read-only bind mounts need user namespaces";
    const auto result = test::runHampered({std::nullopt, dir.path().string()}, [&] {
        env.userDirectory.open(dir.path().string()); // as a player started there now would
        log.writeLog("lost");
        return std::string(fs::exists(env.logPath) ? "created" : "dropped");
    });
    EXPECT_EQ(result, "dropped");
    EXPECT_FALSE(fs::exists(env.logPath));
}

TEST_F(LogFaultTest, ALogRemovedWhileRunningStartsAgainWithItsTitle) {
    log.writeLog("first");
    fs::remove(env.logPath);
    log.writeLog("second");
    const std::string written = text();
    EXPECT_EQ(written.rfind(kTitle, 0), 0u) << written;
    EXPECT_EQ(written.size(), kTitle.size() + lineFor("second").size()) << written;

    // With its whole directory gone the line is dropped, and the directory is not made again.
    fs::remove_all(dir.path());
    log.writeLog("third");
    EXPECT_FALSE(fs::exists(dir.path()));
    fs::create_directory(dir.path()); // for the clean-up
}

} // namespace
} // namespace kestrum
