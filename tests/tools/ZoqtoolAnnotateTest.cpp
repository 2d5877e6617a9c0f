// zoqtool comment and keyword on real files, including a disk that fills up during the save, many
// writers saving into one call at once (also as two users sharing a folder), and a call another
// program holds.

#include "recording/FieldText.h"
#include "recording/QuietRead.h"
#include "support/OtherUser.h"
#include "support/ProcessRunner.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::RecordingBuilder;

class ZoqtoolAnnotateTest : public ::testing::Test {
  protected:
    test::ProcessResult zoqtool(const std::vector<std::string>& arguments) {
        return test::runProcess(ZOQTOOL_BINARY, arguments);
    }

    // Whether the recording is alone in its folder: no temporary file was left beside it.
    bool alone() const {
        return std::distance(std::filesystem::directory_iterator(dir.path()),
                             std::filesystem::directory_iterator()) == 1;
    }

    // Starts every command line (a program and its arguments) at the same moment and waits for all.
    using CommandLine = std::vector<std::string>;
    static std::vector<test::ProcessResult> atOnce(const std::vector<CommandLine>& commands) {
        std::vector<std::unique_ptr<test::RunningProcess>> started;
        for (const CommandLine& line : commands)
            started.push_back(
                std::make_unique<test::RunningProcess>(line[0], CommandLine(line.begin() + 1, line.end())));
        std::vector<test::ProcessResult> results;
        for (const auto& run : started)
            results.push_back(run->wait(60));
        return results;
    }
    static CommandLine zoqtoolLine(const CommandLine& arguments) {
        CommandLine line{ZOQTOOL_BINARY};
        line.insert(line.end(), arguments.begin(), arguments.end());
        return line;
    }

    // The recording as the player reads it, comments and keywords too.
    RecordingState readBack() const {
        RecordingState recording;
        recording.recordingPath = path;
        std::string problem;
        EXPECT_TRUE(readRecordingQuietly(recording, true, &problem)) << problem;
        return recording;
    }
    static int timesIn(const std::string& text, const std::string& part) {
        int times = 0;
        for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++times;
        return times;
    }
    // The positions stored under `word`, in slot order; empty when it is not there.
    static std::vector<std::uint32_t> positionsOf(const RecordingState& recording, const std::string& word) {
        for (int i = 0; i < recording.scannedWordTotal; ++i) {
            const ScannedWord& entry = recording.scannedWords[static_cast<std::size_t>(i)];
            if (fieldText(entry.word) != word)
                continue;
            std::vector<std::uint32_t> positions;
            for (const std::uint32_t position : entry.positions)
                if (position != 0)
                    positions.push_back(position);
            return positions;
        }
        return {};
    }
    // Whether the file ends in exactly the audio it was made with, and the reader finds no more.
    bool audioAsMade(const RecordingBuilder& builder) const {
        const std::vector<std::uint8_t> bytes = test::readFileBytes(path);
        return readBack().audioLength == builder.audio.size() && bytes.size() > builder.audio.size() &&
               std::equal(builder.audio.begin(), builder.audio.end(), bytes.end() - builder.audio.size());
    }

    test::TempDir dir;
    std::string path = dir.file("call.ZOQ");
};

// What the writers of a round add: comments "note R-I", keywords "wR-I" at I+1 seconds, and
// positions under one keyword, "gun", that all writers share (R*2 + J + 0.5 seconds).
struct Additions {
    std::vector<std::vector<std::string>> runs; // zoqtool's arguments
    std::vector<std::string> comments;
    std::vector<std::pair<std::string, std::uint32_t>> words; // word, byte position (8000 a second)
    std::vector<std::uint32_t> gun;
};

Additions additionsOf(const std::string& path, int round, int comments, int words, int gunPositions) {
    Additions added;
    for (int i = 0; i < comments; ++i) {
        added.comments.push_back("note " + std::to_string(round) + "-" + std::to_string(i));
        added.runs.push_back({"comment", path, added.comments.back()});
    }
    for (int i = 0; i < words; ++i) {
        added.words.emplace_back("w" + std::to_string(round) + "-" + std::to_string(i), 8000u * (i + 1));
        added.runs.push_back({"keyword", path, added.words.back().first, std::to_string(i + 1)});
    }
    for (int j = 0; j < gunPositions; ++j) {
        const int halfSeconds = 4 * round + 2 * j + 1;
        added.gun.push_back(4000u * halfSeconds);
        added.runs.push_back({"keyword", path, "gun", std::to_string(halfSeconds / 2) + ".5"});
    }
    return added;
}

