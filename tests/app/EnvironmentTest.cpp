// The working environment: per-user directory, lock, paths, viewer mode, version and init record.

#include "app/Environment.h"
#include "app/ListeningSettings.h"
#include "app/Log.h"
#include "platform/Reporter.h"
#include "support/FakeMessenger.h"
#include "support/OtherUser.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <regex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

// Answers as the operating system would for a chosen directory and user.
class FakeSystem : public SystemServices {
  public:
    std::string directory;
    std::string user = "clerk";
    std::string host = "DESK1";
    bool directoryFails = false, userFails = false, versionFails = false, hostFails = false;
    int userQuestions = 0;

    bool currentDirectory(std::string& out, std::size_t maxLength) override {
        if (directoryFails || directory.size() > maxLength)
            return false;
        out = directory;
        return true;
    }
    bool userName(std::string& out, std::size_t maxLength) override {
        ++userQuestions;
        if (userFails || user.size() > maxLength)
            return false;
        out = user;
        return true;
    }
    bool osPlatformId(std::uint32_t& id) override {
        id = kPlatformNtFamily;
        return !versionFails;
    }
    bool computerName(std::string& out, std::size_t maxLength, int& error) override {
        error = 5;
        out = host.substr(0, maxLength);
        return !hostFails;
    }
};

class EnvironmentTest : public ::testing::Test {
  protected:
    EnvironmentTest() { system.directory = dir.path().string(); }

    int prepare(Environment& target, const Options& options = {}) {
        return prepareEnvironment(target, options, system, messenger);
    }

    test::TempDir dir;
    FakeSystem system;
    test::FakeMessenger messenger;
    Environment env;
};

TEST_F(EnvironmentTest, PreparesThePerUserDirectoryAndHoldsTheLock) {
    ASSERT_EQ(prepare(env), 0) << messenger.onlyText();
    const fs::path userDirectory = dir.path() / "clerk";
    EXPECT_TRUE(fs::is_directory(userDirectory));
    EXPECT_EQ(env.workingDirectory, dir.path().string());
    EXPECT_EQ(env.userName, "clerk");
    EXPECT_EQ(env.computerName, "DESK1");
    EXPECT_EQ(env.osPlatformId, 2u);
    EXPECT_EQ(env.lockPath, (userDirectory / "Kestrum.LCK").string());
    EXPECT_EQ(env.logPath, (userDirectory / "Kestrum.LOG").string());
    EXPECT_EQ(env.initPath, (userDirectory / "Kestrum.DAT").string());
    EXPECT_TRUE(env.lockFile.held());
    const std::string line = test::readFileText(env.lockPath);
    ASSERT_GE(line.size(), 2u);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
    EXPECT_TRUE(messenger.shown.empty());

    releaseLock(env);
    EXPECT_FALSE(fs::exists(env.lockPath));
    EXPECT_FALSE(env.lockFile.held());
}

TEST_F(EnvironmentTest, ASecondPlayerOfTheSameUserIsRefusedWhileTheFirstHoldsTheLock) {
    int ready[2], finish[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(finish), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The first player: takes the lock, says so, and ends without releasing it when told.
        Environment first;
        test::FakeMessenger quiet;
        const char status = prepareEnvironment(first, {}, system, quiet) == 0 ? 'y' : 'n';
        (void)!::write(ready[1], &status, 1);
        char go;
        (void)!::read(finish[0], &go, 1);
        ::_exit(0);
    }
    char status = 0;
    ASSERT_EQ(::read(ready[0], &status, 1), 1);
    ASSERT_EQ(status, 'y');

    EXPECT_EQ(prepare(env), 1);
    EXPECT_EQ(messenger.onlyText(), "Error lock file " + (dir.path() / "clerk" / "Kestrum.LCK").string() +
                                        " exist, cannot continue");
    EXPECT_FALSE(env.lockFile.held());

    // The first player ends without shutdown: its lock file stays behind, stale, and is taken over.
    (void)!::write(finish[1], "x", 1);
    int waited = 0;
    ::waitpid(child, &waited, 0);
    ASSERT_TRUE(fs::exists(dir.path() / "clerk" / "Kestrum.LCK"));
    messenger.shown.clear();
    Environment again;
    EXPECT_EQ(prepare(again), 0) << messenger.onlyText();
    EXPECT_TRUE(again.lockFile.held());
    for (int fd : {ready[0], ready[1], finish[0], finish[1]})
        ::close(fd);
}

