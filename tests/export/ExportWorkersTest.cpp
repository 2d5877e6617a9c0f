// The export workers on real files and a real (stand-in) disc program: the list and its
// questions, the files a disc needs, the parameter texts, CD audio, and failures.

#include "export/ExportWorkers.h"
#include "export/DiscProgram.h"
#include "export/ExportList.h"
#include "export/FakeExportUi.h"
#include "export/StampedCopy.h"
#include "export/WorkerThread.h"
#include "platform/ProgramLocations.h"
#include "recording/RecordingReader.h"
#include "support/FakeMessenger.h"
#include "support/OtherUser.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <stdexcept>
#include <unistd.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::RecordingBuilder;

TEST(DiscProgram, ParameterTextsCarryTheDiscWriterNumberOnlyWhenGiven) {
    EXPECT_EQ(exportListParameters(-1, "/tmp/clerk"), "^K1 ^F/tmp/clerk");
    EXPECT_EQ(exportListParameters(0, "/tmp/clerk"), "^W0 ^K1 ^F/tmp/clerk");
    EXPECT_EQ(cdAudioParameters(-1, "/tmp/KESTRUMab12"), "^F/tmp/KESTRUMab12");
    EXPECT_EQ(cdAudioParameters(3, "/tmp/KESTRUMab12"), "^W3 ^F/tmp/KESTRUMab12");
}

class ExportWorkersTest : public ::testing::Test {
  protected:
    ExportWorkersTest() {
        ::setenv("TMPDIR", temporary.path().c_str(), 1);
        setting.workingDirectory = working.path().string();
        setting.userName = "clerk";
        setting.computerName = "DESK1";
        setting.ownExecutable = working.file("player-binary");
        test::writeFileBytes(setting.ownExecutable, {'p', 'l', 'a', 'y'});
        test::writeFileBytes(working.file("Vantrel.Exe"), {'m', 'e', 'n', 'u'});
        // The disc program: records the one argument it was given.
        const std::string script =
            "#!/bin/sh\nprintf '%s' \"$1\" > \"" + working.file("disc-argument") + "\"\n";
        test::writeFileBytes(working.file("Oskaret.exe"), {script.begin(), script.end()});
        fs::permissions(working.file("Oskaret.exe"), fs::perms::owner_all);
    }
    ~ExportWorkersTest() override { ::unsetenv("TMPDIR"); }

    void loadRecording(int version = 10) {
        RecordingBuilder builder(version);
        builder.comments = "abc\r\n";
        builder.audio = test::makeAudio(640);
        builder.writeTo(working.file("call.ZOQ"));
        ui.recording.recordingPath = working.file("call.ZOQ");
        RecordingReader reader(ui.recording, reporter, {});
        ASSERT_EQ(reader.openRecording(), 0);
        ASSERT_EQ(reader.computeAudioLength(), 0);
        ui.recording.closeRecordingFile();
    }
    void runList(unsigned argument = 0) { ExportListWorker(setting, argument, ui, log).run(); }
    std::string list() const { return (temporary.path() / "clerk").string(); }
    std::string discArgument() const { return test::readFileText(working.file("disc-argument")); }

    test::TempDir temporary;
    test::TempDir working;
    ExportSetting setting;
    test::FakeExportUi ui;
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter{messenger, log};
};

