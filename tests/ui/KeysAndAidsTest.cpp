// The player's keys in its real windows (key presses through Qt's shortcut handling, as a
// keyboard gives them) and the listening aids' controls.

#include "app/PlaybackTexts.h"
#include "platform/SystemServices.h"
#include "ui/AnnotateDialog.h"
#include "ui/CommentWindows.h"
#include "ui/GoToTimeDialog.h"
#include "ui/HelpWindow.h"
#include "ui/ScannedWordWindow.h"
#include "ui/UiRunFixture.h"
#include "ui/WaveformWindow.h"
#include "widgets/SwitchSlider.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest/QTest>

#include <filesystem>
#include <functional>
#include <initializer_list>

namespace kestrum {
namespace {

class KeysAndAidsTest : public test::UiRunFixture {};

TEST_F(KeysAndAidsTest, EachKeyDoesWhatItsControlDoesFromAnyWindow) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000 * 120);
    runOn(builder, "^C3", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        const auto press = [&](QWidget* where, int key) {
            QTest::keyClick(where, static_cast<Qt::Key>(key));
            emit w.playbackChanged(); // a display tick
        };
        ASSERT_TRUE(session.snapshot().playing());
        press(&w, Qt::Key_Space);
        EXPECT_FALSE(session.snapshot().playing()); // as Stop / Pause
        EXPECT_FALSE(test::partOf<QPushButton>(w, "stopButton")->isEnabled());
        press(&w, Qt::Key_Space);
        EXPECT_TRUE(session.snapshot().playing()); // as Play
        press(&w, Qt::Key_Right);                  // as Step, by the step size (30 s)
        EXPECT_EQ(session.snapshot().position, 8000u * 30);
        press(&w, Qt::Key_Left); // as Back
        EXPECT_EQ(session.snapshot().position, 0u);
        session.moveTo(8000 * 50);
        press(&w, Qt::Key_BracketLeft); // as Mark Loop Begin
        EXPECT_EQ(session.snapshot().loopBegin, 8000u * 50);
        session.moveTo(8000 * 55);
        press(&w, Qt::Key_BracketRight); // as Mark Loop End
        EXPECT_EQ(session.snapshot().loopEnd, 8000u * 55);
        press(&w, Qt::Key_L); // as Play Loop
        EXPECT_TRUE(session.snapshot().loopPlaying());
        press(&w, Qt::Key_Right); // Step cannot be used in loop play: nor can its key
        EXPECT_EQ(session.snapshot().position, 8000u * 50);
        press(&w, Qt::Key_Space); // in loop play, Space stops the loop
        EXPECT_FALSE(session.snapshot().playing());
        press(&w, Qt::Key_Home); // as Restart
        EXPECT_EQ(session.snapshot().position, 0u);

        press(&w, Qt::Key_Down); // quieter: the bar two steps down
        EXPECT_EQ(test::partOf<QSlider>(w, "volumeBar")->value(), 2);
        EXPECT_EQ(session.snapshot().volume.barPosition(), 2);
        press(&w, Qt::Key_Up);
        EXPECT_EQ(session.snapshot().volume.barPosition(), 0);
        press(&w, Qt::Key_Plus); // faster: Normal to Fast +25%
        EXPECT_EQ(session.snapshot().speed.position(), 3);
        EXPECT_EQ(device.opened.back().samplesPerSec, 10000u);
        press(&w, Qt::Key_Minus);
        press(&w, Qt::Key_Minus);
        EXPECT_EQ(session.snapshot().speed.position(), 1);

        // From a side window too.
        test::partOf<QPushButton>(w, "keywordsButton")->click();
        ui.newCommentsWindow()->show();
        press(ui.newCommentsWindow(), Qt::Key_Space);
        EXPECT_TRUE(session.snapshot().playing());

        // But never while the user types in a comment: the keys are the text.
        QPlainTextEdit* comment = ui.newCommentsWindow()->findChild<QPlainTextEdit*>();
        ASSERT_NE(comment, nullptr);
        comment->setFocus();
        const PlaybackSnapshot before = session.snapshot();
        QTest::keyClicks(comment, " L[]+-");
        for (const int key : {Qt::Key_Home, Qt::Key_Left, Qt::Key_Up, Qt::Key_Down})
            QTest::keyClick(comment, static_cast<Qt::Key>(key));
        EXPECT_EQ(comment->toPlainText(), " L[]+-");
        const PlaybackSnapshot after = session.snapshot();
        EXPECT_TRUE(after.playing());
        EXPECT_EQ(after.loopBegin, before.loopBegin);
        EXPECT_EQ(after.speed, before.speed);
        EXPECT_EQ(after.volume, before.volume);

        // Nor in a keyword field or the rewind box, where Up and Down are the field's own.
        ui.annotateDialog()->show();
        QLineEdit* keyword = test::partOf<QLineEdit>(*ui.annotateDialog(), "keywordEdit");
        keyword->setFocus();
        QTest::keyClicks(keyword, "gun ");
        QTest::keyClick(keyword, Qt::Key_Down);
        EXPECT_EQ(keyword->text(), "gun ");
        EXPECT_EQ(session.snapshot().volume.barPosition(), before.volume.barPosition());
        ui.annotateDialog()->hide();
        test::partOf<QSpinBox>(w, "rewindBox")->setFocus();
        QTest::keyClick(test::partOf<QSpinBox>(w, "rewindBox"), Qt::Key_Up);
        EXPECT_EQ(test::partOf<QSpinBox>(w, "rewindBox")->value(), 1);
        EXPECT_EQ(session.snapshot().volume.barPosition(), before.volume.barPosition());

        // Each control's hint names its key, for a screen reader as for the eye.
        EXPECT_TRUE(test::partOf<QPushButton>(w, "playButton")->toolTip().endsWith("(Space)"));
        EXPECT_TRUE(test::partOf<QPushButton>(w, "playButton")->accessibleDescription().endsWith("(Space)"));
        EXPECT_TRUE(test::partOf<QPushButton>(w, "markLoopEndButton")->toolTip().endsWith("(])"));
    });
}

