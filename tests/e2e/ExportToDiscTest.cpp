// From the export button to a disc and back: the player in export-list mode adds a recording,
// the stand-in disc writer makes an ISO image of the list, the copy on it verifies, the real
// player opens it from there in viewer mode, and so does the disc's own menu on a key press.

#include "app/ExportCommand.h"
#include "support/OtherUser.h"
#include "support/ProcessRunner.h"
#include "support/VirtualDisplay.h"
#include "ui/UiRunFixture.h"

#include <QPushButton>

#include <csignal>
#include <cstdlib>
#include <filesystem>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

class ExportToDiscTest : public test::UiRunFixture {
  protected:
    ExportToDiscTest() {
        ::setenv("TMPDIR", temporary.path().c_str(), 1);
        ::setenv("KESTRUM_DISC_OUTPUT", output.path().c_str(), 1);
        ::setenv("KESTRUM_UNATTENDED", "yes", 1);
        for (const char* program : {"Oskaret.exe", "Vantrel.Exe"})
            fs::copy_file(fs::path(KESTRUM_DISC_DIR) / program, dir.path() / program);
    }
    ~ExportToDiscTest() override {
        ::unsetenv("TMPDIR");
        ::unsetenv("KESTRUM_DISC_OUTPUT");
        ::unsetenv("KESTRUM_UNATTENDED");
    }

    test::TempDir temporary;
    test::TempDir output;
};

TEST_F(ExportToDiscTest, AnExportedRecordingVerifiesAndPlaysFromTheDisc) {
    test::RecordingBuilder builder(10);
    builder.comments = "exported\r\n";
    builder.words = {test::makeWord("gun", {8000})};
    builder.audio = test::makeAudio(32 * 250);
    messenger.answer = true; // every question: yes
    runOn(builder, "^K1^E2", [&](test::InspectingUi& ui) {
        ASSERT_TRUE(test::partOf<QPushButton>(*ui.playerWindow(), "exportButton")->isEnabled());
        test::partOf<QPushButton>(*ui.playerWindow(), "exportButton")->click();
        EXPECT_TRUE(ui.exportCommand()->exportListRunning());
        // One worker of a kind at a time: a second click is ignored, a second start refused.
        test::partOf<QPushButton>(*ui.playerWindow(), "exportButton")->click();
        EXPECT_EQ(ui.exportCommand()->startListExport(0), 1);
        ASSERT_FALSE(messenger.shown.empty());
        EXPECT_EQ(messenger.shown.back().text, "Application already running");
        // The worker asks and shows through this thread: keep it answering until the disc is done.
        const bool done = test::waitUntil(
            [&] {
                QApplication::processEvents();
                return !ui.exportCommand()->exportListRunning();
            },
            60);
        ASSERT_TRUE(done);
        EXPECT_EQ(test::partOf<QPushButton>(*ui.playerWindow(), "exportButton")->text(),
                  "Add To CD &Export List");
    });

    // The disc writer's output: an image of the list.
    fs::path image;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(output.path()))
        if (entry.path().extension() == ".iso")
            image = entry.path();
    ASSERT_FALSE(image.empty()) << "no ISO image under " << output.path();

    test::TempDir disc;
    const test::ProcessResult extracted =
        test::runProcess("/usr/bin/env", {"xorriso", "-osirrox", "on", "-indev", image.string(), "-extract",
                                          "/", disc.path().string()});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err;
    const std::string copy = (disc.path() / "Recs" / "call.ZOQ").string();
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_TRUE(fs::exists(disc.path() / "AutoRun.Inf"));
    EXPECT_TRUE(fs::exists(disc.path() / "Vantrel.Exe"));
    EXPECT_TRUE(fs::exists(disc.path() / "Kestrum.Exe"));

    const test::ProcessResult verified = test::runProcess(ZOQTOOL_BINARY, {"verify", copy});
    EXPECT_EQ(verified.exitCode, 0) << verified.out << verified.err;

    // The real player opens the copy from the disc in viewer mode and plays it.
    test::TempDir elsewhere;
    test::ProcessOptions options;
    options.workingDirectory = elsewhere.path().string();
    const std::string played = elsewhere.file("played.raw");
    options.env = {{"QT_QPA_PLATFORM", "offscreen"},
                   {"KESTRUM_UNATTENDED", "yes"},
                   {"SDL_AUDIODRIVER", "disk"},
                   {"SDL_DISKAUDIOFILE", played}};
    test::RunningProcess viewer(KESTRUM_BINARY, {"^F" + copy + "^O1"}, options);
    ASSERT_TRUE(test::waitUntil([&] { return fs::exists(played) && fs::file_size(played) > 0; }, 20));
    viewer.signal(SIGTERM);
    const test::ProcessResult result = viewer.wait();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err.find("LUMBRA PLAYER:"), std::string::npos) << result.err;

    // The disc's menu, started as the autorun file names it, opens the call in the disc's player
    // on Enter (the disc of this test holds the test program as its player: put the real one there).
    fs::copy_file(KESTRUM_BINARY, disc.path() / "Kestrum.Exe", fs::copy_options::overwrite_existing);
    test::VirtualDisplay display;
    ASSERT_TRUE(display.started());
    const std::string heard = elsewhere.file("heard.raw");
    options.env = {{"DISPLAY", display.name()},
                   {"QT_QPA_PLATFORM", "xcb"},
                   {"KESTRUM_UNATTENDED", "yes"},
                   {"SDL_AUDIODRIVER", "disk"},
                   {"SDL_DISKAUDIOFILE", heard}};
    test::RunningProcess menu((disc.path() / "Vantrel.Exe").string(), {}, options);
    const auto xdotool = [&options](const std::vector<std::string>& arguments) {
        return test::runProcess("/usr/bin/xdotool", arguments, options);
    };
    ASSERT_EQ(xdotool({"search", "--sync", "--onlyvisible", "--name", "^Recordings - "}).exitCode, 0);
    ASSERT_TRUE(test::waitUntil(
        [&] {
            xdotool({"key", "Return"});
            return test::waitUntil([&] { return fs::exists(heard) && fs::file_size(heard) > 0; }, 2);
        },
        10));
    // The player the menu started is on its own: found by its window, and closed as a user would.
    const test::ProcessResult player =
        xdotool({"search", "--sync", "--onlyvisible", "--name", "^LUMBRA PLAYER", "getwindowpid"});
    ASSERT_EQ(player.exitCode, 0) << player.err;
    const int playerId = std::stoi(player.out);
    EXPECT_NE(playerId, ::getpid());
    ::kill(playerId, SIGTERM);
    EXPECT_TRUE(test::waitUntil([&] { return ::kill(playerId, 0) != 0; }, 10));
    menu.signal(SIGTERM);
    menu.wait();
}

