// The one way files are replaced: new and private until whole, checked, renamed over the target,
// never written through a link, gone when it does not get that far.

#include "platform/TemporaryFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(TemporaryFile, ReplacesItsTargetOnlyWhenWholeAndLeavesNothingOtherwise) {
    test::TempDir dir;
    const std::string target = dir.file("Kestrum.DAT");
    test::writeFileBytes(target, {'o', 'l', 'd'});
    {
        TemporaryFile file = TemporaryFile::beside(target);
        ASSERT_TRUE(file.isOpen());
        EXPECT_EQ(file.path().rfind(target + ".part", 0), 0u); // a name of its own beside the target
        EXPECT_EQ(test::modeOf(file.path()), 0600u);           // private while it is written
        std::fputs("new", file.stream());
        ASSERT_TRUE(file.finishWriting());
        std::FILE* check = file.openForReading();
        ASSERT_NE(check, nullptr);
        char text[4] = {};
        EXPECT_EQ(std::fread(text, 1, 3, check), 3u);
        std::fclose(check);
        EXPECT_STREQ(text, "new");
        EXPECT_EQ(test::readFileText(target), "old"); // not yet
        ASSERT_TRUE(file.replaceTarget());
    }
    EXPECT_EQ(test::readFileText(target), "new");
    EXPECT_EQ(entries(dir.path()), 1u);

    // Given up before it was put in place: the target stays, the file goes.
    {
        TemporaryFile file = TemporaryFile::beside(target);
        std::fputs("half", file.stream());
    }
    EXPECT_EQ(test::readFileText(target), "new");
    EXPECT_EQ(entries(dir.path()), 1u);

    // No folder to make it in.
    EXPECT_FALSE(TemporaryFile::beside(dir.file("missing/x")).isOpen());
    // A target with the longest name a folder takes still gets a name of its own.
    EXPECT_TRUE(TemporaryFile::beside(dir.file(std::string(NAME_MAX, 'n'))).isOpen());
}

TEST(TemporaryFile, TakesANameNothingHoldsAndReplacesALinkAsALink) {
    test::TempDir dir;
    test::writeFileBytes(dir.file("precious"), {'p'});
    // A link at the target's name is replaced by the whole file, not written through.
    fs::create_symlink(dir.file("precious"), dir.file("call.ZOQ"));
    const int folder = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
    {
        TemporaryFile file = TemporaryFile::inFolder(folder, dir.path().string(), "call.ZOQ");
        // Two writers of one target never share a file.
        TemporaryFile other = TemporaryFile::inFolder(folder, dir.path().string(), "call.ZOQ");
        ASSERT_TRUE(file.isOpen());
        ASSERT_TRUE(other.isOpen());
        EXPECT_NE(file.path(), other.path());
        file.setMode(0640);
        std::fputs("copy", file.stream());
        ASSERT_TRUE(file.finishWriting());
        ASSERT_TRUE(file.replaceTarget());
    }
    ::close(folder);
    EXPECT_EQ(test::readFileText(dir.file("precious")), "p");
    EXPECT_FALSE(fs::is_symlink(dir.file("call.ZOQ")));
    EXPECT_EQ(test::readFileText(dir.file("call.ZOQ")), "copy");
    EXPECT_EQ(test::modeOf(dir.file("call.ZOQ")), 0640u);
    EXPECT_EQ(entries(dir.path()), 2u); // the other one went

    // One that could not be made names the form its name would have had.
    EXPECT_EQ(TemporaryFile::beside(dir.file("missing/x")).path(), dir.file("missing/x.partXXXXXX"));
}

TEST(TemporaryFile, TakesAFreeNameOnlyWhileNothingHoldsIt) {
    test::TempDir dir;
    test::writeFileBytes(dir.file("theirs"), {'t'});
    fs::create_symlink(dir.file("nowhere"), dir.file("dangling"));
    // Whatever holds the name, a file or a link leading nowhere, stays; the new file goes.
    for (const char* held : {"theirs", "dangling"}) {
        SCOPED_TRACE(held);
        TemporaryFile file = TemporaryFile::beside(dir.file(held));
        ASSERT_TRUE(file.isOpen());
        ASSERT_TRUE(file.finishWriting());
        EXPECT_FALSE(file.takeFreeName());
        EXPECT_EQ(errno, EEXIST);
    }
    EXPECT_EQ(test::readFileText(dir.file("theirs")), "t");
    EXPECT_FALSE(fs::exists(dir.file("nowhere")));
    {
        TemporaryFile file = TemporaryFile::beside(dir.file("new.ZOQ"));
        std::fputs("copy", file.stream());
        ASSERT_TRUE(file.finishWriting());
        ASSERT_TRUE(file.takeFreeName());
    }
    EXPECT_EQ(test::readFileText(dir.file("new.ZOQ")), "copy");
    EXPECT_EQ(test::modeOf(dir.file("new.ZOQ")), 0600u);
    EXPECT_EQ(entries(dir.path()), 3u);
}

} // namespace
} // namespace kestrum
