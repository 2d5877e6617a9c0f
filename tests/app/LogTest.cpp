// The per-user log: its first line, its line format, and when nothing is written.

#include "app/Log.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <thread>
#include <vector>

namespace kestrum {
namespace {

class LogTest : public ::testing::Test {
  protected:
    LogTest() {
        env.userDirectory.open(dir.path().string());
        env.logPath = dir.file("Kestrum.LOG");
        env.versionText = "v1.2.3.4";
    }
    test::TempDir dir;
    Environment env;
    Options options;
    Log log{env, options};
};

TEST_F(LogTest, TheFirstMessageCreatesTheLogWithItsTitleLineAndEachMessageIsOneLine) {
    // A path's line breaks cannot forge a line, nor its control characters act on a terminal
    // showing the log: they are written as escapes, the rest of the text as it is.
    log.writeLog(
        "Could not open file\n/calls/x\r\nv1.2.3.4 01/01/04 00:00:00 \x1b[2J\\forged \"caf\xC3\xA9\".ZOQ");
    log.writeLog("second");
    const std::string text = test::readFileText(env.logPath);
    const std::regex expected(
        "ZOQ LUMBRA PLAYER\r\n"
        R"(v1\.2\.3\.4 \d\d/\d\d/\d\d \d\d:\d\d:\d\d Could not open file\\n/calls/x\\r\\n)"
        R"(v1\.2\.3\.4 01/01/04 00:00:00 \\x1b\[2J\\forged "café"\.ZOQ)"
        "\r\n"
        R"(v1\.2\.3\.4 \d\d/\d\d/\d\d \d\d:\d\d:\d\d second)"
        "\r\n");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST_F(LogTest, ALineHoldsTheVersionTheLocalTimeAndTheMessage) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const std::time_t when = 1078477622; // 2004-03-05 09:07:02 UTC
    EXPECT_EQ(Log::formatLine("v9.8.7.6", when, "msg 100%"), "v9.8.7.6 03/05/04 09:07:02 msg 100%\r\n");
}

TEST_F(LogTest, NothingIsWrittenBeforeTheEnvironmentIsReadyOrInViewerMode) {
    env.logPath.clear();
    log.writeLog("early");
    env.logPath = dir.file("Kestrum.LOG");
    options.viewerMode = true;
    log.writeLog("viewer");
    EXPECT_FALSE(std::filesystem::exists(env.logPath));
}

TEST_F(LogTest, AnUnwritableLogIsDroppedQuietly) {
    env.userDirectory.open(dir.file("missing/deeper"));
    env.logPath = dir.file("missing/deeper/Kestrum.LOG");
    log.writeLog("lost");
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
}

TEST_F(LogTest, TheLogIsTheUsersAloneAndNeverWrittenThroughALink) {
    log.writeLog("first");
    EXPECT_EQ(test::modeOf(env.logPath), 0600u);

    // Lines carry recording paths: a link in the log's place (to a file of the user's, or to
    // nothing yet) gets none of them.
    test::writeFileBytes(dir.file("outside"), {'o'});
    std::filesystem::remove(env.logPath);
    std::filesystem::create_symlink(dir.file("outside"), env.logPath);
    log.writeLog("/calls/secret.ZOQ");
    EXPECT_EQ(test::readFileText(dir.file("outside")), "o");
    std::filesystem::remove(env.logPath);
    std::filesystem::create_symlink(dir.file("not-yet"), env.logPath);
    log.writeLog("/calls/secret.ZOQ");
    EXPECT_FALSE(std::filesystem::exists(dir.file("not-yet")));
}

TEST_F(LogTest, LinesFromSeveralThreadsStayWhole) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([this, t] {
            for (int i = 0; i < 50; ++i)
                log.writeLog("thread " + std::to_string(t) + " line " + std::to_string(i));
        });
    for (std::thread& thread : threads)
        thread.join();
    const std::string text = test::readFileText(env.logPath);
    const std::regex line(R"(v1\.2\.3\.4 \S+ \S+ thread \d line \d+\r)");
    std::size_t count = 0;
    std::size_t start = text.find('\n') + 1; // after the title line
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_TRUE(std::regex_match(text.substr(start, end - start), line))
            << text.substr(start, end - start);
        ++count;
        start = end + 1;
    }
    EXPECT_EQ(count, 200u);
}

} // namespace
} // namespace kestrum