TEST_F(ZoqtoolAnnotateTest, AddsAStampedCommentAndAKeyword) {
    RecordingBuilder builder(11);
    builder.comments = "first\r\n";
    builder.audio = test::makeAudio(24000);
    builder.writeTo(path);

    test::ProcessResult result = zoqtool({"comment", path, "two\nlines"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = zoqtool({"keyword", path, "Gun", "2.5"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = zoqtool({"keyword", path, "gun", "1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    result = zoqtool({"info", path});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The stamp names the date, time, user and computer; the lines follow it.
    EXPECT_NE(result.out.find("  first\n  "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find(" @ "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("\n  two\n  lines\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("                Gun    2    1 "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("audioLength            24000"), std::string::npos) << result.out;
    EXPECT_TRUE(alone());
}

TEST_F(ZoqtoolAnnotateTest, TypedTextIsStoredAsWindows1252AndPrintedBackAsUtf8) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(24000);
    builder.writeTo(path);
    ASSERT_EQ(zoqtool({"comment", path, "\u20AC5 caf\u00E9"}).exitCode, 0);
    // Nineteen characters, more UTF-8 bytes than that.
    const std::string word = "\u00DCberwachung-\u00C4\u00D6\u00DC\u00E4\u00F6\u00FC\u00DF";
    ASSERT_EQ(zoqtool({"keyword", path, word, "2"}).exitCode, 0);

    const std::string stored = test::readFileText(path);
    EXPECT_NE(stored.find("\r\n\x80"
                          "5 caf\xE9\r\n"),
              std::string::npos);
    EXPECT_NE(stored.find("\xDC"
                          "berwachung-\xC4\xD6\xDC\xE4\xF6\xFC\xDF"),
              std::string::npos);
    const test::ProcessResult info = zoqtool({"info", path});
    EXPECT_NE(info.out.find("\n  \u20AC5 caf\u00E9\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\n  " + word + "    2 \n"), std::string::npos) << info.out;
}

TEST_F(ZoqtoolAnnotateTest, RefusalsExit1WithTheirMessage) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000);
    builder.writeTo(path);
    const std::vector<std::uint8_t> original = builder.bytes();

    test::ProcessResult result = zoqtool({"keyword", path, "gun", "0"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error, Start Play Position is Equal to or Less than Beginning\n");
    result = zoqtool({"keyword", path, "   ", "0.5"});
    EXPECT_EQ(result.err, "Error, Key Word Cannot be Blank\n");
    result = zoqtool({"keyword", path, "twenty-characters-xx", "0.5"});
    EXPECT_EQ(result.exitCode, 1);
    // A character a recording cannot hold, in a keyword or a comment.
    result = zoqtool({"keyword", path, "\u03A9", "0.5"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error, Key Word Cannot Hold \"\u03A9\" (U+03A9): a recording keeps Windows-1252 "
                          "characters only\n");
    result = zoqtool({"comment", path, "\u4E2D"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Error, Comments Cannot Hold \"\u4E2D\" (U+4E2D): a recording keeps Windows-1252 "
                          "characters only\n");
    result = zoqtool({"comment", dir.file("absent.ZOQ"), "abc"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Could not open file\n" + dir.file("absent.ZOQ") + "\n");
    EXPECT_EQ(zoqtool({"comment", path}).exitCode, 2);
    EXPECT_EQ(test::readFileBytes(path), original);
}

TEST_F(ZoqtoolAnnotateTest, AFullDiskLeavesTheRecordingIntactAndNoTemporaryFile) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(40000);
    builder.writeTo(path);
    const std::vector<std::uint8_t> original = builder.bytes();
    // Files may grow to 20 KiB only, and going past that is an error rather than a fatal signal.
    const test::ProcessResult result =
        test::runProcess("/bin/bash", {"-c", "trap '' XFSZ; ulimit -f 20; exec \"$0\" comment \"$1\" abc",
                                       ZOQTOOL_BINARY, path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("UpdateTextComments"), std::string::npos) << result.err;
    EXPECT_EQ(test::readFileBytes(path), original);
    EXPECT_TRUE(alone());
}

TEST_F(ZoqtoolAnnotateTest, WritersAtOnceKeepEveryCommentAndKeywordAndTheAudio) {
    struct Case {
        const char* what;
        int rounds, comments, words, gunPositions;
    };
    // The last case's rounds fill all ten slots of "gun" between them.
    for (const Case& c : {Case{"twenty comments at once", 1, 20, 0, 0},
                          Case{"55 comments and keywords in five rounds of eleven", 5, 6, 3, 2}}) {
        SCOPED_TRACE(c.what);
        RecordingBuilder builder(9);
        builder.comments = "first\r\n";
        builder.words = {test::makeWord("radio", {8000})};
        builder.audio = test::makeAudio(80000);
        builder.writeTo(path);
        std::vector<Additions> rounds;
        for (int round = 0; round < c.rounds; ++round) {
            rounds.push_back(additionsOf(path, round, c.comments, c.words, c.gunPositions));
            std::vector<CommandLine> commands;
            for (const CommandLine& run : rounds.back().runs)
                commands.push_back(zoqtoolLine(run));
            for (const test::ProcessResult& result : atOnce(commands))
                EXPECT_TRUE(result.exitCode == 0 && result.err.empty())
                    << result.exitCode << " " << result.err;
        }

        const RecordingState saved = readBack();
        EXPECT_EQ(saved.commentText.rfind("first\r\n", 0), 0u);
        std::vector<std::uint32_t> gun;
        for (const Additions& added : rounds) {
            for (const std::string& comment : added.comments)
                EXPECT_EQ(timesIn(saved.commentText, "\r\n" + comment + "\r\n"), 1) << comment;
            for (const auto& [word, position] : added.words)
                EXPECT_EQ(positionsOf(saved, word), std::vector<std::uint32_t>{position}) << word;
            gun.insert(gun.end(), added.gun.begin(), added.gun.end());
        }
        std::vector<std::uint32_t> savedGun = positionsOf(saved, "gun");
        std::sort(savedGun.begin(), savedGun.end());
        EXPECT_EQ(savedGun, gun);
        EXPECT_EQ(positionsOf(saved, "radio"), std::vector<std::uint32_t>{8000});
        EXPECT_EQ(saved.scannedWordTotal, 1 + c.rounds * c.words + (gun.empty() ? 0 : 1));
        EXPECT_TRUE(audioAsMade(builder));
        EXPECT_TRUE(alone());
    }
}

TEST_F(ZoqtoolAnnotateTest, TwoUsersSharingAGroupFolderKeepEveryAdditionAndTheCallsGroupAndMode) {
    const std::optional<test::OtherUser> other = test::otherUser();
    const group* team = ::getgrnam("users");
    if (!other || team == nullptr)
        GTEST_SKIP() << "another user and the group \"users\" need the tests to run as root";
    const gid_t teamGroup = team->gr_gid;
    fs::permissions(dir.path(), fs::perms(0755));
    const fs::path shared = dir.path() / "team";
    path = (shared / "call.ZOQ").string();
    // The team's folder the README describes (setgid, 2770), and one without the setgid bit, where
    // the saves themselves keep the call's group.
    for (const unsigned folderMode : {02770u, 0770u}) {
        SCOPED_TRACE(folderMode);
        fs::remove_all(shared);
        fs::create_directory(shared);
        ASSERT_EQ(::chown(shared.c_str(), 0, teamGroup), 0);
        ASSERT_EQ(::chmod(shared.c_str(), folderMode), 0);
        RecordingBuilder builder(10);
        builder.audio = test::makeAudio(32 * 400);
        builder.writeTo(path);
        ASSERT_EQ(::chown(path.c_str(), other->uid, teamGroup), 0);
        ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
        const auto asOther = [&](const CommandLine& arguments) {
            return test::commandAs(*other, ZOQTOOL_BINARY, arguments, {teamGroup});
        };
        const test::ProcessResult probe = atOnce({asOther({"info", path})})[0];
        if (probe.exitCode != 0)
            GTEST_SKIP() << "the other user cannot run the build's zoqtool here: " << probe.err;

        // Root and the other user, each adding four comments and two keywords, all at once.
        const Additions root = additionsOf(path, 0, 4, 2, 0), theirs = additionsOf(path, 1, 4, 2, 0);
        std::vector<CommandLine> commands;
        for (const CommandLine& run : root.runs)
            commands.push_back(zoqtoolLine(run));
        for (const CommandLine& run : theirs.runs)
            commands.push_back(asOther(run));
        for (const test::ProcessResult& result : atOnce(commands))
            EXPECT_TRUE(result.exitCode == 0 && result.err.empty()) << result.exitCode << " " << result.err;

        const RecordingState saved = readBack();
        for (const Additions* added : {&root, &theirs}) {
            for (const std::string& comment : added->comments)
                EXPECT_EQ(timesIn(saved.commentText, "\r\n" + comment + "\r\n"), 1) << comment;
            for (const auto& [word, position] : added->words)
                EXPECT_EQ(positionsOf(saved, word), std::vector<std::uint32_t>{position}) << word;
        }
        EXPECT_TRUE(audioAsMade(builder));
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_gid, teamGroup);
        EXPECT_EQ(info.st_mode & 07777, 0660u);
        EXPECT_EQ(std::distance(fs::directory_iterator(shared), fs::directory_iterator()), 1);
    }
}

TEST_F(ZoqtoolAnnotateTest, ACallAnotherProgramHoldsIsWaitedForTenSecondsThenLeftAsItIs) {
    RecordingBuilder builder(9);
    builder.comments = "first\r\n";
    builder.audio = test::makeAudio(8000);
    builder.writeTo(path);
    const std::vector<std::uint8_t> original = builder.bytes();
    const int held = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    // Held past the wait: both give up with the message, and nothing is written.
    const auto start = std::chrono::steady_clock::now();
    for (const test::ProcessResult& result :
         atOnce({zoqtoolLine({"comment", path, "late"}), zoqtoolLine({"keyword", path, "late", "0.5"})})) {
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err,
                  "UpdateTextComments the recording is being changed by another program\n" + path + "\n");
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(9900));
    EXPECT_EQ(test::readFileBytes(path), original);
    EXPECT_TRUE(alone());

    // Let go within the wait: the writer waiting saves.
    test::RunningProcess waiting(ZOQTOOL_BINARY, {"comment", path, "in time"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500)); // so that it finds the call held
    ::close(held);
    const test::ProcessResult saved = waiting.wait(30);
    EXPECT_EQ(saved.exitCode, 0) << saved.err;
    EXPECT_EQ(timesIn(readBack().commentText, "\r\nin time\r\n"), 1);
}

} // namespace
} // namespace kestrum
