// The comment and keyword windows driven as a user drives them, on a real recording, offscreen.

#include "app/InitRecord.h"
#include "recording/CommentRewrite.h"
#include "recording/FieldText.h"
#include "recording/QuietRead.h"
#include "support/ProcessRunner.h"
#include "ui/AnnotateDialog.h"
#include "ui/CommentWindows.h"
#include "ui/PlayerWindow.h"
#include "ui/QtPlayerUi.h"
#include "ui/ScannedWordWindow.h"
#include "ui/UiRunFixture.h"
#include "ui/WaveformWindow.h"
#include "widgets/SwitchSlider.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using test::InspectingUi;

class SideWindowsTest : public test::UiRunFixture {};

TEST_F(SideWindowsTest, TheCommentsButtonTogglesBothWindowsAndSaveWritesTheNewComments) {
    test::RecordingBuilder builder(10);
    builder.comments = "old line\r\n";
    builder.audio = test::makeAudio(16000 / 240 * 32);
    runOn(builder, "^C3", [&](InspectingUi& ui) {
        PlayerWindow& player = *ui.playerWindow();
        EXPECT_TRUE(test::partOf<QPushButton>(player, "commentsButton")->isEnabled());
        EXPECT_FALSE(ui.existingCommentsWindow()->isVisible());
        test::partOf<QPushButton>(player, "commentsButton")->click();
        EXPECT_TRUE(ui.newCommentsWindow()->isVisible());
        EXPECT_TRUE(ui.existingCommentsWindow()->isVisible());
        EXPECT_EQ(
            test::partOf<QPlainTextEdit>(*ui.existingCommentsWindow(), "existingCommentsText")->toPlainText(),
            "old line\n");
        EXPECT_TRUE(test::partOf<QLabel>(*ui.existingCommentsWindow(), "totalTimeLabel")
                        ->text()
                        .startsWith("Total  0:"));

        NewCommentsWindow& comments = *ui.newCommentsWindow();
        EXPECT_FALSE(test::partOf<QPushButton>(comments, "saveButton")->isEnabled());
        test::partOf<QPlainTextEdit>(comments, "newCommentsText")->setPlainText("first\nsecond");
        EXPECT_TRUE(test::partOf<QPushButton>(comments, "saveButton")->isEnabled());
        EXPECT_TRUE(test::partOf<QPushButton>(*ui.scannedWordWindow(), "saveButton")->isEnabled());
        test::partOf<QPushButton>(comments, "saveButton")->click();
        EXPECT_FALSE(test::partOf<QPushButton>(comments, "saveButton")->isEnabled());
        EXPECT_EQ(test::partOf<QPlainTextEdit>(comments, "newCommentsText")->toPlainText(), "");
        const QString shown =
            test::partOf<QPlainTextEdit>(*ui.existingCommentsWindow(), "existingCommentsText")->toPlainText();
        EXPECT_TRUE(shown.startsWith("old line\n")) << shown.toStdString();
        EXPECT_TRUE(shown.endsWith("\nfirst\nsecond\n")) << shown.toStdString();

        // Pressing the button while the existing comments show hides both.
        test::partOf<QPushButton>(player, "commentsButton")->click();
        EXPECT_FALSE(ui.newCommentsWindow()->isVisible());
        EXPECT_FALSE(ui.existingCommentsWindow()->isVisible());
    });
    const std::string text = test::readFileText(path);
    EXPECT_NE(text.find("old line\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nfirst\r\nsecond\r\n"), std::string::npos);
    EXPECT_TRUE(messenger.shown.empty()) << messenger.onlyText();
}

TEST_F(SideWindowsTest, CommentModeTwoOpensOnlyTheExistingComments) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000);
    runOn(builder, "^C2", [&](InspectingUi& ui) {
        test::partOf<QPushButton>(*ui.playerWindow(), "commentsButton")->click();
        EXPECT_FALSE(ui.newCommentsWindow()->isVisible());
        EXPECT_TRUE(ui.existingCommentsWindow()->isVisible());
    });
}