TEST_F(ExportWorkersTest, ANewListIsMadeWithWhatADiscNeedsAndTheRecordingStamped) {
    loadRecording();
    ui.answers = {true}; // finished adding: write the disc
    runList();
    EXPECT_EQ(ui.questions, std::vector<std::string>{"Recording Added to the List.\nAre you Finished Adding "
                                                     "Recordings to the List?"});
    EXPECT_EQ(test::readFileText(list() + "/AutoRun.Inf"),
              "[autorun]\r\nopen=Vantrel.Exe\r\nicon=Vantrel.Exe\r\n");
    EXPECT_EQ(test::readFileText(list() + "/Vantrel.Exe"), "menu");
    EXPECT_EQ(test::readFileText(list() + "/Kestrum.Exe"), "play"); // the running player's own binary
    EXPECT_TRUE(fs::exists(list() + "/Recs/call.ZOQ"));
    EXPECT_EQ(discArgument(), "^K1 ^F" + list());
    EXPECT_EQ(ui.statuses.front(), "Export Started");
    EXPECT_NE(std::find(ui.statuses.begin(), ui.statuses.end(), "WRITING CD"), ui.statuses.end());
    EXPECT_EQ(ui.statuses.back(), "Add To CD &Export List"); // the button as it was
    EXPECT_EQ(ui.normalized, 1);
    EXPECT_TRUE(ui.shown.empty());

    // All of it is the user's alone.
    EXPECT_EQ(test::modeOf(list()), 0700u);
    EXPECT_EQ(test::modeOf(list() + "/Recs"), 0700u);
    EXPECT_EQ(test::modeOf(list() + "/Recs/call.ZOQ"), 0600u);
    EXPECT_EQ(test::modeOf(list() + "/AutoRun.Inf"), 0600u);
    EXPECT_EQ(test::modeOf(list() + "/Vantrel.Exe"), 0700u);
    EXPECT_EQ(test::modeOf(list() + "/Kestrum.Exe"), 0700u);
}

TEST_F(ExportWorkersTest, AnExistingListIsKeptUnlessBothQuestionsAreAnsweredYes) {
    loadRecording();
    fs::create_directories(list() + "/Recs");
    test::writeFileBytes(list() + "/Recs/old.ZOQ", {1});
    test::writeFileBytes(list() + "/AutoRun.Inf", {'m', 'i', 'n', 'e'});
    setting.diskWriterValue = 0;

    ui.answers = {true, false, false}; // clear? yes; proceed? no; finished? no
    runList();
    ASSERT_EQ(ui.questions.size(), 3u);
    EXPECT_EQ(ui.questions[0],
              "There is 1 Recording already on the List.\nDo you want to Delete this List and start "
              "a NEW List?");
    EXPECT_EQ(ui.questions[1],
              "This Will Clear All Recordings Currently on the List For CD Creation, Proceed?");
    EXPECT_TRUE(fs::exists(list() + "/Recs/old.ZOQ"));
    EXPECT_TRUE(fs::exists(list() + "/Recs/call.ZOQ"));
    EXPECT_EQ(test::readFileText(list() + "/AutoRun.Inf"), "mine"); // an existing one is left alone
    EXPECT_FALSE(fs::exists(working.file("disc-argument")));

    ui.questions.clear();
    ui.answers = {true, true, true};
    runList();
    EXPECT_EQ(ui.questions[0],
              "There are 2 Recordings already on the List.\nDo you want to Delete this List and "
              "start a NEW List?");
    EXPECT_FALSE(fs::exists(list() + "/Recs/old.ZOQ"));
    EXPECT_TRUE(fs::exists(list() + "/Recs/call.ZOQ"));
    EXPECT_EQ(test::readFileText(list() + "/AutoRun.Inf"),
              "[autorun]\r\nopen=Vantrel.Exe\r\nicon=Vantrel.Exe\r\n");
    EXPECT_EQ(discArgument(), "^W0 ^K1 ^F" + list());
}

TEST_F(ExportWorkersTest, PendingCommentsAreOfferedForSavingFirst) {
    loadRecording();
    ui.pending = true;
    ui.answers = {true, false};
    runList();
    EXPECT_EQ(ui.questions.front(), "Save New Comment Additions Before Exporting?");
    EXPECT_EQ(ui.saves, 1);

    ui.pending = true;
    ui.questions.clear();
    runList(1); // a non-zero argument skips the question
    EXPECT_NE(ui.questions.front(), "Save New Comment Additions Before Exporting?");
}