// A focused control keeps the keys it works with: Space ticks a check box, the arrows move a
// slider; the player's keys act everywhere else. The player window's Alt+letter keys work from a
// side window too, after the side window's own (Alt+C closes the side window, not the player).
TEST_F(KeysAndAidsTest, AFocusedControlKeepsItsKeysAndThePlayersAltKeysWorkFromSideWindows) {
    test::RecordingBuilder builder(10);
    builder.audio = test::makeAudio(8000 * 120);
    runOn(builder, "^S2^C3", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        ASSERT_TRUE(session.snapshot().playing());
        struct Owned {
            QWidget* control;
            int key;
            std::function<bool()> tookIt;
        };
        const Owned owned[] = {
            {test::partOf<QCheckBox>(w, "skipSilenceBox"), Qt::Key_Space,
             [&] { return test::partOf<QCheckBox>(w, "skipSilenceBox")->isChecked(); }},
            {test::partOf<QSpinBox>(w, "rewindBox"), Qt::Key_Up,
             [&] { return test::partOf<QSpinBox>(w, "rewindBox")->value() == 1; }},
            {test::partOf<SwitchSlider>(w, "playSpeedSwitch")->slider(), Qt::Key_Right,
             [&] { return session.snapshot().speed.position() == 3; }},
            {test::partOf<QSlider>(w, "volumeBar"), Qt::Key_Down,
             [&] { return session.snapshot().volume.barPosition() == 1; }},
        };
        for (const Owned& o : owned) {
            const std::string name =
                o.control->objectName().toStdString() + o.control->accessibleName().toStdString();
            const PlaybackSnapshot before = session.snapshot();
            o.control->setFocus();
            QTest::keyClick(o.control, static_cast<Qt::Key>(o.key));
            emit w.playbackChanged(); // a display tick
            EXPECT_TRUE(o.tookIt()) << name;
            const PlaybackSnapshot after = session.snapshot();
            EXPECT_TRUE(after.playing()) << name;                       // Space did not pause
            EXPECT_LT(after.position - before.position, 8000u) << name; // nor an arrow step
        }
        test::partOf<QSlider>(w, "volumeBar")->setFocus();
        QTest::keyClick(test::partOf<QSlider>(w, "volumeBar"), Qt::Key_Up); // the bar's top is loudest
        EXPECT_EQ(session.snapshot().volume.barPosition(), 0);
        test::partOf<QPushButton>(w, "playButton")->setFocus(); // elsewhere the player's keys act
        QTest::keyClick(test::partOf<QPushButton>(w, "playButton"), Qt::Key_Space);
        EXPECT_FALSE(session.snapshot().playing());

        // Alt+letter from a side window, where its text has the focus: Play, Step, Scanned Words.
        NewCommentsWindow& comments = *ui.newCommentsWindow();
        QPlainTextEdit* text = test::partOf<QPlainTextEdit>(comments, "newCommentsText");
        const auto altIn = [&](QWidget* window, QWidget* focus, Qt::Key key) {
            window->show();
            window->activateWindow();
            QApplication::processEvents();
            ASSERT_EQ(QApplication::activeWindow(), window);
            focus->setFocus();
            QTest::keyClick(focus, key, Qt::AltModifier);
            emit w.playbackChanged(); // a display tick
        };
        altIn(&comments, text, Qt::Key_P);
        EXPECT_TRUE(session.snapshot().playing());
        const std::uint64_t at = session.snapshot().position;
        altIn(&comments, text, Qt::Key_T);
        EXPECT_EQ(session.snapshot().position, at + 8000u * 30);
        EXPECT_FALSE(ui.scannedWordWindow()->isVisible());
        altIn(&comments, text, Qt::Key_W);
        EXPECT_TRUE(ui.scannedWordWindow()->isVisible());
        EXPECT_EQ(text->toPlainText(), "");
        ui.waveformWindow()->show(); // another side window's letters are its own
        altIn(&comments, text, Qt::Key_G);
        EXPECT_FALSE(test::partOf<QCheckBox>(*ui.waveformWindow(), "spectrogramCheckBox")->isChecked());
        altIn(&comments, text, Qt::Key_C); // the side window's own Close Window (a mnemonic's click shows)
        EXPECT_TRUE(test::partOf<QPushButton>(comments, "closeButton")->isDown());
        EXPECT_TRUE(w.isVisible());
        altIn(ui.scannedWordWindow(), test::partOf<QPushButton>(*ui.scannedWordWindow(), "closeButton"),
              Qt::Key_V); // a label's control
        EXPECT_EQ(w.focusWidget(), test::partOf<QSlider>(w, "volumeBar"));
    });
}