// The player started in a folder others can write (1777), where another user put a disc writer of
// their own: the CD-audio export runs the user's disc writer (here the one on PATH), never theirs.
TEST_F(ExportToDiscTest, AnotherUsersDiscWriterInASharedWorkingDirectoryIsNotRun) {
    const std::optional<test::OtherUser> other = test::otherUser();
    if (!other)
        GTEST_SKIP() << "a program of another user needs the tests to run as root";
    fs::remove(dir.path() / "Oskaret.exe");
    fs::permissions(dir.path(), fs::perms(01777));
    const std::vector<std::string> plant =
        test::commandAs(*other, "/bin/sh",
                        {"-c", "printf '#!/bin/sh\\ntouch ran\\n' > Oskaret.exe && chmod 755 Oskaret.exe"});
    test::ProcessOptions options;
    options.workingDirectory = dir.path().string();
    const test::ProcessResult planted = test::runProcess(plant[0], {plant.begin() + 1, plant.end()}, options);
    ASSERT_EQ(planted.exitCode, 0) << planted.err;
    const std::string searchPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    ::setenv("PATH", (std::string(KESTRUM_DISC_DIR) + ":" + searchPath).c_str(), 1);

    test::RecordingBuilder builder(10);
    builder.audio = test::makeAudio(8000);
    runOn(builder, "^E2", [&](test::InspectingUi& ui) {
        test::partOf<QPushButton>(*ui.playerWindow(), "exportButton")->click();
        EXPECT_TRUE(test::waitUntil(
            [&] {
                QApplication::processEvents();
                return !ui.exportCommand()->audioExportRunning();
            },
            60));
    });
    ::setenv("PATH", searchPath.c_str(), 1);

    EXPECT_FALSE(fs::exists(dir.path() / "ran"));
    EXPECT_TRUE(fs::exists(output.path() / "track.wav")); // made by the user's disc writer
    EXPECT_TRUE(messenger.shown.empty()) << messenger.shown.front().text;
    fs::path user;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.path()))
        if (entry.is_directory())
            user = entry.path();
    EXPECT_NE(
        test::readFileText((user / "Kestrum.LOG").string())
            .find("startProgram will not run " + dir.file("Oskaret.exe") + ": it belongs to another user"),
        std::string::npos);
}

} // namespace
} // namespace kestrum