TEST_F(ExportWorkersTest, AFailureIsReportedOnceAndLeavesNoPartialCopy) {
    loadRecording();
    fs::remove(working.file("call.ZOQ"));
    runList();
    EXPECT_EQ(ui.shown, std::vector<std::string>{"Unable to open Recording file, problem with " +
                                                 working.file("call.ZOQ") + "."});
    EXPECT_EQ(log.lines, ui.shown);
    EXPECT_FALSE(fs::exists(list() + "/Recs/call.ZOQ"));
    EXPECT_EQ(ui.statuses.back(), "Add To CD &Export List");

    // A missing disc menu in the working directory stops the run where it is found.
    ui.shown.clear();
    loadRecording();
    fs::remove(working.file("Vantrel.Exe"));
    fs::remove_all(list());
    runList();
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].rfind("copyProgramFile from " + working.file("Vantrel.Exe"), 0), 0u);
}

// An installed player: the working directory has neither the disc writer nor the disc menu, the
// install's helper directory has both; one the working directory brings still comes first.
TEST_F(ExportWorkersTest, TheDiscWriterAndTheMenuComeFromTheInstallWhenTheWorkingDirectoryHasNone) {
    test::TempDir helpers;
    setting.helperDirectory = helpers.path().string();
    fs::rename(working.file("Oskaret.exe"), helpers.file("Oskaret.exe"));
    fs::rename(working.file("Vantrel.Exe"), helpers.file("Vantrel.Exe"));
    loadRecording();
    ui.answers = {true};
    runList();
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(test::readFileText(list() + "/Vantrel.Exe"), "menu");
    EXPECT_EQ(discArgument(), "^K1 ^F" + list()); // written by the installed disc writer

    // The working directory's own menu wins over the install's.
    fs::remove_all(list());
    test::writeFileBytes(working.file("Vantrel.Exe"), {'o', 'w', 'n'});
    loadRecording();
    ui.answers = {true};
    runList();
    EXPECT_EQ(test::readFileText(list() + "/Vantrel.Exe"), "own");
}

TEST(ProgramLocations, TheHelperDirectoryIsFoundFromTheProgramsOwnPlace) {
    EXPECT_EQ(helperDirectoryOf("/opt/kestrum/bin/kestrum"), "/opt/kestrum/bin/../lib/kestrum");
    EXPECT_EQ(helperDirectoryOf("kestrum"), "");
    test::TempDir places;
    fs::create_directories(places.path() / "work");
    fs::create_directories(places.path() / "lib");
    test::writeFileBytes(places.file("lib/Oskaret.exe"), {'#', '!'});
    const HelperPlaces both{places.file("work"), places.file("lib")};
    // Not executable: copied, but not started.
    EXPECT_EQ(findHelperProgram("Oskaret.exe", both, HelperUse::Copy).path(), places.file("lib/Oskaret.exe"));
    EXPECT_FALSE(findHelperProgram("Oskaret.exe", both, HelperUse::Start).found());
    fs::permissions(places.file("lib/Oskaret.exe"), fs::perms(0700));
    EXPECT_EQ(findHelperProgram("Oskaret.exe", both, HelperUse::Start).path(),
              places.file("lib/Oskaret.exe"));
    test::writeFileBytes(places.file("work/Oskaret.exe"), {'#', '!'});
    fs::permissions(places.file("work/Oskaret.exe"), fs::perms(0700));
    EXPECT_EQ(findHelperProgram("Oskaret.exe", both, HelperUse::Start).path(),
              places.file("work/Oskaret.exe"));
    // What was checked is what is used, whatever has the name since.
    const FoundProgram checked = findHelperProgram("Oskaret.exe", both, HelperUse::Copy);
    fs::remove(places.file("work/Oskaret.exe"));
    test::writeFileBytes(places.file("work/Oskaret.exe"), {'s', 'w', 'a', 'p'});
    char first[2] = {};
    EXPECT_EQ(::pread(checked.descriptor(), first, 2, 0), 2);
    EXPECT_EQ(std::string(first, 2), "#!");
    // A directory of that name is not a program.
    fs::create_directories(places.path() / "work/Vantrel.Exe");
    EXPECT_FALSE(findHelperProgram("Vantrel.Exe", {places.file("work"), ""}, HelperUse::Copy).found());
}

