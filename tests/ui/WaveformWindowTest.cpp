// The waveform window on a real run: the knob's scale, the Run/Zoom/Scroll switch, the play
// position taken from the view, and when a chart click opens the annotation dialog.

#include "ui/WaveformWindow.h"
#include "app/InitRecord.h"
#include "support/KeyTones.h"
#include "support/ProcessRunner.h"
#include "ui/AnnotateDialog.h"
#include "ui/CommentWindows.h"
#include "ui/ScannedWordWindow.h"
#include "ui/UiRunFixture.h"
#include "widgets/CallOverview.h"
#include "widgets/Knob.h"
#include "widgets/SwitchSlider.h"

#include <QCheckBox>
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
        test::partOf<QPushButton>(*ui.playerWindow(), "waveformButton")->click();
        test::partOf<QPushButton>(*ui.playerWindow(), "stopButton")->click();
        return *ui.waveformWindow();
    }
};

TEST_F(WaveformWindowTest, TheKnobSetsTheVisibleHalfSpanAroundTheView) {
    runOn(recording(), "", [&](InspectingUi& ui) {
        WaveformWindow& wave = openPaused(ui);
        ASSERT_TRUE(wave.isVisible());
        EXPECT_DOUBLE_EQ(wave.scale(), 0.0);                                  // until the knob first moves
        test::partOf<StripChart>(wave, "waveformChart")->setXRange(3.2, 3.4); // centred on 3.3 s
        test::partOf<Knob>(wave, "scaleKnob")->setPosition(10);
        EXPECT_DOUBLE_EQ(wave.scale(), 0.1);
        // The view centres on the whole second of its centre with a half span of (0.1 x 100 + 1) x 0.05 s.
        EXPECT_NEAR(test::partOf<StripChart>(wave, "waveformChart")->xMinimum(), 3.0 - 0.55, 1e-9);
        EXPECT_NEAR(test::partOf<StripChart>(wave, "waveformChart")->xMaximum(), 3.0 + 0.55, 1e-9);
        // A wide view redraws on every second call only: two turns show the widest, 10.1 s.
        test::partOf<Knob>(wave, "scaleKnob")->setPosition(99.9);
        test::partOf<Knob>(wave, "scaleKnob")->setPosition(100);
        EXPECT_DOUBLE_EQ(wave.scale(), 1.0);
        EXPECT_NEAR(test::partOf<StripChart>(wave, "waveformChart")->xMaximum() -
                        test::partOf<StripChart>(wave, "waveformChart")->xMinimum(),
                    10.1, 1e-9);
    });
}

TEST_F(WaveformWindowTest, ZoomAndScrollHoldTheTransportAndRunTakesThePositionFromTheView) {
    runOn(recording(), "", [&](InspectingUi& ui) {
        WaveformWindow& wave = openPaused(ui);
        PlayerWindow& player = *ui.playerWindow();
        PlaybackSession& session = ui.player->session();
        test::partOf<QPushButton>(player, "playButton")->click(); // playing: entering zoom pauses it
        ASSERT_TRUE(session.snapshot().playing());

        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(1); // Zoom
        EXPECT_FALSE(session.snapshot().playing());
        EXPECT_FALSE(test::partOf<QPushButton>(player, "playButton")->isEnabled());
        EXPECT_FALSE(test::partOf<Knob>(wave, "scaleKnob")->isEnabled());
        EXPECT_EQ(test::partOf<QPushButton>(wave, "zoomInOrLeftButton")->text(), "Zoom &In");
        EXPECT_EQ(test::partOf<QPushButton>(wave, "zoomOutOrRightButton")->text(), "Zoom &Out");
        test::partOf<StripChart>(wave, "waveformChart")->setXRange(2, 6);
        test::partOf<QPushButton>(wave, "zoomInOrLeftButton")->click();
        EXPECT_DOUBLE_EQ(test::partOf<StripChart>(wave, "waveformChart")->xMinimum(), 3);
        EXPECT_DOUBLE_EQ(test::partOf<StripChart>(wave, "waveformChart")->xMaximum(), 5);
        test::partOf<QPushButton>(wave, "zoomOutOrRightButton")->click();
        EXPECT_DOUBLE_EQ(test::partOf<StripChart>(wave, "waveformChart")->xMaximum(), 6);

        test::partOf<SwitchSlider>(wave, "viewModeSwitch")
            ->setPosition(2); // Scroll: the saved state stays as saved on entering Zoom
        EXPECT_EQ(test::partOf<QPushButton>(wave, "zoomInOrLeftButton")->text(), "Scroll &Left");
        test::partOf<QPushButton>(wave, "zoomInOrLeftButton")->click();
        EXPECT_DOUBLE_EQ(test::partOf<StripChart>(wave, "waveformChart")->xMinimum(), 0);
        EXPECT_DOUBLE_EQ(test::partOf<StripChart>(wave, "waveformChart")->xMaximum(), 4);
        test::partOf<QPushButton>(wave, "zoomOutOrRightButton")->click();
        test::partOf<QPushButton>(wave, "zoomOutOrRightButton")->click();
        EXPECT_DOUBLE_EQ(test::partOf<StripChart>(wave, "waveformChart")->xMinimum(), 4);

        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(0); // Run: centred on 6 s
        EXPECT_EQ(session.snapshot().position, 6u * 8000);
        EXPECT_TRUE(test::partOf<QPushButton>(player, "playButton")->isEnabled());
        EXPECT_TRUE(test::partOf<Knob>(wave, "scaleKnob")->isEnabled());
        EXPECT_FALSE(test::partOf<QPushButton>(wave, "zoomInOrLeftButton")->isEnabled());
        EXPECT_EQ(test::partOf<StripChart>(wave, "waveformChart")->verticalLineCount(), 1);

        // Past the end: the end. Before the start: the start.
        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(2);
        test::partOf<StripChart>(wave, "waveformChart")->setXRange(20, 30);
        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(0);
        EXPECT_EQ(session.snapshot().position, 80000u);
        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(2);
        test::partOf<StripChart>(wave, "waveformChart")->setXRange(-8, -2);
        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(0);
        EXPECT_EQ(session.snapshot().position, 0u);

        // Hiding the window returns it to Run.
        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(1);
        wave.hide();
        EXPECT_EQ(test::partOf<SwitchSlider>(wave, "viewModeSwitch")->position(), 0);
        EXPECT_TRUE(test::partOf<QPushButton>(player, "playButton")->isEnabled());
    });
}

