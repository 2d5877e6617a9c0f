// The player window as start-up shows it.

#include "recording/FieldText.h"
#include "ui/PlayerApplication.h"
#include "ui/SplashScreen.h"
#include "ui/UiRunFixture.h"
#include "widgets/CallOverview.h"
#include "widgets/SwitchSlider.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <stdexcept>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

class PlayerWindowTest : public test::UiRunFixture {
  protected:
    int runOn(const test::RecordingBuilder& builder, const std::string& options,
              std::function<void(PlayerWindow&)> inspect) {
        return UiRunFixture::runOn(builder, options,
                                   [&](test::InspectingUi& ui) { inspect(*ui.playerWindow()); });
    }
};

TEST_F(PlayerWindowTest, ShowsTheDetailLinesAndStartsPlaying) {
    test::RecordingBuilder builder(11);
    builder.vrh3.cost = 1234;
    builder.vrh3.duration = 125;
    builder.vrh3.compCode = 3;
    builder.audio = test::makeAudio(16000);
    bool inspected = false;
    EXPECT_EQ(
        runOn(
            builder, "^NInm",
            [&](PlayerWindow& w) {
                inspected = true;
                EXPECT_TRUE(w.windowTitle().startsWith("LUMBRA PLAYER  v"));
                EXPECT_EQ(test::partOf<QLabel>(w, "identifierLine")->text(), "Inm:  RID123");
                EXPECT_EQ(test::partOf<QLabel>(w, "recordedLine")->text(), "Recorded:  3/05/2004   09:07:02");
                EXPECT_EQ(test::partOf<QLabel>(w, "firstNameLine")->text(), "First Name:  John");
                EXPECT_EQ(test::partOf<QLabel>(w, "lastNameLine")->text(), "Last Name:  Smith");
                EXPECT_EQ(test::partOf<QLabel>(w, "trunkDestinationLine")->text(),
                          "Trunk:  0   Destination ANI:  5551234");
                EXPECT_EQ(test::partOf<QLabel>(w, "siteLine")->text(),
                          "Recorded By Site Number 7,0   System:  SYS1");
                EXPECT_EQ(test::partOf<QLabel>(w, "stationAniLine")->text(), "Station ANI:  ");
                EXPECT_EQ(test::partOf<QLabel>(w, "stationNameLine")->text(), "Station Name:  Block A");
                EXPECT_EQ(test::partOf<QLabel>(w, "costLine")->text(),
                          "Cost:  12.34   Duration:  2:05   Completion Code:  3");
                EXPECT_EQ(test::partOf<QLabel>(w, "archivedByLine")->text(), "");
                EXPECT_FALSE(test::partOf<QLabel>(w, "ownershipLine")->text().isEmpty());
                EXPECT_TRUE(test::partOf<QTimer>(w, "displayTimer")->isActive());
                EXPECT_EQ(test::partOf<QTimer>(w, "displayTimer")->interval(), 100);
                EXPECT_FALSE(test::partOf<QPushButton>(w, "exportButton")->isVisibleTo(&w)); // export mode 0
                EXPECT_FALSE(test::partOf<QPushButton>(w, "commentsButton")->isVisibleTo(&w));
            }),
        0);
    EXPECT_TRUE(inspected);
    EXPECT_TRUE(messenger.shown.empty());
}

