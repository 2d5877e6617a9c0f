// Saving comments and keywords into the recording: the rewritten file byte for byte, and every
// failure leaving the recording as it was.

#include "recording/CommentRewrite.h"
#include "app/Annotations.h"
#include "app/KeywordListLines.h"
#include "recording/RecordingReader.h"
#include "recording/StoredAudio.h"
#include "support/FakeMessenger.h"
#include "support/OtherUser.h"
#include "support/RecordingBuilder.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::RecordingBuilder;

// 2004-03-05 09:07:02 in the test's time zone (UTC).
constexpr std::time_t kSavedAt = 1078477622;
const std::string kStamp = "3/05/2004 09:07:02 clerk @ DESK1";

class CommentRewriteTest : public ::testing::Test {
  protected:
    CommentRewriteTest() {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        state.environment.userName = "clerk";
        state.environment.computerName = "DESK1";
    }

    // Writes the recording and opens it as start-up does, comments and keywords read.
    void open(const RecordingBuilder& builder) {
        builder.writeTo(path);
        original = builder.bytes();
        state.recording = RecordingState{};
        state.recording.recordingPath = path;
        RecordingReader reader(state.recording, reporter, {});
        ASSERT_EQ(reader.openRecording(), 0) << messenger.onlyText();
        ASSERT_EQ(reader.computeAudioLength(), 0) << messenger.onlyText();
        showSectionsRead(state.recording, reader.sectionsRead(), windows);
        // As the player and zoqtool do: the sound opened, which a save adds to.
        state.recording.openedAudio =
            storedAudioOf(::fileno(state.recording.recordingFile.get()), state.recording);
        state.recording.closeRecordingFile();
    }
    int save(const std::string& newText) {
        windows.newComments = newText;
        return annotations.save();
    }
    std::vector<std::uint8_t> fileBytes() const { return test::readFileBytes(path); }
    // Whether a temporary file ("<name>.part" and letters) was left anywhere in the folder.
    bool temporaryLeft() const {
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(dir.path()))
            if (entry.path().filename().string().find(".part") != std::string::npos)
                return true;
        return false;
    }

    test::TempDir dir;
    std::string path = dir.file("call.ZOQ");
    std::vector<std::uint8_t> original;
    test::FakeMessenger messenger;
    test::FakeLog log;
    Reporter reporter{messenger, log};
    TextDisplays windows;
    PlayerState state;
    Annotations annotations{state, reporter, windows, [] { return kSavedAt; }};
};

TEST_F(CommentRewriteTest, AppendsTheStampAndTheNewTextBeforeTheKeywordsAndTheAudio) {
    for (const int version : {5, 7, 8, 9, 10, 11}) {
        RecordingBuilder builder(version);
        builder.comments = "old line\r\n";
        builder.words = {test::makeWord("gun", {8000, 16000}), test::makeWord("knife", {24000})};
        builder.audio = test::makeAudio(3000);
        open(builder);
        ASSERT_EQ(save("abc"), 0) << version << ": " << messenger.onlyText();

        RecordingBuilder expected = builder;
        expected.comments = "old line\r\n" + kStamp + "\r\nabc\r\n";
        EXPECT_EQ(fileBytes(), expected.bytes()) << "version " << version;
        EXPECT_FALSE(temporaryLeft());
        // The window now shows the stamp and the new line, the new comments are gone.
        EXPECT_EQ(windows.existingComments, expected.comments);
        EXPECT_EQ(windows.newComments, "");
        EXPECT_FALSE(state.recording.additionsPending);
    }
}

TEST_F(CommentRewriteTest, StoresTheNewLengthInTheHeaderField) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(100);
    open(builder);
    ASSERT_EQ(save("abc"), 0);
    const std::vector<std::uint8_t> bytes = fileBytes();
    const auto length = static_cast<std::uint32_t>(kStamp.size() + 2 + 3 + 2);
    EXPECT_EQ(bytes[279], length & 0xFF); // textLength of the 351-byte header, little-endian
    EXPECT_EQ(bytes[280], length >> 8);
    EXPECT_EQ(std::string(bytes.begin() + 351, bytes.begin() + 351 + length), kStamp + "\r\nabc\r\n");
}

