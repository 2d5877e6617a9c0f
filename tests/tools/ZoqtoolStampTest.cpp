// zoqtool stamp run by one local user in a shared place where another user was first: the real
// binary, run as the other account (nobody) while the tests, as root, play the one who planted
// folders and links. What the planter made, and the user's own files, stay byte for byte.

#include "support/OtherUser.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

class ZoqtoolStampTest : public ::testing::Test {
  protected:
    void SetUp() override {
        user = test::otherUser();
        if (!user)
            GTEST_SKIP() << "running zoqtool as another user needs the tests to run as root";
        // A shared place like /tmp, and the user's own folder with a call and a file of theirs.
        fs::permissions(dir.path(), fs::perms(0755));
        fs::create_directory(shared);
        fs::permissions(shared, fs::perms(01777));
        fs::create_directory(home);
        test::RecordingBuilder builder(10);
        builder.comments = "first call\r\n";
        builder.audio = test::makeAudio(4000);
        builder.writeTo(call);
        test::writeFileBytes((home / "notes.txt").string(), {'n', 'o', 't', 'e', 's'});
        for (const fs::path& path : {home, call, home / "notes.txt"})
            test::handOver(path, *user);
        const test::ProcessResult probe = runAsUser({"info", call.string()});
        if (probe.exitCode != 0)
            GTEST_SKIP() << "the other user cannot run the build's zoqtool here: " << probe.err;
    }
    test::ProcessResult runAsUser(const std::vector<std::string>& arguments) {
        const std::vector<std::string> command = test::commandAs(*user, ZOQTOOL_BINARY, arguments);
        return test::runProcess(command[0], {command.begin() + 1, command.end()});
    }
    test::ProcessResult stamp() { return runAsUser({"stamp", call.string(), list.string()}); }

    test::TempDir dir;
    fs::path shared = dir.path() / "tmp";
    fs::path list = shared / "clerk";
    fs::path home = dir.path() / "home";
    fs::path call = home / "call.ZOQ";
    std::optional<test::OtherUser> user;
};

TEST_F(ZoqtoolStampTest, AListPlantedByAnotherUserIsRefusedAndLeftAsItWas) {
    // The planter's own folder under the list's name, and a link to the user's folder.
    fs::create_directories(list / "Recs");
    test::writeFileBytes((list / "Recs" / "theirs.ZOQ").string(), {'t'});
    const test::FolderContents planted = test::folderContents(shared);
    test::ProcessResult run = stamp();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "dataExportCheckDirectory will not use " + list.string() + ": it belongs to another user\n");
    EXPECT_EQ(test::folderContents(shared), planted);

    fs::remove_all(list);
    fs::create_directory_symlink(home, list);
    const test::FolderContents homeBefore = test::folderContents(home);
    run = stamp();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "dataExportCheckDirectory will not use " + list.string() + ": it is a symbolic link\n");
    EXPECT_EQ(test::folderContents(home), homeBefore);
    EXPECT_FALSE(fs::exists(home / "Recs"));
}

TEST_F(ZoqtoolStampTest, ALinkAtTheCopysNameIsReplacedWithThePrivateCopy) {
    // The user's own list, with a link in the copy's place pointing at a file of the user's.
    ASSERT_EQ(stamp().exitCode, 0);
    EXPECT_EQ(test::modeOf(list), 0700u);
    EXPECT_EQ(test::modeOf(list / "Recs"), 0700u);
    EXPECT_EQ(test::modeOf(list / "Recs" / "call.ZOQ"), 0600u);
    fs::remove(list / "Recs" / "call.ZOQ");
    fs::create_symlink(home / "notes.txt", list / "Recs" / "call.ZOQ");
    const test::FolderContents homeBefore = test::folderContents(home);

    const test::ProcessResult run = stamp();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, (list / "Recs" / "call.ZOQ").string() + "\n");
    EXPECT_EQ(test::folderContents(home), homeBefore);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(list / "Recs" / "call.ZOQ")));
    EXPECT_EQ(test::modeOf(list / "Recs" / "call.ZOQ"), 0600u);
    EXPECT_EQ(runAsUser({"verify", (list / "Recs" / "call.ZOQ").string()}).exitCode, 0);
    EXPECT_EQ(fs::directory_iterator(list / "Recs")->path().filename(), "call.ZOQ"); // nothing else
}

} // namespace
} // namespace kestrum
