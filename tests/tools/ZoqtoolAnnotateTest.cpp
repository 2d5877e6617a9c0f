// zoqtool comment and keyword on real files, including a disk that fills up during the save.

#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum {
namespace {

using test::RecordingBuilder;

class ZoqtoolAnnotateTest : public ::testing::Test {
  protected:
    test::ProcessResult zoqtool(const std::vector<std::string>& arguments) {
        return test::runProcess(ZOQTOOL_BINARY, arguments);
    }

    // Whether the recording is alone in its folder: no temporary file was left beside it.
    bool alone() const {
        return std::distance(std::filesystem::directory_iterator(dir.path()),
                             std::filesystem::directory_iterator()) == 1;
    }

    test::TempDir dir;
    std::string path = dir.file("call.ZOQ");
};

TEST_F(ZoqtoolAnnotateTest, AddsAStampedCommentAndAKeyword) {
    RecordingBuilder builder(11);
    builder.comments = "first\r\n";
    builder.audio = test::makeAudio(24000);
    builder.writeTo(path);

    test::ProcessResult result = zoqtool({"comment", path, "two\nlines"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = zoqtool({"keyword", path, "Gun", "2.5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = zoqtool({"keyword", path, "gun", "1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    result = zoqtool({"info", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The stamp names the date, time, user and computer; the lines follow it.
    EXPECT_NE(result.out.find("  first\n  "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" @ "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\n  two\n  lines\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("                Gun    2    1 "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("audioLength            24000"), std::string::npos) << result.out;
    EXPECT_TRUE(alone());
}

TEST_F(ZoqtoolAnnotateTest, TypedTextIsStoredAsWindows1252AndPrintedBackAsUtf8) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(24000);
    builder.writeTo(path);
    ASSERT_EQ(zoqtool({"comment", path, "\u20AC5 caf\u00E9"}).exitCode, 0);
    // Nineteen characters, more UTF-8 bytes than that.
    const std::string word = "\u00DCberwachung-\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF";
    ASSERT_EQ(zoqtool({"keyword", path, word, "2"}).exitCode, 0);

    const std::string stored = test::readFileText(path);
    EXPECT_NE(stored.find("\r\n\x80"
                          "5 caf\xE9\r\n"),
              std::string::npos);
    EXPECT_NE(stored.find("\xDC"
                          "berwachung-\xC4\xD6\xDC\xE4\xF6\xFC\xDF"),
              std::string::npos);
    const test::ProcessResult info = zoqtool({"info", path});
    EXPECT_NE(info.out.find("\n  \u20AC5 caf\u00E9\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\n  " + word + "    2 \n"), std::string::npos) << info.out;
}

TEST_F(ZoqtoolAnnotateTest, RefusalsExit1WithTheirMessage) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000);
    builder.writeTo(path);
    const std::vector<std::uint8_t> original = builder.bytes();

    test::ProcessResult result = zoqtool({"keyword", path, "gun", "0"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error, Start Play Position is Equal to or Less than Beginning\n");
    result = zoqtool({"keyword", path, "   ", "0.5"});
    EXPECT_EQ(result.err, "Error, Key Word Cannot be Blank\n");
    result = zoqtool({"keyword", path, "twenty-characters-xx", "0.5"});
    EXPECT_EQ(result.exitCode, 1);
    // A character a recording cannot hold, in a keyword or a comment.
    result = zoqtool({"keyword", path, "\u03A9", "0.5"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error, Key Word Cannot Hold \"\u03A9\" (U+03A9): a recording keeps Windows-1252 "
                          "characters only\n");
    result = zoqtool({"comment", path, "\u4E2D"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error, Comments Cannot Hold \"\u4E2D\" (U+4E2D): a recording keeps Windows-1252 "
                          "characters only\n");
    result = zoqtool({"comment", dir.file("absent.ZOQ"), "abc"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Could not open file\n" + dir.file("absent.ZOQ") + "\n");
    EXPECT_EQ(zoqtool({"comment", path}).exitCode, 2);
    EXPECT_EQ(test::readFileBytes(path), original);
}

TEST_F(ZoqtoolAnnotateTest, AFullDiskLeavesTheRecordingIntactAndNoTemporaryFile) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(40000);
    builder.writeTo(path);
    const std::vector<std::uint8_t> original = builder.bytes();
    // Files may grow to 20 KiB only, and going past that is an error rather than a fatal signal.
    const test::ProcessResult result =
        test::runProcess("/bin/bash", {"-c", "trap '' XFSZ; ulimit -f 20; exec \"$0\" comment \"$1\" abc",
                                       ZOQTOOL_BINARY, path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("UpdateTextComments"), std::string::npos) << result.err;
    EXPECT_EQ(test::readFileBytes(path), original);
    EXPECT_TRUE(alone());
}

} // namespace
} // namespace kestrum