TEST_F(SideWindowsTest, AnAddedKeywordIsListedAndAskedAboutAtShutdown) {
    test::RecordingBuilder builder(9);
    builder.words = {test::makeWord("gun", {16000})};
    builder.audio = test::makeAudio(80000);
    messenger.answer = true; // yes, save the additions
    runOn(builder, "", [&](InspectingUi& ui) {
        ScannedWordWindow& words = *ui.scannedWordWindow();
        EXPECT_TRUE(test::partOf<QPushButton>(*ui.playerWindow(), "keywordsButton")
                        ->isEnabled()); // keywords present: mode 2
        test::partOf<QPushButton>(*ui.playerWindow(), "keywordsButton")->click();
        EXPECT_TRUE(words.isVisible());
        EXPECT_EQ(test::partOf<QPlainTextEdit>(words, "keywordList")->toPlainText(),
                  "           Key Word   Seconds From Beginning\n                gun    2 ");
        EXPECT_EQ(test::partOf<QLabel>(words, "totalSecondsLabel")->text(), "Total  0:10.00");

        AnnotateDialog& dialog = *ui.annotateDialog();
        test::partOf<QLineEdit>(dialog, "keywordEdit")->setText("knife");
        test::partOf<SwitchSlider>(dialog, "secondsBeforeSwitch")->setPosition(1);
        test::partOf<QPushButton>(*ui.playerWindow(), "stepButton")
            ->click(); // 30 s past the end: a second before it, at 9 s
        test::partOf<QPushButton>(dialog, "addButton")->click();
        EXPECT_TRUE(test::partOf<QPlainTextEdit>(words, "keywordList")
                        ->toPlainText()
                        .endsWith("              knife    8 "));
        EXPECT_TRUE(test::partOf<QPushButton>(words, "saveButton")->isEnabled());
    });
    ASSERT_EQ(messenger.shown.size(), 1u);
    EXPECT_EQ(messenger.shown[0].text, "Save New Additions?");
    EXPECT_NE(test::readFileText(path).find("knife"), std::string::npos);
}

TEST_F(SideWindowsTest, ADoubleClickedSecondsValuePlaysFromThere) {
    EXPECT_EQ(ScannedWordWindow::secondsAt("                gun    2  125 ", 27), 125);
    EXPECT_EQ(ScannedWordWindow::secondsAt("                gun    2  125 ", 26), 125);
    EXPECT_EQ(ScannedWordWindow::secondsAt("                gun    2  125 ", 23), 2);
    EXPECT_EQ(ScannedWordWindow::secondsAt("                gun    2  125 ", 25), 0); // a blank
    EXPECT_EQ(ScannedWordWindow::secondsAt("                gun    2  125 ", 17), 0); // the keyword
    EXPECT_EQ(ScannedWordWindow::secondsAt("                123    2 ", 17), 0);      // a keyword of digits
    EXPECT_EQ(ScannedWordWindow::secondsAt("           Key Word   Seconds From Beginning", 25), 0);

    test::RecordingBuilder builder(9);
    builder.words = {test::makeWord("gun", {16000})};
    builder.audio = test::makeAudio(80000);
    runOn(builder, "", [&](InspectingUi& ui) {
        PlaybackSession& session = ui.player->session();
        test::partOf<QPushButton>(*ui.playerWindow(), "stopButton")->click();
        emit ui.scannedWordWindow()->playFromSecondsRequested(4);
        EXPECT_TRUE(session.snapshot().playing());
        EXPECT_EQ(session.snapshot().position, 4u * 8000);
        emit ui.scannedWordWindow()->playFromSecondsRequested(125); // past the end: a second before it
        EXPECT_EQ(session.snapshot().position, 80000u - 8000);
        EXPECT_TRUE(test::partOf<QPushButton>(*ui.playerWindow(), "stopButton")->isEnabled());
    });
}

TEST_F(SideWindowsTest, ADoubleClickDoesNothingWhileTheWaveformIsZoomedOrScrolled) {
    test::RecordingBuilder builder(9);
    builder.words = {test::makeWord("gun", {16000})};
    builder.audio = test::makeAudio(80000);
    runOn(builder, "", [&](InspectingUi& ui) {
        PlayerWindow& player = *ui.playerWindow();
        WaveformWindow& wave = *ui.waveformWindow();
        PlaybackSession& session = ui.player->session();
        test::partOf<QPushButton>(player, "waveformButton")->click();
        for (const int mode : {1, 2}) { // Zoom, Scroll
            SCOPED_TRACE(mode);
            test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(mode); // pauses playback
            ASSERT_FALSE(session.snapshot().playing());
            const std::uint64_t position = session.snapshot().position;
            emit ui.scannedWordWindow()->playFromSecondsRequested(4);
            EXPECT_FALSE(session.snapshot().playing());
            EXPECT_EQ(session.snapshot().position, position);
            EXPECT_FALSE(
                test::partOf<QPushButton>(player, "playButton")->isEnabled()); // still held by the view
        }
        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(0); // Run
        emit ui.scannedWordWindow()->playFromSecondsRequested(4);
        EXPECT_TRUE(session.snapshot().playing());
        EXPECT_EQ(session.snapshot().position, 4u * 8000);
    });
}

