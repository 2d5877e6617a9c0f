// Saving comments and keywords (zoqtool comment and keyword, the player's own save) when the disk
// fills up at any point of the rewrite, when the recording's directory cannot be written, and when
// the temporary name is taken: the recording stays whole and unchanged, no temporary file is left,
// and the user is told.

#include "hostile/FaultInjection.h"
#include "recording/CommentRewrite.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

class CommentSaveFaultTest : public ::testing::Test {
  protected:
    CommentSaveFaultTest() {
        test::RecordingBuilder builder(10);
        builder.exportHeader = test::makeExportHeader(32 * 400);
        builder.comments = "3/05/2004 09:07:02 clerk @ DESK1\r\nfirst call\r\n";
        builder.words = {test::makeWord("gun", {100, 2000}), test::makeWord("transfer", {300})};
        builder.audio = test::makeAudio(32 * 400);
        original = builder.bytes();
        test::writeFileBytes(path, original);
    }
    test::ProcessResult zoqtool(const test::Hindrance& hindrance, const std::vector<std::string>& arguments) {
        const std::vector<std::string> command = test::hamperedCommand(hindrance, ZOQTOOL_BINARY, arguments);
        return test::runProcess(command[0], {command.begin() + 1, command.end()});
    }
    void expectRecordingAsItWas() const {
        EXPECT_EQ(test::readFileBytes(path), original);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
            << "something was left beside the recording";
    }

    test::TempDir dir;
    std::string path = dir.file("call.ZOQ");
    std::vector<std::uint8_t> original;
};

TEST_F(CommentSaveFaultTest, ADiskThatFillsUpAnywhereInTheRewriteLeavesTheRecordingWhole) {
    // Full before the header, inside the comments, inside the keywords, in the audio, and a few
    // bytes short of the whole file (the last buffer only fails when flushed): the rewritten file
    // loses the export header (98 bytes) and gains at least a 29-byte stamp line or a keyword.
    const rlim_t nearlyAll = original.size() - 98 + 28;
    for (const rlim_t limit : {rlim_t{0}, rlim_t{360}, rlim_t{420}, rlim_t{4000}, nearlyAll}) {
        SCOPED_TRACE("files limited to " + std::to_string(limit) + " bytes");
        test::ProcessResult result = zoqtool({limit, {}}, {"comment", path, "abc"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err.rfind("UpdateTextComments ", 0), 0u) << result.err;
        expectRecordingAsItWas();

        result = zoqtool({limit, {}}, {"keyword", path, "late", "1.5"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err.rfind("UpdateTextComments ", 0), 0u) << result.err;
        expectRecordingAsItWas();
    }
    // With room for it, the same save goes through.
    const test::ProcessResult saved = zoqtool({original.size() + 200, {}}, {"comment", path, "abc"});
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_NE(test::readFileBytes(path), original);
}

TEST_F(CommentSaveFaultTest, ARecordingInADirectoryThatCannotBeWrittenIsLeftAsItIs) {
    if (!test::readOnlyDirectoriesWork())
        GTEST_SKIP() << "read-only bind mounts need user namespaces";
    const test::ProcessResult result = zoqtool({std::nullopt, dir.path().string()}, {"comment", path, "abc"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "UpdateTextComments could not open file\n" + temporarySiblingPath(path) + "\n");
    expectRecordingAsItWas();
}

TEST_F(CommentSaveFaultTest, ATemporaryNameTakenByALinkNeitherFollowsItNorLosesTheSave) {
    // Whatever the temporary name points at elsewhere is not written through it.
    test::TempDir elsewhere;
    const std::string victim = elsewhere.file("other.txt");
    test::writeFileBytes(victim, {'k', 'e', 'e', 'p'});
    fs::create_symlink(victim, temporarySiblingPath(path));

    const test::ProcessResult result = zoqtool({}, {"comment", path, "abc"});
    EXPECT_EQ(test::readFileBytes(victim), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path))) << "the recording became a link";
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(test::readFileBytes(path), original);
    EXPECT_FALSE(fs::exists(fs::symlink_status(temporarySiblingPath(path))));
}

TEST_F(CommentSaveFaultTest, ARecordingNamedLikeItsTemporaryFileSurvivesAFailedSave) {
    const std::string named = dir.file("call.TMP");
    fs::rename(path, named);
    const test::ProcessResult failed = zoqtool({rlim_t{4000}, {}}, {"comment", named, "abc"});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_EQ(test::readFileBytes(named), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);

    const test::ProcessResult saved = zoqtool({}, {"comment", named, "abc"});
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_GT(test::readFileBytes(named).size(), original.size() - 98);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

} // namespace
} // namespace kestrum