// The trust rule, place by place: a program is taken from the working directory only when it and
// the directory are the user's (or root's), not links and not writable by group or others; else
// the install's helper directory's is, whose links (as the install makes them) lead to a file and
// folder that must pass the same rule.
TEST(ProgramLocations, AProgramIsTakenOnlyFromAPlaceNoOtherUserCanWrite) {
    const std::optional<test::OtherUser> other = test::otherUser();
    struct Case {
        const char* what;
        std::function<void(const fs::path& root)> plant;
        const char* foundIn; // "work", "lib", or "" for none
        std::string refusal; // "@" stands for the places' root
    };
    const auto chmod = [](const fs::path& path, unsigned mode) { fs::permissions(path, fs::perms(mode)); };
    std::vector<Case> cases{
        {"the user's program in the user's folder", [](const fs::path&) {}, "work", ""},
        {"a program writable by the group", [&](const fs::path& r) { chmod(r / "work/Oskaret.exe", 0770); },
         "lib", "@/work/Oskaret.exe: it can be written by other users"},
        {"a program writable by others", [&](const fs::path& r) { chmod(r / "work/Oskaret.exe", 0707); },
         "lib", "@/work/Oskaret.exe: it can be written by other users"},
        {"a folder writable by the group", [&](const fs::path& r) { chmod(r / "work", 0770); }, "lib",
         "@/work/Oskaret.exe: its folder can be written by other users"},
        {"a shared folder (1777)", [&](const fs::path& r) { chmod(r / "work", 01777); }, "lib",
         "@/work/Oskaret.exe: its folder can be written by other users"},
        {"a program that is a link, even to a good one",
         [](const fs::path& r) {
             fs::remove(r / "work/Oskaret.exe");
             fs::create_symlink(r / "lib/Oskaret.exe", r / "work/Oskaret.exe");
         },
         "lib", "@/work/Oskaret.exe: it is a symbolic link"},
        {"a working directory that is a link",
         [](const fs::path& r) {
             fs::rename(r / "work", r / "real");
             fs::create_directory_symlink(r / "real", r / "work");
         },
         "lib", "@/work/Oskaret.exe: its folder is a symbolic link"},
        {"the installed menu's link into the programs' folder",
         [](const fs::path& r) {
             fs::remove(r / "work/Oskaret.exe");
             fs::remove(r / "lib/Oskaret.exe");
             fs::create_directory(r / "bin");
             test::writeFileBytes((r / "bin/oskaret").string(), {'#', '!'});
             fs::permissions(r / "bin/oskaret", fs::perms(0755));
             fs::create_symlink("../bin/oskaret", r / "lib/Oskaret.exe");
         },
         "lib", ""},
        {"an installed link leading into a folder others can write",
         [](const fs::path& r) {
             fs::remove(r / "work/Oskaret.exe");
             fs::remove(r / "lib/Oskaret.exe");
             fs::create_directory(r / "shared");
             fs::permissions(r / "shared", fs::perms(01777));
             test::writeFileBytes((r / "shared/oskaret").string(), {'#', '!'});
             fs::permissions(r / "shared/oskaret", fs::perms(0755));
             fs::create_symlink("../shared/oskaret", r / "lib/Oskaret.exe");
         },
         "", "@/lib/Oskaret.exe: it leads into @/shared, which can be written by other users"},
    };
    if (other) {
        cases.push_back({"another user's program",
                         [&](const fs::path& r) { test::handOver(r / "work/Oskaret.exe", *other); }, "lib",
                         "@/work/Oskaret.exe: it belongs to another user"});
        cases.push_back({"another user's folder",
                         [&](const fs::path& r) { test::handOver(r / "work", *other); }, "lib",
                         "@/work/Oskaret.exe: its folder belongs to another user"});
        cases.push_back({"another user's installed folder, and nothing else",
                         [&](const fs::path& r) {
                             fs::remove(r / "work/Oskaret.exe");
                             test::handOver(r / "lib", *other);
                         },
                         "", "@/lib/Oskaret.exe: its folder belongs to another user"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir places;
        const fs::path& root = places.path();
        for (const char* folder : {"work", "lib"}) {
            fs::create_directory(root / folder);
            fs::permissions(root / folder, fs::perms(0755));
            test::writeFileBytes((root / folder / "Oskaret.exe").string(), {'#', '!'});
            fs::permissions(root / folder / "Oskaret.exe", fs::perms(0755));
        }
        c.plant(root);
        const FoundProgram found =
            findHelperProgram("Oskaret.exe", {places.file("work"), places.file("lib")}, HelperUse::Start);
        EXPECT_EQ(found.path(), *c.foundIn ? (root / c.foundIn / "Oskaret.exe").string() : "");
        std::string refusal = c.refusal;
        for (std::size_t at = refusal.find('@'); at != std::string::npos; at = refusal.find('@'))
            refusal.replace(at, 1, root.string());
        EXPECT_EQ(found.refusals(), refusal);
    }
    if (!other)
        GTEST_SKIP() << "programs of another user need the tests to run as root";
}

TEST_F(ExportWorkersTest, ADiscProgramThatCannotStartIsSaidButNotLogged) {
    loadRecording();
    fs::remove(working.file("Oskaret.exe"));
    const char* path = std::getenv("PATH");
    const std::string saved = path ? path : "";
    ::setenv("PATH", working.path().c_str(), 1);
    ui.answers = {true};
    runList();
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(ui.shown, std::vector<std::string>{"Unable to Start Export Process."});
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(fs::exists(list() + "/Recs/call.ZOQ")); // the list stays
}

TEST_F(ExportWorkersTest, CdAudioOfTheWholeRecordingOrTheLoopGoesToATemporaryFileThatIsGoneAfterwards) {
    // The disc program keeps a copy of the file it was given.
    const std::string script = "#!/bin/sh\nprintf '%s' \"$1\" > \"" + working.file("disc-argument") +
                               "\"\ncp \"${1#^F}\" \"" + working.file("cd.raw") + "\"\n" +
                               "stat -c %a \"${1#^F}\" > \"" + working.file("cd.mode") + "\"\n";
    test::writeFileBytes(working.file("Oskaret.exe"), {script.begin(), script.end()});
    SampleStore store;
    store.append(test::makeAudio(16000)); // two seconds at 8000 Hz
    AudioExportWorker(setting, 0, {0, 16000}, store, kPcmDefaultFormat, ui, log).run();
    const std::string argument = discArgument();
    ASSERT_EQ(argument.rfind("^F" + temporary.path().string() + "/KESTRUM", 0), 0u) << argument;
    EXPECT_FALSE(fs::exists(argument.substr(2)));
    EXPECT_EQ(fs::file_size(working.file("cd.raw")), 2u * 176400);
    EXPECT_EQ(test::readFileText(working.file("cd.mode")), "600\n"); // the call's sound is the user's alone
    EXPECT_EQ(ui.statuses,
              (std::vector<std::string>{"Export Started", "Processing File", "Processing block 0",
                                        "CD WORKING", "Add To CD &Export List"}));

    ui.statuses.clear();
    AudioExportWorker(setting, 1, {4000, 4000}, store, kPcmDefaultFormat, ui, log).run();
    EXPECT_EQ(fs::file_size(working.file("cd.raw")), 176400u / 2);
    EXPECT_EQ(ui.statuses, (std::vector<std::string>{"Export Started", "Processing File", "CD WORKING",
                                                     "Add To CD &Export List"}));
    EXPECT_TRUE(ui.shown.empty());
}

// What another local user may have put at the list's place before the export.
TEST_F(ExportWorkersTest, AListPlaceThatIsNotTheUsersAloneIsRefusedAndNothingIsTouched) {
    loadRecording();
    // A folder of the user's with recordings of its own, where a link may point.
    const fs::path folder = working.path() / "folder";
    fs::create_directories(folder / "Recs");
    test::writeFileBytes((folder / "Recs" / "kept.ZOQ").string(), {'k'});
    test::writeFileBytes((folder / "notes.txt").string(), {'n'});
    const std::optional<test::OtherUser> other = test::otherUser();

    struct Case {
        const char* what;
        std::function<void()> plant;
        std::string message;
    };
    std::vector<Case> cases{
        {"the list a link to the user's folder", [&] { fs::create_directory_symlink(folder, list()); },
         "dataExportCheckDirectory will not use " + list() + ": it is a symbolic link"},
        {"Recs a link to the user's folder",
         [&] {
             fs::create_directory(list());
             fs::permissions(list(), fs::perms(0700));
             fs::create_directory_symlink(folder / "Recs", list() + "/Recs");
         },
         "dataExportCheckDirectory will not use " + list() + "/Recs: it is a symbolic link"},
        {"the list writable by the group",
         [&] {
             fs::create_directories(list() + "/Recs");
             test::writeFileBytes(list() + "/Recs/planted.ZOQ", {'p'});
             fs::permissions(list(), fs::perms(0775));
         },
         "dataExportCheckDirectory will not use " + list() + ": it can be written by other users"},
    };
    if (other)
        cases.push_back({"the list another user's, with a recording of theirs",
                         [&] {
                             fs::create_directories(list() + "/Recs");
                             test::writeFileBytes(list() + "/Recs/theirs.ZOQ", {'t'});
                             for (const char* path : {"", "/Recs", "/Recs/theirs.ZOQ"})
                                 test::handOver(list() + path, *other);
                         },
                         "dataExportCheckDirectory will not use " + list() + ": it belongs to another user"});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.plant();
        const test::FolderContents before = test::folderContents(temporary.path());
        const test::FolderContents folderBefore = test::folderContents(folder);
        ui = test::FakeExportUi{};
        loadRecording();
        log.lines.clear();
        ui.answers = {true, true, true}; // whatever is asked
        runList();
        EXPECT_EQ(ui.shown, std::vector<std::string>{c.message});
        EXPECT_EQ(log.lines, ui.shown);
        EXPECT_TRUE(ui.questions.empty()) << ui.questions.front();
        EXPECT_EQ(test::folderContents(temporary.path()), before);
        EXPECT_EQ(test::folderContents(folder), folderBefore);
        EXPECT_FALSE(fs::exists(working.file("disc-argument")));
        fs::remove_all(list());
    }
    if (!other)
        GTEST_SKIP() << "a list of another user needs the tests to run as root";
}

TEST_F(ExportWorkersTest, LinksInTheListAreReplacedOrRemovedNeverFollowed) {
    loadRecording();
    const fs::path folder = working.path() / "folder";
    fs::create_directory(folder);
    for (const char* name : {"precious.ZOQ", "autorun", "program"})
        test::writeFileBytes((folder / name).string(), {'m', 'i', 'n', 'e'});
    const test::FolderContents folderBefore = test::folderContents(folder);

    // Links planted where the list's files go: the copy, the autorun file, a program.
    fs::create_directories(list() + "/Recs");
    fs::permissions(list(), fs::perms(0700));
    fs::create_symlink(folder / "precious.ZOQ", list() + "/Recs/call.ZOQ");
    fs::create_symlink(folder / "autorun", list() + "/AutoRun.Inf");
    fs::create_symlink(folder / "program", list() + "/Vantrel.Exe");
    ui.answers = {false}; // keep the list
    runList();
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
    EXPECT_EQ(test::folderContents(folder), folderBefore);
    for (const char* name : {"/Recs/call.ZOQ", "/AutoRun.Inf", "/Vantrel.Exe"})
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(list() + name))) << name;
    EXPECT_EQ(checkStampedCopy(list() + "/Recs/call.ZOQ").problem, "");
    EXPECT_EQ(test::readFileText(list() + "/AutoRun.Inf"),
              "[autorun]\r\nopen=Vantrel.Exe\r\nicon=Vantrel.Exe\r\n");
    EXPECT_EQ(test::readFileText(list() + "/Vantrel.Exe"), "menu");

    // Clearing the list removes links as links: what they point to stays.
    fs::create_symlink(folder / "precious.ZOQ", list() + "/Recs/linked.ZOQ");
    fs::create_symlink(folder / "program", list() + "/Kestrum.Exe.old");
    ui = test::FakeExportUi{};
    loadRecording();
    ui.answers = {true, true, false}; // clear? yes; proceed? yes; finished? no
    runList();
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
    EXPECT_FALSE(fs::exists(fs::symlink_status(list() + "/Recs/linked.ZOQ")));
    EXPECT_FALSE(fs::exists(fs::symlink_status(list() + "/Kestrum.Exe.old")));
    EXPECT_EQ(test::folderContents(folder), folderBefore);

    // A file of another user in the list is never removed.
    const std::optional<test::OtherUser> other = test::otherUser();
    if (!other)
        GTEST_SKIP() << "a file of another user needs the tests to run as root";
    test::writeFileBytes(list() + "/Recs/theirs.ZOQ", {'t'});
    test::handOver(list() + "/Recs/theirs.ZOQ", *other);
    ui = test::FakeExportUi{};
    loadRecording();
    ui.answers = {true, true, false};
    runList();
    EXPECT_EQ(ui.shown, std::vector<std::string>{"deleteAllFiles will not remove " + list() +
                                                 "/Recs/theirs.ZOQ: it belongs to another user"});
    EXPECT_EQ(test::readFileText(list() + "/Recs/theirs.ZOQ"), "t");
}