TEST_F(CommentRewriteTest, TheSavedRecordingKeepsItsPermissionsOwnerAndGroup) {
    // A private call stays private, and one shared with a group stays shared, whatever the umask.
    const mode_t umask = ::umask(0);
    for (const unsigned mode : {0600u, 0640u}) {
        RecordingBuilder builder(9);
        builder.audio = test::makeAudio(100);
        open(builder);
        fs::permissions(path, fs::perms(mode));
        ASSERT_EQ(save("abc"), 0) << messenger.onlyText();
        EXPECT_EQ(test::modeOf(path), mode);
    }
    ::umask(umask);
    // A call of another reviewer's, shared with their group: root's save leaves it theirs and the group's.
    const std::optional<test::OtherUser> other = test::otherUser();
    if (!other)
        return;
    ASSERT_EQ(::chown(path.c_str(), other->uid, other->gid), 0);
    ASSERT_EQ(save("def"), 0) << messenger.onlyText();
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, other->uid);
    EXPECT_EQ(info.st_gid, other->gid);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(CommentRewriteTest, ASaveAddsToTheFileAsItStandsNotAsItWasOpened) {
    RecordingBuilder builder(9);
    builder.comments = "old\r\n";
    builder.words = {test::makeWord("radio", {8000})};
    builder.audio = test::makeAudio(80000);
    open(builder);
    // Another reviewer, who opened the call too, saves a comment and a keyword first.
    PlayerState theirState;
    theirState.recording = state.recording.copyWithoutFile();
    theirState.environment.userName = "judge";
    theirState.environment.computerName = "DESK2";
    TextDisplays theirWindows;
    Annotations theirs(theirState, reporter, theirWindows, [] { return kSavedAt; });
    ASSERT_EQ(theirs.addScannedWord("gun", 0, 5 * 8000), 0);
    theirWindows.newComments = "theirs";
    ASSERT_EQ(theirs.save(), 0) << messenger.onlyText();

    // This one added the same keyword at the same position (kept once), another position twice
    // (kept twice), and a comment.
    ASSERT_EQ(annotations.addScannedWord("GUN", 0, 5 * 8000), 0);
    ASSERT_EQ(annotations.addScannedWord("knife", 0, 2 * 8000), 0);
    ASSERT_EQ(annotations.addScannedWord("knife", 0, 2 * 8000), 0);
    ASSERT_EQ(save("mine"), 0) << messenger.onlyText();
    RecordingBuilder expected = builder;
    expected.comments = "old\r\n3/05/2004 09:07:02 judge @ DESK2\r\ntheirs\r\n" + kStamp + "\r\nmine\r\n";
    expected.words = {test::makeWord("radio", {8000}), test::makeWord("gun", {40000}),
                      test::makeWord("knife", {16000, 16000})};
    EXPECT_EQ(fileBytes(), expected.bytes());
    // The windows show the file as it is now.
    EXPECT_EQ(windows.existingComments, expected.comments);
    EXPECT_EQ(windows.keywordLines.size(), 4u);
    EXPECT_EQ(windows.keywordLines[2], "                gun    5 ");
}

TEST_F(CommentRewriteTest, ACallWithOtherSoundPutInThePlaceOfTheOneOpenedIsNotWritten) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(800);
    open(builder);
    RecordingBuilder other = builder;
    other.audio[400] ^= 1;
    other.writeTo(path);
    annotations.newCommentsEdited();
    EXPECT_EQ(save("abc"), 1);
    EXPECT_EQ(messenger.onlyText(),
              "UpdateTextComments another program has put a recording with other sound in its place, "
              "nothing is saved\n" +
                  path);
    EXPECT_EQ(fileBytes(), other.bytes());
    EXPECT_FALSE(temporaryLeft());
    EXPECT_TRUE(state.recording.additionsPending);
    EXPECT_EQ(windows.newComments, "abc");
}

TEST_F(CommentRewriteTest, AnExportHeaderIsDroppedAndTheAudioFollowsTheKeywords) {
    RecordingBuilder builder(10);
    builder.exportHeader = test::makeExportHeader(700);
    builder.comments = "x\r\n";
    builder.words = {test::makeWord("w", {9000})};
    builder.audio = test::makeAudio(700);
    open(builder);
    ASSERT_EQ(save("abc"), 0) << messenger.onlyText();
    RecordingBuilder expected = builder;
    expected.exportHeader.reset();
    expected.comments = "x\r\n" + kStamp + "\r\nabc\r\n";
    EXPECT_EQ(fileBytes(), expected.bytes());

    // A second save in the same run finds the audio where the new file has it.
    ASSERT_EQ(save("def\r\n"), 0) << messenger.onlyText();
    expected.comments += kStamp + "\r\ndef\r\n";
    EXPECT_EQ(fileBytes(), expected.bytes());
}

TEST_F(CommentRewriteTest, ASaveWithoutNewTextWritesNoStampButTheKeywords) {
    RecordingBuilder builder(11);
    builder.comments = "kept\r\n";
    builder.audio = test::makeAudio(500);
    open(builder);
    ASSERT_EQ(annotations.addScannedWord("", 0, 0), 1); // blank, and at position 0 anyway
    ASSERT_EQ(annotations.addScannedWord("gun", 0, 16000), 0);
    EXPECT_TRUE(state.recording.additionsPending);
    EXPECT_TRUE(windows.saveEnabled);
    ASSERT_EQ(save(""), 0);
    RecordingBuilder expected = builder;
    expected.words = {test::makeWord("gun", {16000})};
    EXPECT_EQ(fileBytes(), expected.bytes());
}