// Beside the player window where the screen has room (keys_under_x checks that on a real screen);
// here, on the test platform's small screen, at least wholly on it.
TEST_F(SideWindowsTest, TheKeywordWindowOpensOnThePlayersScreenAndReopensWhereItWasLeft) {
    test::RecordingBuilder builder(9);
    builder.words = {test::makeWord("gun", {16000})};
    builder.audio = test::makeAudio(8000);
    runOn(builder, "", [&](InspectingUi& ui) {
        PlayerWindow& player = *ui.playerWindow();
        ScannedWordWindow& words = *ui.scannedWordWindow();
        player.move(20, 30);
        test::partOf<QPushButton>(player, "keywordsButton")->click();
        ASSERT_TRUE(words.isVisible());
        const QRect screen = player.screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(words.frameGeometry()));
        const QRect beside = words.frameGeometry();
        if (screen.width() - player.frameGeometry().right() > beside.width()) {
            EXPECT_FALSE(beside.intersects(player.frameGeometry()));
        }

        // Once placed it reopens where it was left.
        test::partOf<QPushButton>(player, "keywordsButton")->click();
        EXPECT_FALSE(words.isVisible());
        words.move(5, 6);
        test::partOf<QPushButton>(player, "keywordsButton")->click();
        EXPECT_EQ(words.pos(), QPoint(5, 6));
    });
}

// The annotate dialog opens over the waveform it was asked from and names, to the tenth of a
// second, where the keyword will go; the keyword window shows its whole heading at first; viewer
// mode, which saves nothing, offers no box to type comments in.
TEST_F(SideWindowsTest, TheAnnotateDialogNamesItsTimeTheKeywordHeadingFitsAndViewerModeTypesNoComments) {
    test::RecordingBuilder builder(9);
    builder.words = {test::makeWord("gun", {16000})};
    builder.audio = test::makeAudio(80000);
    builder.comments = "old line\r\n";
    runOn(builder, "^C3", [&](InspectingUi& ui) {
        PlayerWindow& player = *ui.playerWindow();
        WaveformWindow& wave = *ui.waveformWindow();
        ScannedWordWindow& words = *ui.scannedWordWindow();
        test::partOf<QPushButton>(player, "keywordsButton")->click();
        QPlainTextEdit* list = test::partOf<QPlainTextEdit>(words, "keywordList");
        const QString heading = list->document()->firstBlock().text();
        ASSERT_TRUE(heading.endsWith("Seconds From Beginning"));
        EXPECT_GE(list->viewport()->width(),
                  list->fontMetrics().horizontalAdvance(heading) + 2 * list->document()->documentMargin());

        test::partOf<QPushButton>(player, "waveformButton")->click();
        test::partOf<QPushButton>(player, "stopButton")->click();
        ui.player->session().moveTo(8000 * 3 + 3600); // 3.45 s
        AnnotateDialog& dialog = *ui.annotateDialog();
        std::vector<std::string> marks;
        QTimer::singleShot(0, [&] {
            EXPECT_TRUE(dialog.isVisible());
            marks.push_back(test::partOf<QLabel>(dialog, "markLabel")->text().toStdString());
            test::partOf<SwitchSlider>(dialog, "secondsBeforeSwitch")->setPosition(2);
            marks.push_back(test::partOf<QLabel>(dialog, "markLabel")->text().toStdString());
            test::partOf<QLineEdit>(dialog, "keywordEdit")->setText("knife");
            test::partOf<QPushButton>(dialog, "addButton")->click();
        });
        emit test::partOf<StripChart>(wave, "waveformChart")->clicked();
        EXPECT_EQ(dialog.parentWidget(), &wave);
        EXPECT_EQ(marks, (std::vector<std::string>{"Marks the call at 0:03.4", "Marks the call at 0:01.4"}));
        EXPECT_TRUE(list->toPlainText().endsWith("              knife    1 "))
            << list->toPlainText().toStdString();
    });
    runOn(builder, "^O1^C3", [&](InspectingUi& ui) {
        test::partOf<QPushButton>(*ui.playerWindow(), "commentsButton")->click();
        EXPECT_TRUE(ui.existingCommentsWindow()->isVisible());
        EXPECT_FALSE(ui.newCommentsWindow()->isVisible());
    });
}