// F1, from any window, lists every key the player window installed (read from its shortcuts, not
// a copy), the Alt letters of its buttons, the listening aids with their hints, the foot pedal and
// the media keys, in text a screen reader reaches by its name.
TEST_F(KeysAndAidsTest, F1ShowsTheKeysAndTheAidsToEyesAndScreenReaders) {
    test::RecordingBuilder builder(10);
    builder.audio = test::makeAudio(8000 * 20);
    runOn(builder, "^S2^C3", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        ui.newCommentsWindow()->show();
        QTest::keyClick(test::partOf<QPlainTextEdit>(*ui.newCommentsWindow(), "newCommentsText"), Qt::Key_F1);
        HelpWindow& help = *test::partOf<HelpWindow>(w, "helpWindow");
        ASSERT_TRUE(help.isVisible());
        EXPECT_TRUE(ui.player->session().snapshot().playing());
        EXPECT_FALSE(help.accessibleName().isEmpty());
        EXPECT_FALSE(test::partOf<QTextBrowser>(help, "helpText")->accessibleName().isEmpty());
        const QString shown = test::partOf<QTextBrowser>(help, "helpText")->toPlainText();
        const QList<QShortcut*> shortcuts = w.findChildren<QShortcut*>(Qt::FindDirectChildrenOnly);
        EXPECT_EQ(static_cast<std::size_t>(shortcuts.size()), w.keys().size());
        for (const QShortcut* shortcut : shortcuts) {
            const QString key = shortcut->key().toString(QKeySequence::NativeText);
            EXPECT_TRUE(shown.contains(key + ": ")) << key.toStdString();
        }
        const char* lines[] = {"Space: play / pause",
                               "Ctrl+G: go to a time",
                               "F1: this help",
                               "Alt+P: Play",
                               "Alt+T: Step",
                               "Alt+V: Volume",
                               "Alt+K: Skip silence",
                               "Middle pedal: hold to play",
                               "Next, Previous: step forward"};
        for (const char* line : lines)
            EXPECT_TRUE(shown.contains(line)) << line << "\n" << shown.toStdString();
        EXPECT_FALSE(shown.contains("Alt+C: Close Window")) << shown.toStdString(); // a side window's own
        for (const QWidget* aid : std::initializer_list<const QWidget*>{
                 test::partOf<QCheckBox>(w, "keepPitchBox"), test::partOf<QCheckBox>(w, "skipSilenceBox"),
                 test::partOf<QSpinBox>(w, "rewindBox")})
            EXPECT_TRUE(shown.contains(aid->accessibleName() + ": " + aid->toolTip())) << shown.toStdString();
        QTest::keyClick(test::partOf<QTextBrowser>(help, "helpText"), Qt::Key_Escape);
        EXPECT_FALSE(help.isVisible());
    });
}