TEST_F(PlayerWindowTest, TheHeadersTextIsReadAsWindows1252WhateverTheVersion) {
    for (const int version : {6, 8, 10}) {
        test::RecordingBuilder builder(version);
        setFieldText(builder.vrh.lastName, "M\xFCller");
        setFieldText(builder.vrh2.lastName, "M\xFCller");
        setFieldText(builder.vrh3.lastName, "M\xFCller");
        setFieldText(builder.vrh3.firstName, "\x93Jo\x94");
        setFieldText(builder.vrh3.middleName, "\x80");
        setFieldText(builder.vrh3.stationName, "Fl\xFCgel \x96 B");
        builder.audio = test::makeAudio(4000);
        runOn(builder, "^D3/5/2004^T9:07", [&](PlayerWindow& w) {
            SCOPED_TRACE(version);
            EXPECT_EQ(test::partOf<QLabel>(w, "lastNameLine")->text(),
                      QString::fromUtf8("Last Name:  M\u00FCller"));
            if (version == 10) {
                EXPECT_EQ(test::partOf<QLabel>(w, "firstNameLine")->text(),
                          QString::fromUtf8("First Name:  \u201CJo\u201D   Middle Name:  \u20AC"));
                EXPECT_EQ(test::partOf<QLabel>(w, "stationNameLine")->text(),
                          QString::fromUtf8("Station Name:  Fl\u00FCgel \u2013 B"));
            }
            // Texts from the command line are shown as given.
            EXPECT_EQ(test::partOf<QLabel>(w, "recordedLine")->text(), "Recorded:  3/5/2004   9:07");
        });
    }
}

TEST_F(PlayerWindowTest, TheKeywordButtonFollowsTheVersion) {
    for (const int version : {7, 8}) {
        test::RecordingBuilder builder(version);
        builder.audio = test::makeAudio(4000);
        runOn(builder, "^S2^C1^E2", [&](PlayerWindow& w) {
            EXPECT_TRUE(test::partOf<QPushButton>(w, "keywordsButton")->isVisibleTo(&w));
            EXPECT_EQ(test::partOf<QPushButton>(w, "keywordsButton")->isEnabled(), version == 8) << version;
            EXPECT_TRUE(test::partOf<QPushButton>(w, "commentsButton")->isVisibleTo(&w));
            EXPECT_FALSE(test::partOf<QPushButton>(w, "commentsButton")->isEnabled());
            EXPECT_TRUE(test::partOf<QPushButton>(w, "exportButton")->isEnabled());
            EXPECT_EQ(test::partOf<QPushButton>(w, "exportButton")->text(), "Add To CD &Export List");
        });
    }
}

TEST_F(PlayerWindowTest, TheVolumeBarStartsAtTheTopAndScalesTheSound) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(4000);
    UiRunFixture::runOn(builder, "", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        EXPECT_EQ(test::partOf<QLabel>(w, "volumePercentLabel")->text(), "100%");
        EXPECT_EQ(test::partOf<QSlider>(w, "volumeBar")->value(), 0);
        EXPECT_EQ(device.pull(2),
                  std::vector<std::uint8_t>(builder.audio.begin(), builder.audio.begin() + 2));
        test::partOf<QSlider>(w, "volumeBar")->setValue(16);
        EXPECT_EQ(test::partOf<QLabel>(w, "volumePercentLabel")->text(), "50%");
        const std::vector<std::uint8_t> half = device.pull(2);
        EXPECT_EQ(half[0], 128 + (builder.audio[2] - 128) * 0x7FFF / 0xFFFF);
        test::partOf<QSlider>(w, "volumeBar")->setValue(32);
        EXPECT_EQ(test::partOf<QLabel>(w, "volumePercentLabel")->text(), "00%");
        EXPECT_EQ(device.pull(2), std::vector<std::uint8_t>(2, 0x80));
    });
}