TEST_F(EnvironmentTest, AStaleLockFileIsRemoved) {
    fs::create_directory(dir.path() / "clerk");
    test::writeFileBytes((dir.path() / "clerk" / "Kestrum.LCK").string(),
                         {'o', 'l', 'd', ' ', 'l', 'o', 'c', 'k'});
    ASSERT_EQ(prepare(env), 0) << messenger.onlyText();
    EXPECT_EQ(test::readFileText(env.lockPath).find("old lock"), std::string::npos);
}

TEST_F(EnvironmentTest, AnotherUserInTheSameDirectoryGetsSeparateFiles) {
    ASSERT_EQ(prepare(env), 0);
    system.user = "other";
    Environment second;
    ASSERT_EQ(prepare(second), 0) << messenger.onlyText();
    EXPECT_EQ(second.lockPath, (dir.path() / "other" / "Kestrum.LCK").string());
    EXPECT_TRUE(env.lockFile.held());
    EXPECT_TRUE(second.lockFile.held());
}

TEST_F(EnvironmentTest, ViewerModeCreatesNothingAndAsksForNoUser) {
    Options options;
    options.viewerMode = true;
    ASSERT_EQ(prepare(env, options), 0);
    EXPECT_EQ(system.userQuestions, 0);
    EXPECT_EQ(env.userName, "");
    EXPECT_EQ(env.computerName, "");
    EXPECT_EQ(env.logPath, (dir.path() / "Kestrum.LOG").string());
    EXPECT_EQ(env.initPath, (dir.path() / "Kestrum.DAT").string());
    EXPECT_FALSE(env.lockFile.held());
    EXPECT_TRUE(fs::is_empty(dir.path()));

    // The init file of the working directory is still read, and never written.
    InitRecord stored;
    stored.waveformKnobPosition = 42.5;
    const auto bytes = layout::encode(stored);
    test::writeFileBytes(env.initPath, {bytes.begin(), bytes.end()});
    ASSERT_EQ(readInit(env), 0);
    EXPECT_EQ(env.initRecord.waveformKnobPosition, 42.5);
    env.initRecord.waveformKnobPosition = 7.0;
    test::FakeLog log;
    Reporter reporter(messenger, log);
    EXPECT_EQ(writeInitToDisk(env, options, reporter), 0);
    EXPECT_EQ(layout::decode<InitRecord>(
                  std::span<const std::uint8_t, 96>(test::readFileBytes(env.initPath).data(), 96))
                  .waveformKnobPosition,
              42.5);

    // Anyone may have been in a shared working directory: a FIFO in the init file's place (here
    // holding a whole record, elsewhere one nobody writes, which would hold the start) is not read.
    fs::remove(env.initPath);
    ASSERT_EQ(::mkfifo(env.initPath.c_str(), 0666), 0);
    const int fifo = ::open(env.initPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fifo, 0);
    ASSERT_EQ(::write(fifo, bytes.data(), bytes.size()), 96);
    env.initRecord = InitRecord{};
    EXPECT_EQ(readInit(env), 1);
    EXPECT_EQ(env.initRecord, InitRecord{});
    ::close(fifo);
}