// A working directory others can write (1777), where another user planted a disc writer and a
// disc menu of their own, and a player that is a link to the user's private file: none of them
// is run or goes onto the list; the user's installed programs are used, or the refusal is said.
TEST_F(ExportWorkersTest, ProgramsPlantedInASharedWorkingDirectoryAreNeitherRunNorCopied) {
    const std::optional<test::OtherUser> other = test::otherUser();
    if (!other)
        GTEST_SKIP() << "programs of another user need the tests to run as root";
    loadRecording();
    test::TempDir installed;
    test::TempDir home;
    fs::permissions(installed.path(), fs::perms(0755));
    for (const char* program : {"Oskaret.exe", "Vantrel.Exe", "player-binary"})
        fs::rename(working.file(program), installed.file(program));
    setting.helperDirectory = installed.path().string();
    setting.ownExecutable = installed.file("player-binary");
    test::writeFileBytes(home.file("private.txt"), {'s', 'e', 'c', 'r', 'e', 't'});
    fs::permissions(working.path(), fs::perms(01777));
    const std::string planter = "printf '#!/bin/sh\\ntouch ran\\n' > Oskaret.exe && chmod 755 Oskaret.exe && "
                                "printf theirs > Vantrel.Exe && chmod 755 Vantrel.Exe && "
                                "ln -s " +
                                home.file("private.txt") + " Kestrum.Exe";
    const std::vector<std::string> command = test::commandAs(*other, "/bin/sh", {"-c", planter});
    test::ProcessOptions options;
    options.workingDirectory = working.path().string();
    const test::ProcessResult planted =
        test::runProcess(command[0], {command.begin() + 1, command.end()}, options);
    ASSERT_EQ(planted.exitCode, 0) << planted.err;

    ui.answers = {true}; // finished adding: write the disc
    runList();
    EXPECT_TRUE(ui.shown.empty()) << ui.shown.front();
    EXPECT_EQ(test::readFileText(list() + "/Vantrel.Exe"), "menu");
    EXPECT_EQ(test::readFileText(list() + "/Kestrum.Exe"), "play");
    EXPECT_EQ(discArgument(), "^K1 ^F" + list()); // written by the installed disc writer
    EXPECT_FALSE(fs::exists(working.file("ran")));
    const std::string w = working.path().string();
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{
                  "copyProgramFile will not copy " + w + "/Vantrel.Exe: it belongs to another user",
                  "copyProgramFile will not copy " + w + "/Kestrum.Exe: it is a symbolic link",
                  "startProgram will not run " + w + "/Oskaret.exe: it belongs to another user"}));

    // Nothing installed: the refusals are said, and nothing runs or is copied.
    setting.helperDirectory.clear();
    fs::remove_all(list());
    fs::remove(working.file("disc-argument"));
    ui = test::FakeExportUi{};
    loadRecording();
    ui.answers = {true};
    runList();
    EXPECT_EQ(ui.shown, std::vector<std::string>{"copyProgramFile will not copy " + w +
                                                 "/Vantrel.Exe: it belongs to another user"});
    EXPECT_FALSE(fs::exists(fs::symlink_status(list() + "/Vantrel.Exe")));
    SampleStore store;
    store.append(test::makeAudio(8000));
    ui.shown.clear();
    AudioExportWorker(setting, 0, {0, 8000}, store, kPcmDefaultFormat, ui, log).run();
    EXPECT_EQ(ui.shown, (std::vector<std::string>{"startProgram will not run " + w +
                                                      "/Oskaret.exe: it belongs to another user",
                                                  "SExpThread could not create process"}));
    EXPECT_FALSE(fs::exists(working.file("ran")));
}

