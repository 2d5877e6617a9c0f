// The waveform window on a real run: the knob's scale, the Run/Zoom/Scroll switch, the play
// position taken from the view, and when a chart click opens the annotation dialog.

#include "ui/WaveformWindow.h"
#include "app/InitRecord.h"
#include "ui/AnnotateDialog.h"
#include "ui/CommentWindows.h"
#include "ui/ScannedWordWindow.h"
#include "ui/UiRunFixture.h"
#include "widgets/Knob.h"
#include "widgets/SwitchSlider.h"

#include <QPushButton>
#include <QTimer>
#include <QWindow>

namespace kestrum {
namespace {

using test::InspectingUi;

class WaveformWindowTest : public test::UiRunFixture {
  protected:
    // Ten seconds of audio with a keyword, so keyword mode is 2.
    static test::RecordingBuilder recording() {
        test::RecordingBuilder builder(9);
        builder.words = {test::makeWord("gun", {16000})};
        builder.audio = test::makeAudio(80000);
        return builder;
    }
    // Opens the waveform window with playback paused, as a user looking at the view would.
    static WaveformWindow& openPaused(InspectingUi& ui) {
        ui.playerWindow()->waveformButton->click();
        ui.playerWindow()->stopButton->click();
        return *ui.waveformWindow();
    }
};

TEST_F(WaveformWindowTest, TheKnobSetsTheVisibleHalfSpanAroundTheView) {
    runOn(recording(), "", [&](InspectingUi& ui) {
        WaveformWindow& wave = openPaused(ui);
        ASSERT_TRUE(wave.isVisible());
        EXPECT_DOUBLE_EQ(wave.scale(), 0.0); // until the knob first moves
        wave.iStripChart1->setXRange(3.2, 3.4);        // centred on 3.3 s
        wave.iKnob1->setPosition(10);
        EXPECT_DOUBLE_EQ(wave.scale(), 0.1);
        // The view centres on the whole second of its centre with a half span of (0.1 x 100 + 1) x 0.05 s.
        EXPECT_NEAR(wave.iStripChart1->xMinimum(), 3.0 - 0.55, 1e-9);
        EXPECT_NEAR(wave.iStripChart1->xMaximum(), 3.0 + 0.55, 1e-9);
        // A wide view redraws on every second call only: two turns show the widest, 10.1 s.
        wave.iKnob1->setPosition(99.9);
        wave.iKnob1->setPosition(100);
        EXPECT_DOUBLE_EQ(wave.scale(), 1.0);
        EXPECT_NEAR(wave.iStripChart1->xMaximum() - wave.iStripChart1->xMinimum(), 10.1, 1e-9);
    });
}

TEST_F(WaveformWindowTest, ZoomAndScrollHoldTheTransportAndRunTakesThePositionFromTheView) {
    runOn(recording(), "", [&](InspectingUi& ui) {
        WaveformWindow& wave = openPaused(ui);
        PlayerWindow& player = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        player.playButton->click(); // playing: entering zoom pauses it
        ASSERT_TRUE(session.snapshot().playing());

        wave.iSwitchSlider1->setPosition(1); // Zoom
        EXPECT_FALSE(session.snapshot().playing());
        EXPECT_FALSE(player.playButton->isEnabled());
        EXPECT_FALSE(wave.iKnob1->isEnabled());
        EXPECT_EQ(wave.DownLeftBtn->text(), "Zoom &In");
        EXPECT_EQ(wave.UpRightBtn->text(), "Zoom &Out");
        wave.iStripChart1->setXRange(2, 6);
        wave.DownLeftBtn->click();
        EXPECT_DOUBLE_EQ(wave.iStripChart1->xMinimum(), 3);
        EXPECT_DOUBLE_EQ(wave.iStripChart1->xMaximum(), 5);
        wave.UpRightBtn->click();
        EXPECT_DOUBLE_EQ(wave.iStripChart1->xMaximum(), 6);

        wave.iSwitchSlider1->setPosition(2); // Scroll: the saved state stays as saved on entering Zoom
        EXPECT_EQ(wave.DownLeftBtn->text(), "Scroll &Left");
        wave.DownLeftBtn->click();
        EXPECT_DOUBLE_EQ(wave.iStripChart1->xMinimum(), 0);
        EXPECT_DOUBLE_EQ(wave.iStripChart1->xMaximum(), 4);
        wave.UpRightBtn->click();
        wave.UpRightBtn->click();
        EXPECT_DOUBLE_EQ(wave.iStripChart1->xMinimum(), 4);

        wave.iSwitchSlider1->setPosition(0); // Run: centred on 6 s
        EXPECT_EQ(session.snapshot().position, 6u * 8000);
        EXPECT_TRUE(player.playButton->isEnabled());
        EXPECT_TRUE(wave.iKnob1->isEnabled());
        EXPECT_FALSE(wave.DownLeftBtn->isEnabled());
        EXPECT_EQ(wave.iStripChart1->verticalLineCount(), 1);

        // Past the end: the end. Before the start: the start.
        wave.iSwitchSlider1->setPosition(2);
        wave.iStripChart1->setXRange(20, 30);
        wave.iSwitchSlider1->setPosition(0);
        EXPECT_EQ(session.snapshot().position, 80000u);
        wave.iSwitchSlider1->setPosition(2);
        wave.iStripChart1->setXRange(-8, -2);
        wave.iSwitchSlider1->setPosition(0);
        EXPECT_EQ(session.snapshot().position, 0u);

        // Hiding the window returns it to Run.
        wave.iSwitchSlider1->setPosition(1);
        wave.hide();
        EXPECT_EQ(wave.iSwitchSlider1->position(), 0);
        EXPECT_TRUE(player.playButton->isEnabled());
    });
}

TEST_F(WaveformWindowTest, AChartClickAnnotatesOnlyInRunWithKeywordsAndNoLoopPlay) {
    int opened = 0;
    const auto clickCounting = [&](InspectingUi& ui, auto&& prepare) {
        WaveformWindow& wave = openPaused(ui);
        wave.annotate = [&] { ++opened; };
        prepare(ui, wave);
        emit wave.iStripChart1->clicked();
    };
    runOn(recording(), "", [&](InspectingUi& ui) {
        clickCounting(ui, [](InspectingUi&, WaveformWindow&) {});
        EXPECT_EQ(opened, 1);
        clickCounting(ui, [](InspectingUi&, WaveformWindow& wave) { wave.iSwitchSlider1->setPosition(1); });
        EXPECT_EQ(opened, 1);
        clickCounting(ui, [](InspectingUi& inner, WaveformWindow& wave) {
            wave.iSwitchSlider1->setPosition(0);
            PlayerWindow& player = *inner.playerWindow();
            player.playButton->click();
            player.markLoopBeginButton->click();
            player.markLoopEndButton->click();
            player.playLoopButton->click();
        });
        EXPECT_EQ(opened, 1);
        ui.playerWindow()->playLoopButton->click();
        // The sound waits while the dialog is open, and goes on after it as it did before.
        ui.playerWindow()->playButton->click();
        ui.waveformWindow()->annotate = [&] {
            ++opened;
            EXPECT_FALSE(device.running());
        };
        emit ui.waveformWindow()->iStripChart1->clicked();
        EXPECT_EQ(opened, 2);
        EXPECT_TRUE(ui.player->session().snapshot().playing());
        EXPECT_TRUE(device.running());
    });
    test::RecordingBuilder noKeywords(9);
    noKeywords.audio = test::makeAudio(8000);
    runOn(noKeywords, "^S1",
          [&](InspectingUi& ui) { clickCounting(ui, [](InspectingUi&, WaveformWindow&) {}); });
    EXPECT_EQ(opened, 2);
    runOn(recording(), "^O1",
          [&](InspectingUi& ui) { clickCounting(ui, [](InspectingUi&, WaveformWindow&) {}); });
    EXPECT_EQ(opened, 2);
}

TEST_F(WaveformWindowTest, ItsPlaceAndScaleAreKeptInTheInitFile) {
    runOn(recording(), "", [&](InspectingUi& ui) {
        WaveformWindow& wave = openPaused(ui);
        wave.move(40, 300);
        wave.iKnob1->setPosition(42.5);
    });
    runOn(recording(), "", [&](InspectingUi& ui) {
        WaveformWindow& wave = *ui.waveformWindow();
        EXPECT_TRUE(wave.isVisible()); // open at the end of the last run
        EXPECT_DOUBLE_EQ(wave.iKnob1->position(), 42.5);
        EXPECT_EQ(wave.pos(), QPoint(40, 300));
    });
}

// Counts the hide events a window gets.
class HideCounter : public QObject {
  public:
    int hides = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        hides += event->type() == QEvent::Hide;
        return false;
    }
};

TEST_F(WaveformWindowTest, LeavingAndRegainingTheTopKeepsTheViewAndTheTransportAsTheyStand) {
    runOn(recording(), "", [&](InspectingUi& ui) {
        WaveformWindow& wave = openPaused(ui);
        PlayerWindow& player = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        wave.iSwitchSlider1->setPosition(2); // Scroll
        wave.iStripChart1->setXRange(5, 7);
        const std::uint64_t position = session.snapshot().position;
        HideCounter counter;
        wave.installEventFilter(&counter);

        // As while the disc program runs: off the top, then back.
        for (const bool onTop : {false, true}) {
            SCOPED_TRACE(onTop);
            ui.setSideWindowsOnTop(onTop);
            EXPECT_EQ(counter.hides, 0);
            EXPECT_TRUE(wave.isVisible());
            EXPECT_EQ(wave.iSwitchSlider1->position(), 2);
            EXPECT_EQ(session.snapshot().position, position);
            EXPECT_FALSE(player.playButton->isEnabled()); // still held by the view
            EXPECT_DOUBLE_EQ(wave.iStripChart1->xMinimum(), 5);
            EXPECT_EQ(wave.windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
            ASSERT_NE(wave.windowHandle(), nullptr);
            EXPECT_EQ(wave.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), onTop);
            // A side window never shown takes the flag when it is made.
            EXPECT_EQ(ui.newCommentsWindow()->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
        }

        // Playing in Run, the same: playback goes on from where it stands.
        wave.iSwitchSlider1->setPosition(0);
        player.playButton->click();
        ui.setSideWindowsOnTop(false);
        ui.setSideWindowsOnTop(true);
        EXPECT_EQ(counter.hides, 0);
        EXPECT_TRUE(session.snapshot().playing());
        wave.removeEventFilter(&counter);
    });
}

TEST_F(WaveformWindowTest, ViewerModeWithoutAnInitFilePutsItBelowThePlayerAtTheWidestScale) {
    runOn(recording(), "^O1", [&](InspectingUi& ui) {
        WaveformWindow& wave = *ui.waveformWindow();
        EXPECT_EQ(wave.pos(), QPoint(1, 310));
        EXPECT_DOUBLE_EQ(wave.iKnob1->position(), 100);
        EXPECT_EQ(ui.scannedWordWindow()->pos(), QPoint(400, 50));
    });
}

TEST_F(WaveformWindowTest, AStoredPlaceBeyondTheScreenIsRefusedLikeTheSideWindows) {
    // Viewer mode reads the init file from the working directory. The offscreen screen is 800 x 600:
    // a left or top of the screen's size less 50 or more is not applied.
    InitRecord stored;
    stored.waveformLeft = 40;
    stored.waveformTop = 4000;
    stored.waveformKnobPosition = 30;
    stored.keywordLeft = 40;
    stored.keywordTop = 4000;
    stored.keywordWidth = 384;
    stored.keywordHeight = 229;
    stored.stepSizePosition = 3;
    stored.playSpeedPosition = 2;
    const layout::Bytes<InitRecord> bytes = layout::encode(stored);
    test::writeFileBytes(dir.file("Kestrum.DAT"), {bytes.begin(), bytes.end()});
    runOn(recording(), "^O1", [&](InspectingUi& ui) {
        const QPoint wave = ui.waveformWindow()->pos();
        const QPoint words = ui.scannedWordWindow()->pos();
        EXPECT_EQ(wave.x(), 40);
        EXPECT_NE(wave.y(), 4000);
        EXPECT_EQ(wave.y(), words.y());
        EXPECT_DOUBLE_EQ(ui.waveformWindow()->iKnob1->position(), 30);
    });

    stored.waveformLeft = 750;
    stored.waveformTop = 549;
    const layout::Bytes<InitRecord> edge = layout::encode(stored);
    test::writeFileBytes(dir.file("Kestrum.DAT"), {edge.begin(), edge.end()});
    runOn(recording(), "^O1", [&](InspectingUi& ui) {
        EXPECT_NE(ui.waveformWindow()->pos().x(), 750);
        EXPECT_EQ(ui.waveformWindow()->pos().y(), 549);
    });
}

} // namespace
} // namespace kestrum