TEST_F(PlayerWindowTest, TheTransportButtonsActOnThePlaybackAndShowItsState) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(8000 * 60);
    UiRunFixture::runOn(builder, "", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        ASSERT_TRUE(session.snapshot().playing()); // the first showing plays
        EXPECT_TRUE(device.running());
        test::partOf<QPushButton>(w, "stepButton")->click(); // 30 s
        EXPECT_EQ(session.snapshot().position, 8000u * 30);
        EXPECT_EQ(test::partOf<QLabel>(w, "playTimeLabel")->text(), "Time  0:30");
        EXPECT_EQ(test::partOf<QLabel>(w, "percentLabel")->text(), "50%");
        test::partOf<QPushButton>(w, "markLoopBeginButton")->click();
        EXPECT_TRUE(test::partOf<QPushButton>(w, "markLoopEndButton")->isEnabled());
        device.pull(8000);
        test::partOf<QPushButton>(w, "markLoopEndButton")->click();
        ASSERT_TRUE(test::partOf<QPushButton>(w, "playLoopButton")->isEnabled());
        test::partOf<QPushButton>(w, "playLoopButton")->click();
        EXPECT_EQ(test::partOf<QPushButton>(w, "playLoopButton")->text(), "Stop &Loop");
        EXPECT_EQ(test::partOf<QPushButton>(w, "playLoopButton")->accessibleName(), "Stop Loop");
        EXPECT_FALSE(test::partOf<QPushButton>(w, "playButton")->isEnabled());
        EXPECT_FALSE(test::partOf<QPushButton>(w, "stepButton")->isEnabled());
        EXPECT_EQ(device.pull(4), std::vector<std::uint8_t>(builder.audio.begin() + 8000 * 30,
                                                            builder.audio.begin() + 8000 * 30 + 4));
        test::partOf<QPushButton>(w, "playLoopButton")->click();
        EXPECT_EQ(test::partOf<QPushButton>(w, "playLoopButton")->text(), "Play &Loop");
        EXPECT_TRUE(test::partOf<QPushButton>(w, "playButton")->isEnabled());
        EXPECT_FALSE(device.running());
        EXPECT_EQ(test::partOf<QProgressBar>(w, "progressBar")->value(), 0);

        test::partOf<QPushButton>(w, "playButton")->click();
        test::partOf<QPushButton>(w, "stopButton")->click();
        EXPECT_FALSE(device.running());
        // Paused, what moves the position stays usable; Play cleared the marks of the loop.
        for (QPushButton* off :
             {test::partOf<QPushButton>(w, "stopButton"), test::partOf<QPushButton>(w, "markLoopEndButton"),
              test::partOf<QPushButton>(w, "playLoopButton")})
            EXPECT_FALSE(off->isEnabled()) << off->objectName().toStdString();
        for (QPushButton* on :
             {test::partOf<QPushButton>(w, "backButton"), test::partOf<QPushButton>(w, "stepButton"),
              test::partOf<QPushButton>(w, "markLoopBeginButton")})
            EXPECT_TRUE(on->isEnabled()) << on->objectName().toStdString();
        test::partOf<QPushButton>(w, "restartButton")->click();
        EXPECT_EQ(test::partOf<QLabel>(w, "playTimeLabel")->text(), "Time  0:00");
        EXPECT_EQ(test::partOf<QLabel>(w, "percentLabel")->text(), "00%");
        EXPECT_FALSE(device.running()); // restart while stopped stays stopped
    });
}

TEST_F(PlayerWindowTest, ControlsCarryTheirNamesHintsAndAccessibleNames) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(4000);
    runOn(builder, "", [&](PlayerWindow& w) {
        EXPECT_EQ(w.objectName(), "playerWindow");
        const QPushButton* play = w.findChild<QPushButton*>("playButton");
        ASSERT_NE(play, nullptr);
        EXPECT_EQ(play->text(), "&Play");
        EXPECT_EQ(play->accessibleName(), "Play");
        EXPECT_EQ(play->toolTip(), "Start Play Back (Space)"); // the hint, and the key that does the same
        EXPECT_EQ(w.findChild<QPushButton*>("stopButton")->accessibleName(), "Stop / Pause");
        EXPECT_EQ(w.findChild<QPushButton*>("stepButton")->accessibleName(), "Step");
        EXPECT_EQ(test::partOf<QSlider>(w, "volumeBar")->toolTip(), "Adjust The Speaker  Volume (Up, Down)");
        EXPECT_EQ(test::partOf<SwitchSlider>(w, "playSpeedSwitch")->positionLabels().size(), 5);
        EXPECT_EQ(test::partOf<SwitchSlider>(w, "stepSizeSwitch")->position(), 3);
        EXPECT_EQ(test::partOf<QPushButton>(w, "backButton")->toolTip(), "Steps Back 30 Seconds (Left)");
        for (const char* name :
             {"restartButton", "backButton", "markLoopBeginButton", "markLoopEndButton", "playLoopButton",
              "commentsButton", "keywordsButton", "waveformButton", "exportButton", "closeButton"})
            EXPECT_NE(w.findChild<QPushButton*>(name), nullptr) << name;
    });
}