TEST_F(SideWindowsTest, StoredTextShowsAsWindows1252AndTypedTextTheRecordingLacksIsRefused) {
    test::RecordingBuilder builder(9);
    builder.comments = "caf\xE9 \x80"
                       "5 \x93ok\x94\r\n";
    builder.words = {test::makeWord("Stra\xDF"
                                    "e",
                                    {16000})};
    builder.audio = test::makeAudio(80000);
    runOn(builder, "^C3", [&](InspectingUi& ui) {
        PlayerWindow& player = *ui.playerWindow();
        test::partOf<QPushButton>(player, "commentsButton")->click();
        EXPECT_EQ(
            test::partOf<QPlainTextEdit>(*ui.existingCommentsWindow(), "existingCommentsText")->toPlainText(),
            QString::fromUtf8("caf\u00E9 \u20AC5 \u201Cok\u201D\n"));
        test::partOf<QPushButton>(player, "keywordsButton")->click();
        EXPECT_TRUE(test::partOf<QPlainTextEdit>(*ui.scannedWordWindow(), "keywordList")
                        ->toPlainText()
                        .endsWith(QString::fromUtf8("Stra\u00DF"
                                                    "e    2 ")));

        // A comment with a character the recording cannot hold: refused, the file untouched.
        const std::vector<std::uint8_t> before = test::readFileBytes(path);
        NewCommentsWindow& comments = *ui.newCommentsWindow();
        test::partOf<QPlainTextEdit>(comments, "newCommentsText")
            ->setPlainText(QString::fromUtf8("\u03A9 and \u20AC"));
        test::partOf<QPushButton>(comments, "saveButton")->click();
        EXPECT_EQ(messenger.onlyText(), "Error, Comments Cannot Hold \"\u03A9\" (U+03A9): a recording keeps "
                                        "Windows-1252 characters only");
        EXPECT_EQ(test::readFileBytes(path), before);
        EXPECT_EQ(test::partOf<QPlainTextEdit>(comments, "newCommentsText")->toPlainText(),
                  QString::fromUtf8("\u03A9 and \u20AC"));
        EXPECT_TRUE(ui.player->state().recording.additionsPending);

        // A keyword likewise: the dialog stays open and nothing is added.
        messenger.shown.clear();
        test::partOf<QPushButton>(player, "stepButton")->click(); // a play position past the start
        AnnotateDialog& dialog = *ui.annotateDialog();
        test::partOf<QLineEdit>(dialog, "keywordEdit")->setText(QString::fromUtf8("\u0394elta"));
        test::partOf<QPushButton>(dialog, "addButton")->click();
        EXPECT_EQ(messenger.onlyText(), "Error, Key Word Cannot Hold \"\u0394\" (U+0394): a recording keeps "
                                        "Windows-1252 characters only");
        EXPECT_EQ(ui.player->state().recording.scannedWordTotal, 1);

        // What the code page holds is stored one byte a character.
        messenger.shown.clear();
        test::partOf<QPlainTextEdit>(comments, "newCommentsText")
            ->setPlainText(QString::fromUtf8("\u20AC and \u00E9"));
        test::partOf<QPushButton>(comments, "saveButton")->click();
        EXPECT_TRUE(messenger.shown.empty()) << messenger.onlyText();
        EXPECT_NE(test::readFileText(path).find("\r\n\x80 and \xE9\r\n"), std::string::npos);
        EXPECT_TRUE(test::partOf<QPlainTextEdit>(*ui.existingCommentsWindow(), "existingCommentsText")
                        ->toPlainText()
                        .endsWith(QString::fromUtf8("\u20AC and \u00E9\n")));
    });
}