TEST_F(EnvironmentTest, EachFailingStepShowsItsMessage) {
    struct Case {
        void (*breakIt)(FakeSystem&);
        std::vector<std::string> messages;
    };
    const std::vector<Case> cases = {
        {[](FakeSystem& s) { s.directoryFails = true; }, {"GetCurrentDirectory failed, cannot continue"}},
        {[](FakeSystem& s) { s.userFails = true; }, {"GetUserName failed, cannot continue"}},
        {[](FakeSystem& s) { s.user = std::string(29, 'u'); }, {"GetUserName failed, cannot continue"}},
        {[](FakeSystem& s) { s.versionFails = true; }, {"GetOsVersion failed"}},
        {[](FakeSystem& s) { s.hostFails = true; },
         {"getComputerNameRegistryInfo RegQueryValueEx returned 5", "getComputerNameRegistryInfo failed"}},
    };
    for (const Case& c : cases) {
        FakeSystem broken = system;
        c.breakIt(broken);
        test::FakeMessenger shown;
        Environment target;
        EXPECT_EQ(prepareEnvironment(target, {}, broken, shown), 1);
        ASSERT_EQ(shown.shown.size(), c.messages.size());
        for (std::size_t i = 0; i < c.messages.size(); ++i)
            EXPECT_EQ(shown.shown[i].text, c.messages[i]);
        EXPECT_FALSE(target.lockFile.held());
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST_F(EnvironmentTest, AUserDirectoryThatCannotBeCreatedIsReported) {
    system.directory = (dir.path() / "missing" / "deeper").string();
    EXPECT_EQ(prepare(env), 1);
    EXPECT_EQ(messenger.onlyText(),
              "checkLockAccess could not create " + system.directory + "/clerk, cannot continue");

    // A file where the user directory should be: it is not used.
    messenger.shown.clear();
    system.directory = dir.path().string();
    test::writeFileBytes((dir.path() / "clerk").string(), {'x'});
    EXPECT_EQ(prepare(env), 1);
    EXPECT_EQ(messenger.onlyText(), "checkLockAccess will not use " + (dir.path() / "clerk").string() +
                                        ": it is not a directory, "
                                        "cannot continue");
}

TEST_F(EnvironmentTest, APathThatWouldNotFitItsFieldRefusesToStart) {
    // 260 characters of working directory fit; with the user and file name the paths do not.
    system.directory = dir.path().string() + "/" + std::string(259 - dir.path().string().size(), 'w');
    EXPECT_EQ(prepare(env), 1);
    EXPECT_EQ(messenger.onlyText(),
              "Working directory path is too long, cannot continue\n" + system.directory);
    EXPECT_TRUE(fs::is_empty(dir.path()));

    messenger.shown.clear();
    Options viewer;
    viewer.viewerMode = true;
    EXPECT_EQ(prepare(env, viewer), 1);
    EXPECT_EQ(env.logPath, "");
}

TEST_F(EnvironmentTest, TheVersionTextComesFromTheBuild) {
    ASSERT_EQ(readProgramVersion(env, messenger), 0);
    EXPECT_TRUE(std::regex_match(env.versionText, std::regex(R"(v\d+\.\d+\.\d+\.\d+)"))) << env.versionText;
}

TEST_F(EnvironmentTest, TheInitRecordRoundTripsFieldByField) {
    ASSERT_EQ(prepare(env), 0);
    EXPECT_EQ(readInit(env), 1); // none yet

    InitRecord record;
    record.newCommentsHeight = 300;
    record.newCommentsLeft = -20;
    record.keywordWidth = 640;
    record.waveformOpen = 1;
    record.reserved52 = 0x5A5A5A5A; // carried as read
    record.waveformKnobPosition = 100.0;
    record.existingCommentsOpen = 1;
    record.stepSizePosition = 3;
    record.playSpeedPosition = 4;
    record.reserved92 = -1;
    env.initRecord = record;
    test::FakeLog log;
    Reporter reporter(messenger, log);
    ASSERT_EQ(writeInitToDisk(env, {}, reporter), 0);

    const std::vector<std::uint8_t> bytes = test::readFileBytes(env.initPath);
    ASSERT_EQ(bytes.size(), 96u);
    EXPECT_EQ(bytes[0], 300 & 0xFF);
    EXPECT_EQ(bytes[1], 300 >> 8);
    EXPECT_EQ(bytes[4], 0xEC); // -20
    EXPECT_EQ(bytes[7], 0xFF);
    EXPECT_EQ(bytes[40], 1);
    EXPECT_EQ(bytes[63], 0x40); // 100.0 as an IEEE double: 40 59 00 00 00 00 00 00, little-endian
    EXPECT_EQ(bytes[62], 0x59);
    EXPECT_EQ(bytes[88], 4);
    EXPECT_EQ(bytes[95], 0xFF);

    env.initRecord = InitRecord{};
    ASSERT_EQ(readInit(env), 0);
    EXPECT_EQ(env.initRecord, record);
    // Only the final file remains: no temporary sibling is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "clerk"), fs::directory_iterator()), 2);
}

TEST_F(EnvironmentTest, AShortInitFileIsNotRead) {
    ASSERT_EQ(prepare(env), 0);
    test::writeFileBytes(env.initPath, std::vector<std::uint8_t>(95, 1));
    EXPECT_EQ(readInit(env), 1);
    EXPECT_EQ(env.initRecord, InitRecord{});
}

TEST_F(EnvironmentTest, AFailingInitWriteIsLoggedOnly) {
    env.initPath = (dir.path() / "gone" / "Kestrum.DAT").string();
    test::FakeLog log;
    Reporter reporter(messenger, log);
    EXPECT_EQ(writeInitToDisk(env, {}, reporter), 1);
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "writeInitToDisk could not open file " + env.initPath);
    EXPECT_TRUE(messenger.shown.empty());
}

// The per-user directory sits in a working directory other users may share.
TEST_F(EnvironmentTest, APerUserDirectoryThatIsNotTheUsersAloneStopsTheStart) {
    const fs::path user = dir.path() / "clerk";
    const fs::path elsewhere = dir.path() / "elsewhere";
    fs::create_directory(elsewhere);
    test::writeFileBytes((elsewhere / "Kestrum.LOG").string(), {'o', 'l', 'd'});
    const test::FolderContents before = test::folderContents(elsewhere);
    const auto expectRefused = [&](const std::string& why) {
        messenger.shown.clear();
        Environment refused;
        EXPECT_EQ(prepare(refused), 1);
        EXPECT_EQ(messenger.onlyText(),
                  "checkLockAccess will not use " + user.string() + ": it " + why + ", cannot continue");
        EXPECT_FALSE(refused.lockFile.held());
        EXPECT_EQ(refused.logPath, "");
        EXPECT_EQ(test::folderContents(elsewhere), before);
    };

    fs::create_directory_symlink(elsewhere, user);
    expectRefused("is a symbolic link");
    fs::remove(user);

    fs::create_directory(user);
    fs::permissions(user, fs::perms(0770));
    expectRefused("can be written by other users");
    fs::remove(user);

    if (const std::optional<test::OtherUser> other = test::otherUser()) {
        fs::create_directory(user);
        fs::permissions(user, fs::perms(0700));
        test::handOver(user, *other);
        expectRefused("belongs to another user");
    }
}

TEST_F(EnvironmentTest, ThePerUserFilesAreTheUsersAloneAndNeverReachedThroughALink) {
    ASSERT_EQ(prepare(env), 0) << messenger.onlyText();
    const fs::path user = dir.path() / "clerk";
    EXPECT_EQ(test::modeOf(user), 0700u);
    EXPECT_EQ(test::modeOf(env.lockPath), 0600u);
    test::FakeLog log;
    Reporter reporter(messenger, log);
    ASSERT_EQ(writeInitToDisk(env, {}, reporter), 0);
    EXPECT_EQ(test::modeOf(env.initPath), 0600u);

    // Links left where the settings are: never read through, and replaced by a write.
    test::writeFileBytes(dir.file("outside"), std::vector<std::uint8_t>(96, 7));
    fs::remove(env.initPath);
    fs::create_symlink(dir.file("outside"), env.initPath);
    EXPECT_EQ(readInit(env), 1);
    ASSERT_EQ(writeInitToDisk(env, {}, reporter), 0);
    EXPECT_FALSE(fs::is_symlink(env.initPath));
    EXPECT_EQ(test::readFileBytes(dir.file("outside")), std::vector<std::uint8_t>(96, 7));

    // A lock file that is a link is not taken.
    releaseLock(env);
    fs::create_symlink(dir.file("outside"), env.lockPath);
    Environment second;
    EXPECT_EQ(prepare(second), 1);
    EXPECT_EQ(messenger.shown.back().text, "Error could not open lock file " + env.lockPath);
    EXPECT_EQ(test::readFileBytes(dir.file("outside")), std::vector<std::uint8_t>(96, 7));
}

// The per-user directory renamed away while the player runs, and a folder of someone else's in its
// place: every file of the run still goes to the directory that was checked, none to the new one.
TEST_F(EnvironmentTest, APerUserDirectorySwappedWhileThePlayerRunsGetsTheFilesNotItsReplacement) {
    ASSERT_EQ(prepare(env), 0) << messenger.onlyText();
    readProgramVersion(env, messenger);
    const fs::path user = dir.path() / "clerk";
    const fs::path moved = dir.path() / "moved";
    fs::rename(user, moved);
    fs::create_directory(user);
    fs::permissions(user, fs::perms::all);
    if (const std::optional<test::OtherUser> other = test::otherUser())
        test::handOver(user, *other);

    test::FakeLog log;
    Reporter reporter(messenger, log);
    const Options options;
    Log(env, options).writeLog("Could not open file\n/calls/secret.ZOQ");
    env.initRecord.playSpeedPosition = 4;
    EXPECT_EQ(writeInitToDisk(env, {}, reporter), 0);
    ListeningAids aids;
    aids.skipSilence = true;
    writeListeningSettings(env.userDirectory, kSettingsFileName, aids, reporter);
    releaseLock(env);

    const auto namesIn = [](const fs::path& folder) {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(namesIn(user), std::vector<std::string>{});
    // The lock is gone from where it was taken; the log, init and settings files are there.
    EXPECT_EQ(namesIn(moved), (std::vector<std::string>{"Kestrum.DAT", "Kestrum.LOG", "Kestrum.SET"}));
    EXPECT_TRUE(log.lines.empty());
    // Messages name the directory as it was checked.
    EXPECT_EQ(env.initPath, (user / "Kestrum.DAT").string());
}

} // namespace
} // namespace kestrum