TEST_F(CommentRewriteTest, ExistingTextEndingMidLineGetsALineBreakBeforeTheStamp) {
    RecordingBuilder builder(9);
    builder.comments = "written elsewhere";
    builder.audio = test::makeAudio(200);
    open(builder);
    ASSERT_EQ(save("abc\r\n"), 0);
    RecordingBuilder expected = builder;
    expected.comments = "written elsewhere\r\n" + kStamp + "\r\nabc\r\n";
    EXPECT_EQ(fileBytes(), expected.bytes());
}

TEST_F(CommentRewriteTest, CommentTextHoldingANulByteSurvivesASave) {
    RecordingBuilder builder(9);
    builder.comments = std::string("before\0after\r\n", 14);
    builder.audio = test::makeAudio(200);
    open(builder);
    ASSERT_EQ(save("abc"), 0);
    RecordingBuilder expected = builder;
    expected.comments = std::string("before\0after\r\n", 14) + kStamp + "\r\nabc\r\n";
    EXPECT_EQ(fileBytes(), expected.bytes());
}

TEST_F(CommentRewriteTest, VersionsThatCarryNoCommentsRefuseThemAndKeepThemPending) {
    RecordingBuilder builder(6);
    builder.audio = test::makeAudio(300);
    open(builder);
    windows.newComments = "abc";
    annotations.newCommentsEdited();
    EXPECT_EQ(annotations.save(), 1);
    EXPECT_EQ(messenger.onlyText(),
              "UpdateTextComments cannot store comments in a version 6 recording\n" + path);
    EXPECT_EQ(fileBytes(), original);
    EXPECT_TRUE(state.recording.additionsPending);
    EXPECT_EQ(windows.newComments, "abc");

    // Version 4 carries comments but no keywords.
    messenger.shown.clear();
    RecordingBuilder v4(4);
    v4.audio = test::makeAudio(320);
    open(v4);
    ASSERT_EQ(annotations.addScannedWord("gun", 0, 9000), 0);
    EXPECT_EQ(save(""), 1);
    EXPECT_EQ(messenger.onlyText(),
              "UpdateTextComments cannot store key words in a version 4 recording\n" + path);
    EXPECT_EQ(fileBytes(), original);
}

TEST_F(CommentRewriteTest, SectionsAVersionDoesNotCarryStayAudio) {
    // A version 4 header that counts keywords it does not carry: those bytes are audio.
    RecordingBuilder v4(4);
    v4.comments = "note\r\n";
    v4.audio = test::makeAudio(400);
    v4.setCounts = false;
    v4.vrh.textLength = 6;
    v4.vrh.scannedWordCount = 2;
    open(v4);
    ASSERT_EQ(save("abc"), 0) << messenger.onlyText();
    RecordingBuilder expected = v4;
    expected.comments = "note\r\n" + kStamp + "\r\nabc\r\n";
    expected.vrh.textLength = static_cast<std::uint32_t>(expected.comments.size());
    EXPECT_EQ(fileBytes(), expected.bytes());

    // Versions 1 and 6 with a text length they do not carry: a save moves no byte.
    for (const int version : {1, 6}) {
        RecordingBuilder raw(version);
        raw.audio = test::makeAudio(400);
        raw.setCounts = false;
        raw.vrh.textLength = 50;
        raw.vrh.scannedWordCount = 1;
        open(raw);
        ASSERT_EQ(save(""), 0) << messenger.onlyText();
        EXPECT_EQ(fileBytes(), original) << version;
    }
}

TEST_F(CommentRewriteTest, ViewerAndReadOnlyModesNeverWrite) {
    for (const bool option : {false, true}) {
        RecordingBuilder builder(9);
        builder.audio = test::makeAudio(100);
        open(builder);
        state.options.viewerMode = option;
        state.options.readOnly = !option;
        windows.saveEnabled = false;
        annotations.newCommentsEdited();
        EXPECT_FALSE(windows.saveEnabled);
        EXPECT_FALSE(state.recording.additionsPending);
        EXPECT_EQ(annotations.addScannedWord("gun", 0, 9000), 0); // the table and list change...
        EXPECT_EQ(state.recording.scannedWordTotal, 1);
        EXPECT_FALSE(state.recording.additionsPending); // ...but nothing is due
        EXPECT_EQ(save("abc"), 0);
        EXPECT_EQ(fileBytes(), original);
    }
}