// Viewer mode reads the init file of the working directory, which anyone may have written: every
// stored place and size is brought within the screens, so each window shows, at its size or its
// minimum, with its top left corner on a screen (its title bar within reach).
TEST_F(SideWindowsTest, AbsurdStoredPlacesAndSizesLeaveEveryWindowOnAScreen) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    struct Row {
        std::int32_t left, top, width, height;
    };
    const Row rows[] = {
        {kMax, kMax, kMax, kMax},
        {kMin, kMin, kMin, kMin},
        {0, 0, 0, 0},
        {-5000, -1, -5000, -1},
        {100, 100, kMax, kMax},
        {749, 549, kMax - 10, 1},
        {kMin, kMax, 0, kMax},
        {kMin + 1, -300, 50000, kMin + 1},
    };
    test::RecordingBuilder builder(9);
    builder.words = {test::makeWord("gun", {16000})};
    builder.audio = test::makeAudio(8000);
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.left) + "," + std::to_string(row.top) + " " +
                     std::to_string(row.width) + "x" + std::to_string(row.height));
        InitRecord stored;
        stored.newCommentsLeft = stored.keywordLeft = stored.existingCommentsLeft = stored.waveformLeft =
            row.left;
        stored.newCommentsTop = stored.keywordTop = stored.existingCommentsTop = stored.waveformTop = row.top;
        stored.newCommentsWidth = stored.keywordWidth = stored.existingCommentsWidth = row.width;
        stored.newCommentsHeight = stored.keywordHeight = stored.existingCommentsHeight = row.height;
        stored.newCommentsOpen = stored.keywordOpen = stored.waveformOpen = stored.existingCommentsOpen = 1;
        const layout::Bytes<InitRecord> bytes = layout::encode(stored);
        test::writeFileBytes(dir.file("Kestrum.DAT"), {bytes.begin(), bytes.end()});
        runOn(builder, "^O1", [&](InspectingUi& ui) {
            const std::vector<QWidget*> windows = {ui.newCommentsWindow(), ui.scannedWordWindow(),
                                                   ui.existingCommentsWindow(), ui.waveformWindow()};
            for (QWidget* window : windows) {
                window->show();
                QApplication::processEvents();
                const QRect placed = window->geometry();
                SCOPED_TRACE(window->metaObject()->className());
                const QScreen* screen = nullptr;
                for (const QScreen* candidate : QGuiApplication::screens())
                    if (candidate->availableGeometry().contains(placed.topLeft()))
                        screen = candidate;
                ASSERT_NE(screen, nullptr) << placed.x() << "," << placed.y();
                const QRect area = screen->availableGeometry();
                EXPECT_GE(placed.width(), window->minimumWidth());
                EXPECT_GE(placed.height(), window->minimumHeight());
                EXPECT_LE(placed.width(), std::max(area.width(), window->minimumWidth()));
                EXPECT_LE(placed.height(), std::max(area.height(), window->minimumHeight()));
                EXPECT_TRUE(window->isVisible());
            }
        });
    }
}

