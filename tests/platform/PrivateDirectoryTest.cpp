// Private directories: made for this user alone, refused when someone else may control them, and
// files in them made new, never through a link.

#include "platform/PrivateDirectory.h"
#include "support/OtherUser.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <unistd.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using Status = PrivateDirectory::Status;

TEST(PrivateDirectory, ANewDirectoryIsMadeForThisUserAloneAndFoundAgain) {
    test::TempDir dir;
    PrivateDirectory list;
    ASSERT_EQ(list.open(dir.file("clerk") + "/"), Status::Created);
    EXPECT_EQ(list.path(), dir.file("clerk"));
    EXPECT_EQ(test::modeOf(dir.file("clerk")), 0700u);
    PrivateDirectory recordings;
    ASSERT_EQ(list.openSubdirectory("Recs", recordings), Status::Created);
    EXPECT_EQ(recordings.path(), dir.file("clerk") + "/Recs");
    EXPECT_EQ(test::modeOf(dir.file("clerk/Recs")), 0700u);

    // A directory of this user's that others can read but not write is used as it is.
    fs::permissions(dir.file("clerk"), fs::perms(0755));
    EXPECT_EQ(list.open(dir.file("clerk")), Status::Opened);
    EXPECT_EQ(list.openSubdirectory("Recs", recordings), Status::Opened);
    EXPECT_EQ(test::modeOf(dir.file("clerk")), 0755u);

    EXPECT_EQ(list.open(dir.file("missing/clerk")), Status::CreateFailed);
    EXPECT_FALSE(list.isOpen());
}

TEST(PrivateDirectory, APlaceSomeoneElseMayControlIsRefusedAndLeftAlone) {
    test::TempDir dir;
    const fs::path elsewhere = dir.path() / "elsewhere";
    fs::create_directory(elsewhere);
    test::writeFileBytes((elsewhere / "notes").string(), {'n'});
    const test::FolderContents before = test::folderContents(dir.path());

    struct Case {
        const char* what;
        std::function<void(const fs::path&)> plant;
        const char* refusal;
    };
    const std::vector<Case> cases{
        {"a link to a folder", [&](const fs::path& p) { fs::create_directory_symlink(elsewhere, p); },
         "is a symbolic link"},
        {"a link to nothing", [&](const fs::path& p) { fs::create_symlink(dir.path() / "none", p); },
         "is a symbolic link"},
        {"a file", [&](const fs::path& p) { test::writeFileBytes(p.string(), {'x'}); }, "is not a directory"},
        {"a folder the group may write",
         [&](const fs::path& p) {
             fs::create_directory(p);
             fs::permissions(p, fs::perms(0770));
         },
         "can be written by other users"},
        {"a folder anyone may write",
         [&](const fs::path& p) {
             fs::create_directory(p);
             fs::permissions(p, fs::perms(01777));
         },
         "can be written by other users"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path place = dir.path() / "clerk";
        c.plant(place);
        PrivateDirectory list;
        EXPECT_EQ(list.open(place.string()), Status::Refused);
        EXPECT_EQ(list.refusal(), c.refusal);
        EXPECT_FALSE(list.isOpen());

        // The same rules inside a directory that is fine itself.
        fs::create_directory(dir.path() / "safe");
        fs::permissions(dir.path() / "safe", fs::perms(0700));
        c.plant(dir.path() / "safe" / "Recs");
        PrivateDirectory safe;
        PrivateDirectory recordings;
        ASSERT_EQ(safe.open(dir.file("safe")), Status::Opened);
        EXPECT_EQ(safe.openSubdirectory("Recs", recordings), Status::Refused);
        EXPECT_EQ(recordings.refusal(), c.refusal);

        fs::remove_all(place);
        fs::remove_all(dir.path() / "safe");
        EXPECT_EQ(test::folderContents(dir.path()), before);
    }

    const std::optional<test::OtherUser> other = test::otherUser();
    if (!other)
        GTEST_SKIP() << "a folder of another user needs the tests to run as root";
    const fs::path theirs = dir.path() / "clerk";
    fs::create_directory(theirs);
    fs::permissions(theirs, fs::perms(0700));
    test::handOver(theirs, *other);
    PrivateDirectory list;
    EXPECT_EQ(list.open(theirs.string()), Status::Refused);
    EXPECT_EQ(list.refusal(), "belongs to another user");
}

TEST(PrivateDirectory, FilesAreMadeNewAndALinkInTheirPlaceIsReplacedNotFollowed) {
    test::TempDir dir;
    test::writeFileBytes(dir.file("precious"), {'p', 'r'});
    PrivateDirectory list;
    ASSERT_EQ(list.open(dir.file("list")), Status::Created);

    fs::create_symlink(dir.file("precious"), dir.file("list/AutoRun.Inf"));
    EXPECT_FALSE(list.holdsFile("AutoRun.Inf")); // a link is not a file of the list
    const int fd = list.createFile("AutoRun.Inf", 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "new", 3), 3);
    ::close(fd);
    EXPECT_EQ(test::readFileText(dir.file("precious")), "pr");
    EXPECT_FALSE(fs::is_symlink(dir.file("list/AutoRun.Inf")));
    EXPECT_EQ(test::readFileText(dir.file("list/AutoRun.Inf")), "new");
    EXPECT_EQ(test::modeOf(dir.file("list/AutoRun.Inf")), 0600u);
    EXPECT_TRUE(list.holdsFile("AutoRun.Inf"));

    // A directory keeps its name.
    fs::create_directory(dir.file("list/Kestrum.Exe"));
    EXPECT_LT(list.createFile("Kestrum.Exe", 0700), 0);
    EXPECT_TRUE(fs::is_directory(dir.file("list/Kestrum.Exe")));
}

} // namespace
} // namespace kestrum
