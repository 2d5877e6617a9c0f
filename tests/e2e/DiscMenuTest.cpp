// The real disc menu (build/disc/Vantrel.Exe) on a virtual X display, driven by real keystrokes:
// it lists the recordings beside it or in the folder it is given, the filter narrows them, and
// Enter starts the player found beside it, else kestrum on PATH, with the one argument
// "^F<path>^O1". The player here is a stand-in that writes down the argument it got.

#include "recording/FieldText.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

class DiscMenuTest : public ::testing::Test {
  protected:
    DiscMenuTest() {
        fs::create_directories(disc / "Recs");
        for (const auto& [name, last, year] :
             {std::tuple{"0001.ZOQ", "Abbott", 2001}, std::tuple{"0002.ZOQ", "Costello", 2002}}) {
            test::RecordingBuilder builder(11);
            setFieldText(builder.vrh3.lastName, last);
            builder.vrh3.recYear = static_cast<std::int16_t>(year);
            builder.audio = test::makeAudio(800);
            builder.writeTo((disc / "Recs" / name).string());
        }
        fs::copy_file(VANTREL_BINARY, disc / "Vantrel.Exe");
    }

    // A stand-in player at `path` that writes its arguments, one a line, to `record`.
    void writePlayer(const fs::path& path) {
        test::writeFileBytes(path.string(), {});
        std::string script = "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + record + "'\n";
        test::writeFileBytes(path.string(), std::vector<std::uint8_t>(script.begin(), script.end()));
        fs::permissions(path, fs::perms(0700));
    }

    // Runs the menu with `arguments` on the display, types `keys` (xdotool key names, or text
    // after "type:") once its window is there, and returns the player's arguments (empty when no
    // player was started within a few seconds).
    std::string runMenu(const std::vector<std::string>& arguments, const std::vector<std::string>& keys,
                        const std::string& path = "/usr/bin:/bin") {
        EXPECT_TRUE(display.started()) << "Xvfb did not start";
        test::ProcessOptions options;
        options.env = {{"DISPLAY", display.name()}, {"QT_QPA_PLATFORM", "xcb"}, {"PATH", path}};
        options.unsetEnv = {"WAYLAND_DISPLAY"};
        options.timeoutSeconds = 20;
        test::RunningProcess menu((disc / "Vantrel.Exe").string(), arguments, options);
        const test::ProcessResult window = test::runProcess(
            "/usr/bin/xdotool", {"search", "--sync", "--onlyvisible", "--name", "^Recordings - "}, options);
        EXPECT_EQ(window.exitCode, 0) << window.err;
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the listing, read on its own thread
        for (const std::string& key : keys) {
            const bool text = key.starts_with("type:");
            const test::ProcessResult sent =
                test::runProcess("/usr/bin/xdotool",
                                 text ? std::vector<std::string>{"type", "--delay", "30", key.substr(5)}
                                      : std::vector<std::string>{"key", key},
                                 options);
            EXPECT_EQ(sent.exitCode, 0) << sent.err;
        }
        test::waitUntil([this] { return fs::exists(record) && fs::file_size(record) > 0; }, 5);
        EXPECT_TRUE(menu.running()) << "the menu stays open after starting the player";
        menu.signal(SIGTERM);
        menu.wait();
        return fs::exists(record) ? test::readFileText(record) : std::string();
    }

    test::TempDir dir;
    fs::path disc = dir.path() / "disc";
    std::string record = dir.file("player-arguments");
    test::VirtualDisplay display;
};

TEST_F(DiscMenuTest, EnterOpensTheNewestCallOfRecsInThePlayerBesideTheMenu) {
    writePlayer(disc / "Kestrum.Exe");
    EXPECT_EQ(runMenu({}, {"Return"}), "^F" + (disc / "Recs" / "0002.ZOQ").string() + "^O1\n");
}

TEST_F(DiscMenuTest, TheFilterChoosesTheCallAndKestrumOnPathPlaysIt) {
    fs::create_directories(dir.path() / "bin");
    writePlayer(dir.path() / "bin" / "kestrum");
    EXPECT_EQ(runMenu({(disc / "Recs").string()}, {"type:abb", "Return"}, dir.file("bin") + ":/usr/bin:/bin"),
              "^F" + (disc / "Recs" / "0001.ZOQ").string() + "^O1\n");
}

TEST_F(DiscMenuTest, KeyboardAloneReachesEveryCall) {
    writePlayer(disc / "Kestrum.Exe");
    // Into the table, one row down, Enter.
    EXPECT_EQ(runMenu({}, {"Down", "Down", "Return"}),
              "^F" + (disc / "Recs" / "0001.ZOQ").string() + "^O1\n");
}

TEST_F(DiscMenuTest, AFileThatDoesNotReadIsListedButNotOpened) {
    writePlayer(disc / "Kestrum.Exe");
    test::writeFileBytes((disc / "Recs" / "9999.ZOQ").string(), {'E', 'X', 'P'});
    // The unreadable file is listed last; Ctrl+End goes there.
    EXPECT_EQ(runMenu({}, {"Down", "ctrl+End", "Return"}), "");
}

} // namespace
} // namespace kestrum