// Paused, the keys and buttons that move the position move it and play nothing; Play goes on
// from there (no rewind: the user chose the place) with the marks made meanwhile; at the end of
// the call Back still works.
TEST_F(KeysAndAidsTest, WhilePausedTheKeysMoveThePositionWithoutPlaying) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000 * 120);
    runOn(builder, "", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        const auto press = [&](int key) {
            QTest::keyClick(&w, static_cast<Qt::Key>(key));
            emit w.playbackChanged(); // a display tick
        };
        test::partOf<QSpinBox>(w, "rewindBox")->setValue(3);
        session.moveTo(8000 * 60);
        press(Qt::Key_Space);
        ASSERT_FALSE(session.snapshot().playing());
        struct Move {
            int key;
            std::uint64_t second; // where the position is after it
            const char* shown;
        };
        const Move moves[] = {{Qt::Key_Left, 30, "Time  0:30"},
                              {Qt::Key_Right, 60, "Time  1:00"},
                              {Qt::Key_Right, 90, "Time  1:30"},
                              {Qt::Key_Home, 0, "Time  0:00"},
                              {Qt::Key_Right, 30, "Time  0:30"}};
        for (const Move& move : moves) {
            press(move.key);
            EXPECT_EQ(session.snapshot().position, 8000u * move.second) << move.shown;
            EXPECT_EQ(test::partOf<QLabel>(w, "playTimeLabel")->text().toStdString(), move.shown);
            EXPECT_FALSE(session.snapshot().playing()) << move.shown;
        }
        EXPECT_TRUE(test::partOf<QPushButton>(w, "backButton")->isEnabled());
        EXPECT_TRUE(test::partOf<QPushButton>(w, "stepButton")->isEnabled());
        EXPECT_FALSE(test::partOf<QPushButton>(w, "stopButton")->isEnabled());
        press(Qt::Key_BracketLeft);
        EXPECT_EQ(session.snapshot().loopBegin, 8000u * 30);
        EXPECT_TRUE(test::partOf<QPushButton>(w, "markLoopEndButton")->isEnabled());
        press(Qt::Key_Space); // plays on from 0:30 itself, the mark kept
        PlaybackSnapshot now = session.snapshot();
        EXPECT_TRUE(now.playing());
        EXPECT_EQ(now.position, 8000u * 30);
        EXPECT_EQ(now.loopBegin, 8000u * 30);
        session.moveTo(8000 * 40);
        press(Qt::Key_BracketRight);
        press(Qt::Key_Space);
        press(Qt::Key_L);
        EXPECT_TRUE(session.snapshot().loopPlaying()); // the loop marked across a pause

        // The end of the call: Back hears the last words again.
        press(Qt::Key_Space);
        press(Qt::Key_Space);
        session.moveTo(8000 * 119);
        for (int pulls = 0; session.snapshot().playing() && pulls < 100; ++pulls) {
            device.pull(4000);
            emit w.playbackChanged(); // a display tick
        }
        ASSERT_FALSE(session.snapshot().playing());
        EXPECT_TRUE(test::partOf<QPushButton>(w, "backButton")->isEnabled());
        press(Qt::Key_Left);
        EXPECT_EQ(session.snapshot().position, 8000u * 90);
        EXPECT_FALSE(session.snapshot().playing());
    });
}