// The call open in the player while another reviewer adds to it with zoqtool: the windows show the
// other's comment and keyword as soon as the file has them, the playback and this reviewer's
// unsaved additions stay as they were, and the player's save keeps everything once.
TEST_F(SideWindowsTest, AnotherReviewersAdditionsShowAtOnceAndStayWhenThePlayerSaves) {
    test::RecordingBuilder builder(9);
    builder.comments = "first\r\n";
    builder.words = {test::makeWord("gun", {16000})};
    builder.audio = test::makeAudio(80000);
    runOn(builder, "^C3", [&](InspectingUi& ui) {
        PlayerWindow& player = *ui.playerWindow();
        test::partOf<QPushButton>(player, "commentsButton")->click();
        test::partOf<QPushButton>(player, "keywordsButton")->click();
        test::partOf<QPushButton>(player, "stepButton")->click(); // past the end: a second before it, at 9 s
        test::partOf<QLineEdit>(*ui.annotateDialog(), "keywordEdit")->setText("knife");
        test::partOf<QPushButton>(*ui.annotateDialog(), "addButton")->click();
        NewCommentsWindow& comments = *ui.newCommentsWindow();
        test::partOf<QPlainTextEdit>(comments, "newCommentsText")->setPlainText("mine");
        const PlaybackSnapshot playback = ui.player->session().snapshot();
        const std::vector<std::uint8_t> sound(ui.player->state().store.samples().begin(),
                                              ui.player->state().store.samples().end());

        for (const std::vector<std::string>& other :
             {std::vector<std::string>{"comment", path, "theirs"}, {"keyword", path, "radio", "3"}}) {
            const test::ProcessResult run = test::runProcess(ZOQTOOL_BINARY, other);
            ASSERT_EQ(run.exitCode, 0) << run.err;
        }
        const QPlainTextEdit& existing =
            *test::partOf<QPlainTextEdit>(*ui.existingCommentsWindow(), "existingCommentsText");
        const QPlainTextEdit& keywords =
            *test::partOf<QPlainTextEdit>(*ui.scannedWordWindow(), "keywordList");
        ASSERT_TRUE(QTest::qWaitFor([&] { return keywords.toPlainText().contains("radio"); }, 10000));
        EXPECT_TRUE(existing.toPlainText().startsWith("first\n")) << existing.toPlainText().toStdString();
        EXPECT_TRUE(existing.toPlainText().endsWith("\ntheirs\n")) << existing.toPlainText().toStdString();
        // The file's keywords, this run's unsaved one after them.
        EXPECT_EQ(keywords.toPlainText().toStdString(), "           Key Word   Seconds From Beginning\n"
                                                        "                gun    2 \n"
                                                        "              radio    3 \n"
                                                        "              knife    9 ");
        EXPECT_EQ(test::partOf<QPlainTextEdit>(comments, "newCommentsText")->toPlainText(), "mine");
        EXPECT_TRUE(test::partOf<QPushButton>(comments, "saveButton")->isEnabled());
        EXPECT_EQ(ui.player->session().snapshot(), playback);
        EXPECT_TRUE(std::equal(sound.begin(), sound.end(), ui.player->state().store.samples().begin(),
                               ui.player->state().store.samples().end()));

        test::partOf<QPushButton>(comments, "saveButton")->click();
        EXPECT_TRUE(existing.toPlainText().contains("\ntheirs\n") &&
                    existing.toPlainText().endsWith("\nmine\n"))
            << existing.toPlainText().toStdString();
    });
    EXPECT_TRUE(messenger.shown.empty()) << messenger.shown.size();
    RecordingState saved;
    saved.recordingPath = path;
    ASSERT_TRUE(readRecordingQuietly(saved, true));
    const auto timesIn = [&](const std::string& line) {
        int times = 0;
        for (std::size_t at = saved.commentText.find(line); at != std::string::npos;
             at = saved.commentText.find(line, at + 1))
            ++times;
        return times;
    };
    for (const char* line : {"first\r\n", "\r\ntheirs\r\n", "\r\nmine\r\n"})
        EXPECT_EQ(timesIn(line), 1) << line;
    EXPECT_LT(saved.commentText.find("theirs"), saved.commentText.find("mine"));
    ASSERT_EQ(saved.scannedWordTotal, 3);
    EXPECT_EQ(saved.scannedWords[0].positions[0], 16000u);
    EXPECT_EQ(fieldText(saved.scannedWords[1].word), "radio");
    EXPECT_EQ(fieldText(saved.scannedWords[2].word), "knife");
    for (const ScannedWord& word : {saved.scannedWords[0], saved.scannedWords[1], saved.scannedWords[2]})
        EXPECT_EQ(word.positions[1], 0u) << fieldText(word.word); // each position once
}

TEST_F(SideWindowsTest, ACallWithOtherSoundPutInItsPlaceIsReportedAndNeitherShownNorWrittenInto) {
    test::RecordingBuilder builder(9);
    builder.comments = "first\r\n";
    builder.audio = test::makeAudio(80000);
    test::RecordingBuilder other = builder;
    other.comments = "another call\r\n";
    other.audio = test::makeAudio(40000);
    runOn(builder, "^C3", [&](InspectingUi& ui) {
        test::partOf<QPushButton>(*ui.playerWindow(), "commentsButton")->click();
        other.writeTo(dir.file("other.ZOQ"));
        std::filesystem::rename(dir.file("other.ZOQ"), path);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !messenger.shown.empty(); }, 10000));
        EXPECT_EQ(messenger.onlyText(),
                  "Another program has put a recording with other sound in the place of "
                  "this one: the sound opened plays on, and nothing added here can be "
                  "saved into it\n" +
                      path);
        EXPECT_EQ(
            test::partOf<QPlainTextEdit>(*ui.existingCommentsWindow(), "existingCommentsText")->toPlainText(),
            "first\n");

        // What is typed stays in the window; the other call is not written into.
        messenger.shown.clear();
        NewCommentsWindow& comments = *ui.newCommentsWindow();
        test::partOf<QPlainTextEdit>(comments, "newCommentsText")->setPlainText("mine");
        test::partOf<QPushButton>(comments, "saveButton")->click();
        EXPECT_EQ(messenger.onlyText(), "UpdateTextComments another program has put a recording with other "
                                        "sound in its place, nothing is saved\n" +
                                            path);
        EXPECT_EQ(test::partOf<QPlainTextEdit>(comments, "newCommentsText")->toPlainText(), "mine");
        EXPECT_TRUE(ui.player->state().recording.additionsPending);
    });
    EXPECT_EQ(test::readFileBytes(path), other.bytes());
}