TEST_F(CommentRewriteTest, AFailedSaveLeavesTheRecordingAndTheHeaderCopiesAsTheyWere) {
    RecordingBuilder builder(10);
    builder.comments = "old\r\n";
    builder.audio = test::makeAudio(640);
    open(builder);
    annotations.newCommentsEdited();
    // The recording is a link in a folder others may write: the save is refused before anything is
    // written, and the link is not replaced.
    const std::string target = dir.file("kept/call.ZOQ");
    fs::create_directory(dir.file("kept"));
    fs::rename(path, target);
    fs::create_symlink(target, path);
    fs::permissions(dir.path(), fs::perms(0770));
    EXPECT_EQ(save("abc"), 1);
    EXPECT_EQ(messenger.onlyText(), "UpdateTextComments will not save " + path +
                                        ": it is a symbolic link in a folder that other users can write");
    EXPECT_EQ(log.lines.back(), messenger.onlyText());
    EXPECT_EQ(fileBytes(), original);
    EXPECT_EQ(state.recording.vrh3.textLength, 5u);
    EXPECT_TRUE(state.recording.additionsPending);
    EXPECT_EQ(windows.newComments, "abc");

    // Once the folder is the user's alone, the next save rewrites the file the link leads to, finds
    // the audio where that file has it, and keeps the link.
    fs::permissions(dir.path(), fs::perms(0700));
    ASSERT_EQ(save("abc"), 0) << messenger.onlyText();
    RecordingBuilder expected = builder;
    expected.comments = "old\r\n" + kStamp + "\r\nabc\r\n";
    EXPECT_EQ(test::readFileBytes(target), expected.bytes());
    EXPECT_EQ(fs::read_symlink(path), target);
    EXPECT_FALSE(temporaryLeft());
}

TEST_F(CommentRewriteTest, TypedCommentsAreStoredAsWindows1252OrRefusedBeforeAnythingIsWritten) {
    RecordingBuilder builder(9);
    builder.comments = "old\r\n";
    builder.audio = test::makeAudio(100);
    open(builder);
    annotations.newCommentsEdited();
    // A character Windows-1252 lacks: the file is not touched and the additions stay due.
    EXPECT_EQ(save("price \u20AC5, \u03A9 ohms"), 1);
    EXPECT_EQ(messenger.onlyText(), "Error, Comments Cannot Hold \"\u03A9\" (U+03A9): a recording keeps "
                                    "Windows-1252 characters only");
    EXPECT_EQ(fileBytes(), original);
    EXPECT_FALSE(temporaryLeft());
    EXPECT_TRUE(state.recording.additionsPending);
    EXPECT_EQ(windows.newComments, "price \u20AC5, \u03A9 ohms");

    // Without it the text is stored one byte a character.
    ASSERT_EQ(save("price \u20AC5, \u201Cfair\u201D, caf\u00E9"), 0) << messenger.onlyText();
    RecordingBuilder expected = builder;
    expected.comments = "old\r\n" + kStamp +
                        "\r\nprice \x80"
                        "5, \x93"
                        "fair\x94, caf\xE9\r\n";
    EXPECT_EQ(fileBytes(), expected.bytes());
    EXPECT_EQ(windows.existingComments, expected.comments);
}

TEST_F(CommentRewriteTest, AVanishedRecordingIsReported) {
    RecordingBuilder builder(9);
    builder.audio = test::makeAudio(100);
    open(builder);
    fs::remove(path);
    EXPECT_EQ(save("abc"), 1);
    EXPECT_EQ(messenger.onlyText(), "UpdateTextComments could not open file " + path);
    EXPECT_FALSE(temporaryLeft());
}

TEST_F(CommentRewriteTest, ARecordingCutShortSinceItWasOpenedIsNotRewritten) {
    RecordingBuilder builder(9);
    builder.comments = "old\r\n";
    builder.words = {test::makeWord("w", {100})};
    builder.audio = test::makeAudio(100);
    open(builder);
    std::vector<std::uint8_t> cut = original;
    cut.resize(351 + 3);
    test::writeFileBytes(path, cut);
    EXPECT_EQ(save("abc"), 1);
    EXPECT_EQ(messenger.onlyText(), "UpdateTextComments could not seek file " + path);
    EXPECT_EQ(fileBytes(), cut);
    EXPECT_FALSE(temporaryLeft());
}

TEST(CommentStamp, ReadsMonthDayYearTimeUserAndComputer) {
    std::tm t{};
    t.tm_year = 104;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 9;
    t.tm_min = 7;
    t.tm_sec = 2;
    EXPECT_EQ(commentStamp(t, "clerk", "DESK1"), "3/05/2004 09:07:02 clerk @ DESK1");
}

} // namespace
} // namespace kestrum