// Ctrl+G takes a time as m:ss, h:mm:ss or seconds; a text that is no time, or one past the end,
// says so and moves nothing. A click on the progress bar goes to that point. Neither starts play.
TEST_F(KeysAndAidsTest, CtrlGAndAClickOnTheProgressBarGoToATime) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000 * 120);
    runOn(builder, "", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        GoToTimeDialog& box = *test::partOf<GoToTimeDialog>(w, "goToTimeDialog");
        QTest::keyClick(&w, Qt::Key_Space); // paused
        struct Typed {
            const char* text;
            std::optional<std::uint64_t> second; // where it goes; empty: the box stays with a message
            const char* message;
        };
        const Typed typed[] = {
            {"1:30", 90, ""},
            {" 42 ", 42, ""},
            {"0:01:05", 65, ""},
            {"7.5", 7, ""},
            {"abc", std::nullopt, "\"abc\" is not a time: type m:ss, h:mm:ss or seconds"},
            {"1:75", std::nullopt, "\"1:75\" is not a time: type m:ss, h:mm:ss or seconds"},
            {"-5", std::nullopt, "\"-5\" is not a time: type m:ss, h:mm:ss or seconds"},
            {"2:00", std::nullopt, "2:00 is past the end of the call (2:00)"},
            {"1:00:00", std::nullopt, "1:00:00 is past the end of the call (2:00)"},
        };
        for (const Typed& t : typed) {
            const std::uint64_t before = session.snapshot().position;
            QTest::keyClick(&w, Qt::Key_G, Qt::ControlModifier);
            ASSERT_TRUE(box.isVisible()) << t.text;
            EXPECT_EQ(box.focusWidget(), test::partOf<QLineEdit>(box, "timeEdit")) << t.text;
            QTest::keyClicks(test::partOf<QLineEdit>(box, "timeEdit"), t.text);
            QTest::keyClick(test::partOf<QLineEdit>(box, "timeEdit"), Qt::Key_Return);
            emit w.playbackChanged(); // a display tick
            const PlaybackSnapshot now = session.snapshot();
            EXPECT_FALSE(now.playing()) << t.text;
            if (t.second) {
                EXPECT_FALSE(box.isVisible()) << t.text;
                EXPECT_EQ(now.position / 8000, *t.second) << t.text;
            } else {
                EXPECT_TRUE(box.isVisible()) << t.text;
                EXPECT_EQ(test::partOf<QLabel>(box, "messageLabel")->text().toStdString(), t.message);
                EXPECT_EQ(now.position, before) << t.text;
                QTest::keyClick(test::partOf<QLineEdit>(box, "timeEdit"), Qt::Key_Escape);
                EXPECT_FALSE(box.isVisible()) << t.text;
            }
        }
        // A click three quarters along the bar: 1:30 of the 2:00.
        QProgressBar* bar = test::partOf<QProgressBar>(w, "progressBar");
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() * 3 / 4, bar->height() / 2));
        EXPECT_NEAR(static_cast<double>(session.snapshot().position) / 8000, 90.0,
                    120.0 / bar->width() + 0.01);
        EXPECT_EQ(test::partOf<QLabel>(w, "playTimeLabel")->text().toStdString(),
                  playTimeText(static_cast<int>(session.snapshot().position / 8000))); // shown at once
        EXPECT_FALSE(session.snapshot().playing());
        // Playing, a go-to plays on from there.
        QTest::keyClick(&w, Qt::Key_Space);
        QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 4, bar->height() / 2));
        EXPECT_TRUE(session.snapshot().playing());
        EXPECT_NEAR(static_cast<double>(session.snapshot().position) / 8000, 30.0,
                    120.0 / bar->width() + 0.01);
    });
}