TEST(SideWindowTexts, TotalTimeAndCommentDisplay) {
    EXPECT_EQ(totalTimeText(185.4), "Total  3:5.40");
    EXPECT_EQ(totalTimeText(13.83), "Total  0:13.83");
    EXPECT_EQ(commentTextForDisplay(std::string("a\r\nb\0c", 6)), QString("a\nb") + QChar(0x2400) + "c");
    EXPECT_EQ(commentTextForDisplay("\x80\x81\xFC"), QString::fromUtf8("\u20AC\u0081\u00FC"));
    EXPECT_EQ(commentTextFromWindow(QString::fromUtf8("x\n\u20AC\n")), "x\r\n\u20AC\r\n");
}

// Ctrl+T in the new comments writes the play time; a double-click on a time in the stored comments
// plays from there, and on anything else does nothing.
TEST_F(SideWindowsTest, TimestampsAreWrittenWithCtrlTAndFollowedByADoubleClick) {
    test::RecordingBuilder builder(9);
    builder.comments = "caller agrees [0:07] here\r\nsee [0:03]\r\nnot one [7] nor [1:61] nor 0:05\r\n";
    builder.audio = test::makeAudio(80000); // 10 s
    runOn(builder, "^C3", [&](InspectingUi& ui) {
        PlaybackSession& session = ui.player->session();
        test::partOf<QPushButton>(*ui.playerWindow(), "commentsButton")->click();
        test::partOf<QPushButton>(*ui.playerWindow(), "stepButton")
            ->click(); // past the end: a second before it, at 9 s
        NewCommentsWindow& comments = *ui.newCommentsWindow();
        test::partOf<QPlainTextEdit>(comments, "newCommentsText")->setPlainText("at ");
        test::partOf<QPlainTextEdit>(comments, "newCommentsText")->moveCursor(QTextCursor::End);
        QTest::keyClick(test::partOf<QPlainTextEdit>(comments, "newCommentsText"), Qt::Key_T,
                        Qt::ControlModifier);
        EXPECT_EQ(test::partOf<QPlainTextEdit>(comments, "newCommentsText")->toPlainText(), "at [0:09]");

        QPlainTextEdit& existing =
            *test::partOf<QPlainTextEdit>(*ui.existingCommentsWindow(), "existingCommentsText");
        const auto doubleClick = [&](int line, int column) {
            QTextCursor at(existing.document()->findBlockByNumber(line));
            at.setPosition(at.position() + column);
            QTest::mouseDClick(existing.viewport(), Qt::LeftButton, {},
                               existing.cursorRect(at).center() + QPoint(2, 0));
        };
        const struct {
            int line, column;
            std::optional<int> second; // none: the position stays where it was
        } clicks[] = {{0, 14, 7}, {1, 8, 3}, {0, 19, 7}, {2, 9, {}}, {2, 18, {}}, {2, 27, {}}, {0, 3, {}}};
        for (const auto& click : clicks) {
            session.stop();
            const std::uint64_t before = session.snapshot().position;
            doubleClick(click.line, click.column);
            const PlaybackSnapshot after = session.snapshot();
            EXPECT_EQ(after.position, click.second ? session.clock().framesAt(*click.second) : before)
                << "line " << click.line << ", column " << click.column;
            EXPECT_EQ(after.playing(), click.second.has_value()) << "line " << click.line;
        }
    });
    // What is typed is ordinary text: the comment save keeps it as it is.
    EXPECT_NE(test::readFileText(path).find("caller agrees [0:07] here"), std::string::npos);
}

} // namespace
} // namespace kestrum