// What a screen reader hears for a widget: its accessible name.
QString accessibleName(QWidget* widget) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    return accessible != nullptr ? accessible->text(QAccessible::Name) : QString();
}

TEST_F(PlayerWindowTest, EveryLabelIsHeardWithTheTextItShows) {
    test::RecordingBuilder builder(9);
    builder.comments = "note\r\n";
    builder.words = {test::makeWord("gun", {8000})};
    builder.audio = test::makeAudio(16000);
    UiRunFixture::runOn(builder, "^C3", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        EXPECT_EQ(accessibleName(test::partOf<QLabel>(w, "playTimeLabel")), "Time  0:00");
        ui.player->session().moveTo(8000 + 10);
        emit w.playbackChanged(); // a display tick
        EXPECT_EQ(accessibleName(test::partOf<QLabel>(w, "playTimeLabel")), "Time  0:01");
        EXPECT_EQ(accessibleName(test::partOf<QLabel>(w, "percentLabel")), "50%");
        // Every label of every window, the side windows' playing times among them.
        test::partOf<QPushButton>(w, "keywordsButton")->click();
        test::partOf<QPushButton>(w, "commentsButton")->click();
        int labels = 0;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            for (QLabel* label : window->findChildren<QLabel*>()) {
                ++labels;
                EXPECT_TRUE(accessibleName(label).contains(QString(label->text()).remove('&')))
                    << label->objectName().toStdString() << ": " << accessibleName(label).toStdString();
            }
        }
        EXPECT_GT(labels, 20);
    });
}