// A call left part way offers, when reopened, to go on from there: the call starts from the
// beginning and plays, and "Resume at m:ss" (or R) goes to where it was left, for ten seconds.
// Viewer mode neither offers nor keeps anything; a call heard to its end is forgotten.
TEST_F(KeysAndAidsTest, AReopenedCallOffersToResumeWhereItWasLeft) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000 * 120);
    const auto leaveAt = [&](std::uint64_t second) {
        return [&, second](test::InspectingUi& ui) { ui.player->session().moveTo(8000 * second); };
    };
    runOn(builder, "", leaveAt(92));
    PosixSystemServices system;
    std::string user;
    ASSERT_TRUE(system.userName(user, 64));
    const std::filesystem::path kept = dir.path() / user / "Kestrum.POS";
    ASSERT_TRUE(std::filesystem::is_regular_file(kept));
    EXPECT_EQ(std::filesystem::status(kept).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    const std::string keptBefore = test::readFileText(kept.string());

    runOn(builder, "^O1", [&](test::InspectingUi& ui) { // viewer mode: nothing offered
        EXPECT_FALSE(test::partOf<QPushButton>(*ui.playerWindow(), "resumeButton")->isVisible());
        ui.player->session().moveTo(8000 * 30);
    });
    EXPECT_EQ(test::readFileText(kept.string()), keptBefore); // and nothing kept

    runOn(builder, "", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        EXPECT_TRUE(session.snapshot().playing()); // from the start, as always
        EXPECT_LT(session.snapshot().position, 8000u);
        ASSERT_TRUE(test::partOf<QPushButton>(w, "resumeButton")->isVisible());
        EXPECT_EQ(test::partOf<QPushButton>(w, "resumeButton")->text().toStdString(), "Resume at 1:32");
        EXPECT_TRUE(test::partOf<QTimer>(w, "resumeOfferTimer")->isActive());
        EXPECT_EQ(test::partOf<QTimer>(w, "resumeOfferTimer")->interval(), 10000);
        QTest::keyClick(&w, Qt::Key_R);
        emit w.playbackChanged(); // a display tick
        EXPECT_EQ(session.snapshot().position, 8000u * 92);
        EXPECT_TRUE(session.snapshot().playing());
        EXPECT_FALSE(test::partOf<QPushButton>(w, "resumeButton")->isVisible());
        QTest::keyClick(&w, Qt::Key_R); // once only
        EXPECT_EQ(session.snapshot().position, 8000u * 92);
        session.moveTo(8000 * 120); // heard to the end
    });
    runOn(builder, "", [&](test::InspectingUi& ui) {
        EXPECT_FALSE(test::partOf<QPushButton>(*ui.playerWindow(), "resumeButton")->isVisible());
    });
}

TEST_F(KeysAndAidsTest, TheAidsControlsDriveThePlaybackAndAreKeptForTheNextRun) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000 * 10);
    runOn(builder, "", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        for (QCheckBox* box :
             {test::partOf<QCheckBox>(w, "keepPitchBox"), test::partOf<QCheckBox>(w, "evenVoicesBox"),
              test::partOf<QCheckBox>(w, "reduceNoiseBox"), test::partOf<QCheckBox>(w, "skipSilenceBox")})
            EXPECT_FALSE(box->isChecked()) << box->objectName().toStdString(); // every aid off at first
        EXPECT_EQ(test::partOf<QSpinBox>(w, "rewindBox")->value(), 0);
        test::partOf<SwitchSlider>(w, "playSpeedSwitch")->setPosition(4);
        EXPECT_EQ(device.opened.back().samplesPerSec, 12000u);
        test::partOf<QCheckBox>(w, "keepPitchBox")
            ->click(); // the device back at the recording's rate, the tempo in the filter
        EXPECT_TRUE(session.snapshot().aids.filters.keepPitch);
        EXPECT_EQ(device.opened.back().samplesPerSec, 8000u);
        test::partOf<QCheckBox>(w, "skipSilenceBox")->click();
        test::partOf<QSpinBox>(w, "rewindBox")->setValue(2);
        EXPECT_TRUE(session.snapshot().aids.skipSilence);
        EXPECT_EQ(session.snapshot().aids.rewindSeconds, 2);
        EXPECT_EQ(test::partOf<QCheckBox>(w, "keepPitchBox")->accessibleName(), "Keep pitch");
    });
    runOn(builder, "", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        EXPECT_TRUE(test::partOf<QCheckBox>(w, "keepPitchBox")->isChecked());
        EXPECT_TRUE(test::partOf<QCheckBox>(w, "skipSilenceBox")->isChecked());
        EXPECT_FALSE(test::partOf<QCheckBox>(w, "evenVoicesBox")->isChecked());
        EXPECT_EQ(test::partOf<QSpinBox>(w, "rewindBox")->value(), 2);
        EXPECT_TRUE(ui.player->session().snapshot().aids.filters.keepPitch);
        EXPECT_EQ(device.opened.back().samplesPerSec, 8000u); // Fast +50% without a higher rate
    });
    // A disc's player (viewer mode) starts with every aid off and keeps nothing.
    runOn(builder, "^O1", [&](test::InspectingUi& ui) {
        EXPECT_FALSE(test::partOf<QCheckBox>(*ui.playerWindow(), "keepPitchBox")->isChecked());
        test::partOf<QCheckBox>(*ui.playerWindow(), "evenVoicesBox")->click();
    });
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Kestrum.SET"));
}

} // namespace
} // namespace kestrum