TEST_F(ExportWorkersTest, APlayerClosingStopsAWorkerAtItsNextStepWithNothingLeftBehind) {
    loadRecording();
    const std::atomic<bool> stop{true};
    ExportListWorker(setting, 0, ui, log, &stop).run();
    EXPECT_FALSE(fs::exists(list()));
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(ui.statuses.back(), "Add To CD &Export List");

    // The CD audio: converted no further, no disc program, no temporary file.
    SampleStore store;
    store.append(test::makeAudio(16000));
    AudioExportWorker(setting, 0, {0, 16000}, store, kPcmDefaultFormat, ui, log, &stop).run();
    EXPECT_FALSE(fs::exists(working.file("disc-argument")));
    EXPECT_EQ(std::count_if(fs::directory_iterator(temporary.path()), fs::directory_iterator(),
                            [](const auto& entry) {
                                return entry.path().filename().string().rfind("KESTRUM", 0) == 0;
                            }),
              0);
    EXPECT_EQ(log.lines.back(), "SExpThread::Execute stopped as the player closed");
    EXPECT_TRUE(ui.shown.empty());
}

// The windows of a run that meets an exception: memory running out once the conversion is under
// way, or anything else thrown by a question.
class FailingExportUi : public test::FakeExportUi {
  public:
    void setExportButtonLook(const ButtonLook& newLook) override {
        if (newLook.caption.rfind("Processing block", 0) == 0)
            throw std::bad_alloc();
        FakeExportUi::setExportButtonLook(newLook);
    }
    bool askNoByDefault(const std::string&) override { throw std::runtime_error("no answer to give"); }
};