// The call overview under the transport, as a user and a screen reader meet it: the whole call with
// its silence shaded, its keywords and loop marked where they are, the play position moved by a
// click, a drag or its keys.
TEST_F(PlayerWindowTest, TheCallOverviewMarksTheCallAndMovesThePlayPositionByMouseAndKeys) {
    test::RecordingBuilder builder(9);
    builder.words = {test::makeWord("gun", {8000 * 12, 8000 * 45}), test::makeWord("cash", {8000 * 36})};
    builder.audio = test::makeAudio(8000 * 60);
    std::fill(builder.audio.begin() + 8000 * 20, builder.audio.begin() + 8000 * 26, std::uint8_t{0x80});
    UiRunFixture::runOn(builder, "", [&](test::InspectingUi& ui) {
        PlayerWindow& w = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        emit w.playbackChanged(); // a display tick
        QWidget* named = nullptr;
        for (QWidget* child : w.findChildren<QWidget*>())
            if (accessibleName(child) == "Call overview")
                named = child;
        ASSERT_NE(named, nullptr);
        auto* overview = qobject_cast<CallOverview*>(named);
        ASSERT_NE(overview, nullptr);
        EXPECT_TRUE(overview->isVisible());
        EXPECT_GT(overview->mapTo(&w, QPoint(0, 0)).y(),
                  test::partOf<QPushButton>(w, "playLoopButton")->mapTo(&w, QPoint(0, 0)).y());
        EXPECT_EQ(overview->focusPolicy(), Qt::TabFocus);

        // What it shows, and where: a keyword's byte offset is its time.
        EXPECT_DOUBLE_EQ(overview->length(), 60);
        EXPECT_EQ(overview->marks(), (std::vector<double>{12, 36, 45}));
        ASSERT_EQ(overview->shadedSpans().size(), 1u);
        EXPECT_NEAR(overview->shadedSpans()[0].from, 20, 0.1);
        EXPECT_NEAR(overview->shadedSpans()[0].to, 26, 0.1);
        const int top = 3; // the strip's first row inside the focus frame
        const auto drawnAt = [&](double seconds) {
            return overview->grab().toImage().pixelColor(overview->xOf(seconds), top);
        };
        for (const double keyword : {12.0, 36.0, 45.0})
            EXPECT_EQ(drawnAt(keyword), CallOverview::kMarkColour) << keyword;
        EXPECT_EQ(drawnAt(23), CallOverview::kShadeColour);
        EXPECT_NE(drawnAt(15), CallOverview::kMarkColour);
        EXPECT_FALSE(overview->loopBegin());

        // A click plays from where it is (half-way: 30 s of 60), a drag from where it ends.
        const int middle = overview->height() / 2;
        const double column = 60.0 / (overview->width() - 4); // seconds of one pixel column
        const auto playsAt = [&] { return session.clock().secondsOf(session.snapshot().position); };
        QTest::mouseClick(overview, Qt::LeftButton, {}, QPoint(overview->width() / 2, middle));
        EXPECT_NEAR(playsAt(), 30, 2 * column);
        EXPECT_TRUE(session.snapshot().playing());
        EXPECT_NE(w.focusWidget(), overview); // the window's keys stay the window's
        test::partOf<QPushButton>(w, "markLoopBeginButton")->click();
        QTest::mousePress(overview, Qt::LeftButton, {}, QPoint(overview->width() / 4, middle));
        EXPECT_NEAR(playsAt(), 15, 2 * column);
        QTest::mouseMove(overview, QPoint(overview->width() * 3 / 4, middle));
        QTest::mouseRelease(overview, Qt::LeftButton, {}, QPoint(overview->width() * 3 / 4, middle));
        EXPECT_NEAR(playsAt(), 45, 2 * column);
        test::partOf<QPushButton>(w, "markLoopEndButton")->click();
        ASSERT_TRUE(overview->loopBegin() && overview->loopEnd());
        EXPECT_NEAR(*overview->loopBegin(), 30, 2 * column);
        EXPECT_NEAR(*overview->loopEnd(), 45, 2 * column);
        EXPECT_EQ(drawnAt(*overview->loopBegin()), CallOverview::kLoopColour);
        EXPECT_EQ(drawnAt(overview->position()), CallOverview::kPositionColour);

        // With the focus its keys are its own: Left and Right a step, Home and End the ends.
        overview->setFocus();
        const auto press = [&](Qt::Key key) {
            QTest::keyClick(overview, key);
            emit w.playbackChanged(); // a display tick
        };
        press(Qt::Key_Home);
        EXPECT_EQ(session.snapshot().position, 0u);
        press(Qt::Key_Right);
        press(Qt::Key_Right);
        EXPECT_EQ(session.snapshot().position, 8000u * 10); // not the Step button's 30 s
        press(Qt::Key_Left);
        EXPECT_EQ(session.snapshot().position, 8000u * 5);
        press(Qt::Key_End); // the last second, as any jump to or past the end
        EXPECT_EQ(session.snapshot().position, 8000u * 59);
        press(Qt::Key_PageUp);
        EXPECT_EQ(session.snapshot().position, 8000u * 53);

        // A screen reader reads the position as a slider's value, and may set it.
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(overview);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::Slider);
        ASSERT_NE(accessible->valueInterface(), nullptr);
        EXPECT_DOUBLE_EQ(accessible->valueInterface()->currentValue().toDouble(), 53);
        EXPECT_EQ(accessible->text(QAccessible::Value), "0:53 of 1:00");
        accessible->valueInterface()->setCurrentValue(12.0);
        EXPECT_EQ(session.snapshot().position, 8000u * 12);
    });
}

