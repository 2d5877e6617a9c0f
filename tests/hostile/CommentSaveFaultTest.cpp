// Saving comments and keywords (zoqtool comment and keyword, the player's own save) when the disk
// fills up at any point of the rewrite, when the recording's directory cannot be written, when
// another user planted something at the name a temporary file once had, and when the recording is
// a link another user planted: the recording stays whole and unchanged, nothing is left or removed
// beside it, and the user is told.

#include "hostile/FaultInjection.h"
#include "support/OtherUser.h"
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
    EXPECT_EQ(result.err, "UpdateTextComments could not open file\n" + path + ".partXXXXXX\n");
    expectRecordingAsItWas();
}

TEST_F(CommentSaveFaultTest, WhatHoldsTheOldTemporaryNameIsNeitherRemovedNorFollowed) {
    // Another user's file, or a link to a file of the user's elsewhere, at "<name less 3>TMP".
    test::TempDir elsewhere;
    const std::string victim = elsewhere.file("other.txt");
    test::writeFileBytes(victim, {'k', 'e', 'e', 'p'});
    const std::string planted = dir.file("call.TMP");
    for (const bool asLink : {false, true}) {
        SCOPED_TRACE(asLink ? "a link" : "a file");
        if (asLink)
            fs::create_symlink(victim, planted);
        else
            test::writeFileBytes(planted, {'m', 'i', 'n', 'e'});

        const test::ProcessResult result = zoqtool({}, {"comment", path, "abc"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_NE(test::readFileBytes(path), original);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path))) << "the recording became a link";
        EXPECT_EQ(test::readFileBytes(victim), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
        if (asLink)
            EXPECT_EQ(fs::read_symlink(planted), victim);
        else
            EXPECT_EQ(test::readFileText(planted), "mine");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
        fs::remove(planted);
    }
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

TEST_F(CommentSaveFaultTest, ALinkIsRewrittenWhereItLeadsOnlyWhenItAndItsFolderAreTheUsersOwn) {
    const std::optional<test::OtherUser> other = test::otherUser();
    if (!other)
        GTEST_SKIP() << "only root can plant another user's link";
    // The user's private call, readable by anyone who reaches its folder; `share/call.ZOQ` a link to
    // it (through `hop`, a link in `relay`, where a case says so).
    const fs::path privateCall = dir.path() / "private" / "call.ZOQ";
    const fs::path share = dir.path() / "share", relay = dir.path() / "relay";
    const std::string link = (share / "call.ZOQ").string(), hop = (relay / "hop").string();
    struct Case {
        const char* what;
        unsigned shareMode;
        bool theirShare, theirLink, throughTheirHop;
        std::string refusal; // empty: saved
    };
    const std::vector<Case> cases = {
        {"their link in their folder", 0755, true, true, false,
         "is a symbolic link that belongs to another user"},
        {"their link in a shared sticky folder", 01777, false, true, false,
         "is a symbolic link that belongs to another user"},
        {"the user's link in a shared sticky folder", 01777, false, false, false,
         "is a symbolic link in a folder that other users can write"},
        {"the user's link in a folder of the group", 0770, false, false, false,
         "is a symbolic link in a folder that other users can write"},
        {"the user's link in their folder", 0755, true, false, false,
         "is a symbolic link in a folder that belongs to another user"},
        {"the user's link to their link", 0700, false, false, true,
         "leads to " + hop + ", a symbolic link that belongs to another user"},
        {"the user's link to the user's link, all private", 0700, false, false, false, ""},
    };
    for (const Case& c : cases) {
        for (const std::vector<std::string>& save :
             {std::vector<std::string>{"comment", link, "abc"}, {"keyword", link, "late", "1.5"}}) {
            SCOPED_TRACE(std::string(c.what) + ", " + save[0]);
            fs::remove_all(privateCall.parent_path());
            fs::remove_all(share);
            fs::remove_all(relay);
            fs::create_directories(privateCall.parent_path());
            fs::permissions(privateCall.parent_path(), fs::perms(0700));
            test::writeFileBytes(privateCall, original);
            fs::permissions(privateCall, fs::perms(0644));
            fs::create_directory(share);
            fs::permissions(share, fs::perms(c.shareMode));
            fs::create_directory(relay);
            fs::create_symlink(privateCall, hop);
            fs::create_symlink(c.refusal.empty() ? "../relay/hop" : hop, link);
            if (c.theirShare)
                test::handOver(share, *other);
            if (c.theirLink)
                test::handOver(link, *other);
            if (c.throughTheirHop) {
                test::handOver(relay, *other);
                test::handOver(hop, *other);
            }
            const fs::path linkText = fs::read_symlink(link);

            const test::ProcessResult result = zoqtool({}, save);
            // The link stays as it was, alone in its folder, and nothing is left beside the call.
            EXPECT_TRUE(fs::is_symlink(link)) << "the link was replaced";
            EXPECT_EQ(fs::read_symlink(link), linkText);
            const auto entries = [](const fs::path& folder) {
                return std::distance(fs::directory_iterator(folder), fs::directory_iterator());
            };
            EXPECT_EQ(entries(share), 1);
            EXPECT_EQ(entries(privateCall.parent_path()), 1);
            EXPECT_EQ(test::modeOf(privateCall), 0644u);
            if (c.refusal.empty()) {
                EXPECT_EQ(result.exitCode, 0) << result.err;
                EXPECT_NE(test::readFileBytes(privateCall.string()), original) << "not rewritten in place";
            } else {
                EXPECT_EQ(result.exitCode, 1);
                EXPECT_EQ(result.err,
                          "UpdateTextComments will not save " + link + ": it " + c.refusal + "\n");
                EXPECT_EQ(test::readFileBytes(privateCall.string()), original);
            }
        }
    }
}

} // namespace
} // namespace kestrum