TEST_F(ExportWorkersTest, AnExceptionInAWorkerIsReportedAndEndsThatRunWithNothingLeftBehind) {
    loadRecording();
    FailingExportUi failing;
    failing.recording = ui.recording.copyWithoutFile();
    WorkerThread thread(failing, log);
    SampleStore store;
    store.append(test::makeAudio(16000));
    thread.start([&] {
        AudioExportWorker(setting, 0, {0, 16000}, store, kPcmDefaultFormat, failing, log).run();
    });
    thread.join();
    EXPECT_FALSE(thread.running());
    EXPECT_EQ(failing.shown, std::vector<std::string>{"Out of memory"});
    EXPECT_EQ(log.lines.back(), "Out of memory");
    EXPECT_EQ(failing.look.caption, "Add To CD &Export List"); // the button as it was
    EXPECT_FALSE(fs::exists(working.file("disc-argument")));
    EXPECT_EQ(std::count_if(fs::directory_iterator(temporary.path()), fs::directory_iterator(),
                            [](const auto& entry) {
                                return entry.path().filename().string().rfind("KESTRUM", 0) == 0;
                            }),
              0);

    // The list's run, thrown out of at its question, and the same thread running again after it.
    failing.shown.clear();
    thread.start([&] { ExportListWorker(setting, 0, failing, log).run(); });
    thread.join();
    EXPECT_EQ(failing.shown, std::vector<std::string>{"no answer to give"});
    EXPECT_EQ(failing.look.caption, "Add To CD &Export List");
    EXPECT_FALSE(fs::exists(working.file("disc-argument")));
}

TEST_F(ExportWorkersTest, AStatusOfAHundredCharactersIsNotShown) {
    showExportStatus(ui, std::string(99, 's'));
    showExportStatus(ui, std::string(100, 'x'));
    ASSERT_EQ(ui.statuses.size(), 1u);
    EXPECT_EQ(ui.statuses[0].size(), 99u);
    EXPECT_EQ(ui.look.colour, 0x0000C0u);
}

} // namespace
} // namespace kestrum