TEST_F(WaveformWindowTest, AChartClickAnnotatesOnlyInRunWithKeywordsAndNoLoopPlay) {
    int opened = 0;
    const auto clickCounting = [&](InspectingUi& ui, auto&& prepare) {
        WaveformWindow& wave = openPaused(ui);
        // The dialog's opening counted in its place.
        QObject::disconnect(&wave, &WaveformWindow::annotateRequested, nullptr, nullptr);
        QObject::connect(&wave, &WaveformWindow::annotateRequested, [&] { ++opened; });
        prepare(ui, wave);
        emit test::partOf<StripChart>(wave, "waveformChart")->clicked();
    };
    runOn(recording(), "", [&](InspectingUi& ui) {
        clickCounting(ui, [](InspectingUi&, WaveformWindow&) {});
        EXPECT_EQ(opened, 1);
        clickCounting(ui, [](InspectingUi&, WaveformWindow& wave) {
            test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(1);
        });
        EXPECT_EQ(opened, 1);
        clickCounting(ui, [](InspectingUi& inner, WaveformWindow& wave) {
            test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(0);
            PlayerWindow& player = *inner.playerWindow();
            test::partOf<QPushButton>(player, "playButton")->click();
            test::partOf<QPushButton>(player, "markLoopBeginButton")->click();
            test::partOf<QPushButton>(player, "markLoopEndButton")->click();
            test::partOf<QPushButton>(player, "playLoopButton")->click();
        });
        EXPECT_EQ(opened, 1);
        test::partOf<QPushButton>(*ui.playerWindow(), "playLoopButton")->click();
        // The sound waits while the dialog is open, and goes on after it as it did before.
        test::partOf<QPushButton>(*ui.playerWindow(), "playButton")->click();
        QObject::disconnect(ui.waveformWindow(), &WaveformWindow::annotateRequested, nullptr, nullptr);
        QObject::connect(ui.waveformWindow(), &WaveformWindow::annotateRequested, [&] {
            ++opened;
            EXPECT_FALSE(device.running());
        });
        emit test::partOf<StripChart>(*ui.waveformWindow(), "waveformChart")->clicked();
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

TEST_F(WaveformWindowTest, KeyPressesAreMarkedAndTheSpectrogramShowsTheirTonesWhereTheChartIs) {
    test::RecordingBuilder keyed(9);
    std::vector<double> sound = test::realSpeech(0.35);
    const std::vector<test::KeyTone> keys = test::keyTones("4321", 2.0);
    test::addKeyTones(sound, keys);
    keyed.audio = test::pcm8(sound);
    runOn(keyed, "", [&](InspectingUi& ui) {
        WaveformWindow& wave = openPaused(ui);
        // The analysis runs beside the playing call and shows with a display tick once done.
        const auto analysed = [&](const std::function<bool()>& done) {
            return test::waitUntil(
                [&] {
                    QApplication::processEvents();
                    return done();
                },
                20);
        };
        ASSERT_TRUE(analysed([&] { return !ui.player->state().keyPresses.empty(); }));
        // Where the keys were pressed, as the player keeps it: places, never keys.
        const std::vector<StripChart::Span>& marks =
            test::partOf<StripChart>(wave, "waveformChart")->markedSpans();
        ASSERT_EQ(marks.size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_NEAR(marks[i].from, keys[i].start, 0.02);
            EXPECT_NEAR(marks[i].to, keys[i].start + keys[i].seconds, 0.02);
        }
        EXPECT_EQ(ui.player->state().keyPresses.size(), keys.size());
        // And in the call overview under the transport.
        const std::vector<StripChart::Span>& overviewMarks =
            test::partOf<CallOverview>(*ui.playerWindow(), "callOverview")->keyPresses();
        ASSERT_EQ(overviewMarks.size(), keys.size());
        EXPECT_NEAR(overviewMarks.front().from, keys.front().start, 0.02);

        // Hidden until ticked, and made only then (it takes half the call's size); then under the
        // chart, on the chart's time range however it moves.
        EXPECT_FALSE(test::partOf<FrequencyView>(wave, "spectrogramView")->isVisible());
        EXPECT_TRUE(ui.player->state().spectrogram.empty());
        const int height = wave.height();
        test::partOf<QCheckBox>(wave, "spectrogramCheckBox")->click();
        EXPECT_TRUE(test::partOf<FrequencyView>(wave, "spectrogramView")->isVisible());
        ASSERT_TRUE(analysed([&] { return !ui.player->state().spectrogram.empty(); }));
        EXPECT_GT(wave.height(), height);
        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(1); // Zoom
        test::partOf<StripChart>(wave, "waveformChart")->setXRange(1, 5);
        test::partOf<QPushButton>(wave, "zoomInOrLeftButton")->click();
        EXPECT_DOUBLE_EQ(test::partOf<FrequencyView>(wave, "spectrogramView")->xMinimum(), 2);
        EXPECT_DOUBLE_EQ(test::partOf<FrequencyView>(wave, "spectrogramView")->xMaximum(), 4);

        // The first key, 4: its row tone (770 Hz) stands 20 dB and more above 3 kHz, where it has none.
        const FrequencySummary& summary = ui.player->state().spectrogram;
        const auto column = [&](double seconds) {
            return static_cast<std::size_t>(seconds * 8000 / static_cast<double>(summary.framesPerColumn()));
        };
        const FrequencySummary::Column levels = summary.loudest(column(2.01), column(2.06));
        const auto row = [&](double hertz) {
            return static_cast<std::size_t>(hertz / summary.topFrequency() * FrequencySummary::kRows);
        };
        EXPECT_GT(levels[row(770)], levels[row(3000)] + 20 * 255 / 90);
        test::partOf<QCheckBox>(wave, "spectrogramCheckBox")->click();
        EXPECT_FALSE(test::partOf<FrequencyView>(wave, "spectrogramView")->isVisible());
        EXPECT_EQ(wave.height(), height);
    });
}

TEST_F(WaveformWindowTest, ItsPlaceAndScaleAreKeptInTheInitFile) {
    runOn(recording(), "", [&](InspectingUi& ui) {
        WaveformWindow& wave = openPaused(ui);
        wave.move(40, 300);
        test::partOf<Knob>(wave, "scaleKnob")->setPosition(42.5);
    });
    runOn(recording(), "", [&](InspectingUi& ui) {
        WaveformWindow& wave = *ui.waveformWindow();
        EXPECT_TRUE(wave.isVisible()); // open at the end of the last run
        EXPECT_DOUBLE_EQ(test::partOf<Knob>(wave, "scaleKnob")->position(), 42.5);
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
        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(2); // Scroll
        test::partOf<StripChart>(wave, "waveformChart")->setXRange(5, 7);
        const std::uint64_t position = session.snapshot().position;
        HideCounter counter;
        wave.installEventFilter(&counter);

        // As while the disc program runs: off the top, then back.
        for (const bool onTop : {false, true}) {
            SCOPED_TRACE(onTop);
            ui.setSideWindowsOnTop(onTop);
            EXPECT_EQ(counter.hides, 0);
            EXPECT_TRUE(wave.isVisible());
            EXPECT_EQ(test::partOf<SwitchSlider>(wave, "viewModeSwitch")->position(), 2);
            EXPECT_EQ(session.snapshot().position, position);
            EXPECT_FALSE(
                test::partOf<QPushButton>(player, "playButton")->isEnabled()); // still held by the view
            EXPECT_DOUBLE_EQ(test::partOf<StripChart>(wave, "waveformChart")->xMinimum(), 5);
            EXPECT_EQ(wave.windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
            ASSERT_NE(wave.windowHandle(), nullptr);
            EXPECT_EQ(wave.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), onTop);
            // A side window never shown takes the flag when it is made.
            EXPECT_EQ(ui.newCommentsWindow()->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
        }

        // Playing in Run, the same: playback goes on from where it stands.
        test::partOf<SwitchSlider>(wave, "viewModeSwitch")->setPosition(0);
        test::partOf<QPushButton>(player, "playButton")->click();
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
        EXPECT_DOUBLE_EQ(test::partOf<Knob>(wave, "scaleKnob")->position(), 100);
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
        EXPECT_DOUBLE_EQ(test::partOf<Knob>(*ui.waveformWindow(), "scaleKnob")->position(), 30);
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
