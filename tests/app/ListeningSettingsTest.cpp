// The listening aids kept between runs: read back as written, private, never through a link,
// defaults for anything missing or strange.

#include "app/ListeningSettings.h"
#include "support/FakeMessenger.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrum {
namespace {

TEST(ListeningSettings, AreReadBackAsWrittenAndKeptPrivate) {
    test::TempDir dir;
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter(messenger, log);
    PrivateDirectory folder;
    ASSERT_EQ(folder.open(dir.path().string()), PrivateDirectory::Status::Opened);
    const std::string path = dir.file("Kestrum.SET");
    EXPECT_EQ(readListeningSettings(folder, "Kestrum.SET"), ListeningAids{}); // none yet: every aid off

    ListeningAids aids;
    aids.filters.keepPitch = true;
    aids.filters.reduceNoise = true;
    aids.skipSilence = true;
    aids.rewindSeconds = 2;
    writeListeningSettings(folder, "Kestrum.SET", aids, reporter);
    EXPECT_EQ(readListeningSettings(folder, "Kestrum.SET"), aids);
    EXPECT_EQ(test::modeOf(path), 0600u);
    EXPECT_TRUE(log.lines.empty());

    // Lines of another player's version, broken ones, out-of-range values: ignored or bounded.
    const std::string text = "evenVoices=1\nfutureAid=1\nrewindSeconds=9\nnonsense\nkeepPitch=yes\n";
    test::writeFileBytes(path, {text.begin(), text.end()});
    ListeningAids read = readListeningSettings(folder, "Kestrum.SET");
    EXPECT_TRUE(read.filters.evenVoices);
    EXPECT_FALSE(read.filters.keepPitch);
    EXPECT_EQ(read.rewindSeconds, 5);

    // Lines the aids do not own (the foot pedal's, another version's) outlive a save, as they were.
    const std::string others = "pedalDevice=/dev/input/by-id/pedal\nevenVoices=1\nfutureAid=1\n";
    test::writeFileBytes(path, {others.begin(), others.end()});
    EXPECT_EQ(readSetting(folder, "Kestrum.SET", "pedalDevice"), "/dev/input/by-id/pedal");
    EXPECT_EQ(readSetting(folder, "Kestrum.SET", "futureAid"), "1");
    EXPECT_EQ(readSetting(folder, "Kestrum.SET", "absent"), "");
    writeListeningSettings(folder, "Kestrum.SET", aids, reporter);
    EXPECT_EQ(test::readFileText(path), "pedalDevice=/dev/input/by-id/pedal\nfutureAid=1\nkeepPitch=1\n"
                                        "evenVoices=0\nreduceNoise=1\nskipSilence=1\nrewindSeconds=2\n");

    // A link in its place is not read, and a write replaces the link, not what it points to.
    test::writeFileBytes(dir.file("elsewhere"), {'k', 'e', 'e', 'p', 'P', 'i', 't', 'c', 'h', '=', '1'});
    std::filesystem::remove(path);
    std::filesystem::create_symlink(dir.file("elsewhere"), path);
    EXPECT_EQ(readListeningSettings(folder, "Kestrum.SET"), ListeningAids{});
    writeListeningSettings(folder, "Kestrum.SET", aids, reporter);
    EXPECT_FALSE(std::filesystem::is_symlink(path));
    EXPECT_EQ(test::readFileText(dir.file("elsewhere")), "keepPitch=1");

    // Viewer mode has no per-user folder: the defaults, and nothing written.
    EXPECT_EQ(readListeningSettings(PrivateDirectory(), "Kestrum.SET"), ListeningAids{});
    writeListeningSettings(PrivateDirectory(), "Kestrum.SET", aids, reporter);
    EXPECT_TRUE(log.lines.empty());

    // A folder that cannot take the file: logged only.
    std::filesystem::create_directory(dir.file("Kestrum.SET.d"));
    writeListeningSettings(folder, "Kestrum.SET.d", aids, reporter);
    EXPECT_EQ(log.lines, std::vector<std::string>{"writeListeningSettings could not write to file " +
                                                  dir.file("Kestrum.SET.d")});
}

} // namespace
} // namespace kestrum