TEST_F(PlayerWindowTest, OnlyThePlayerWindowCarriesTheProductTitleOnceItShows) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(4000);
    runOn(builder, "", [&](PlayerWindow& w) {
        int titled = 0;
        for (const QWidget* window : QApplication::topLevelWidgets())
            titled += window->windowTitle().startsWith("LUMBRA PLAYER");
        EXPECT_EQ(titled, 1);
        EXPECT_TRUE(w.windowTitle().startsWith("LUMBRA PLAYER"));
        EXPECT_EQ(w.findChild<SplashScreen*>(), nullptr);
        for (const QWidget* window : QApplication::topLevelWidgets())
            EXPECT_EQ(qobject_cast<const SplashScreen*>(window), nullptr);
    });
}

// An object whose every event handler throws, as a faulty handler would.
class ThrowingObject : public QObject {
  public:
    bool event(QEvent*) override { throw std::runtime_error("the handler failed"); }
};

TEST_F(PlayerWindowTest, AnExceptionFromAnEventHandlerIsShownAndTheShutdownRunsOnce) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(16000);
    builder.writeTo(path);
    test::ScopedCurrentDirectory here(dir.path());
    PosixSystemServices system;
    test::InspectingUi ui;
    ui.inspect = [&](test::InspectingUi& running) {
        ASSERT_TRUE(test::partOf<QTimer>(*running.playerWindow(), "displayTimer")->isActive());
        ThrowingObject faulty;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&faulty, &event);
        // Shown, and the shutdown has run: playback stopped, the lock gone.
        EXPECT_EQ(messenger.onlyText(), "the handler failed");
        EXPECT_FALSE(test::partOf<QTimer>(*running.playerWindow(), "displayTimer")->isActive());
        EXPECT_TRUE(running.player->state().progress.shutdownDone);
    };
    Player player(messenger, system, device, ui);
    auto* application = qobject_cast<PlayerApplication*>(QCoreApplication::instance());
    ASSERT_NE(application, nullptr);
    EXPECT_EQ(application->runPlayer(player, "^F" + path), 0);
    EXPECT_EQ(messenger.shown.size(), 1u) << messenger.onlyText();
    fs::path user;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.path()))
        if (entry.is_directory())
            user = entry.path();
    ASSERT_TRUE(fs::exists(user / "Kestrum.DAT"));
    EXPECT_EQ(fs::file_size(user / "Kestrum.DAT"), 96u);
    EXPECT_FALSE(fs::exists(user / "Kestrum.LCK"));
    EXPECT_NE(test::readFileText((user / "Kestrum.LOG").string()).find(" the handler failed\r\n"),
              std::string::npos);
}

TEST_F(PlayerWindowTest, TheSwitchPositionsAreSavedAndRestoredThroughTheInitFile) {
    test::RecordingBuilder builder(9);
    builder.audio = test::makeAudio(4000);
    runOn(builder, "", [&](PlayerWindow& w) {
        test::partOf<SwitchSlider>(w, "stepSizeSwitch")->setPosition(1);
        EXPECT_EQ(test::partOf<QPushButton>(w, "backButton")->toolTip(), "Steps Back 10 Seconds (Left)");
        test::partOf<SwitchSlider>(w, "playSpeedSwitch")->setPosition(4);
        EXPECT_EQ(device.opened.back().samplesPerSec, 12000u);
    });
    runOn(builder, "", [&](PlayerWindow& w) {
        EXPECT_EQ(test::partOf<SwitchSlider>(w, "stepSizeSwitch")->position(), 1);
        EXPECT_EQ(test::partOf<SwitchSlider>(w, "playSpeedSwitch")->position(), 4);
        // Play starts at the restored speed.
        EXPECT_EQ(device.opened.back().samplesPerSec, 12000u);
    });
}

} // namespace
} // namespace kestrum
