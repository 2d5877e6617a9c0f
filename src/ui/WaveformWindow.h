#pragma once

#include "audio/WaveformFollower.h"
#include "widgets/FrequencyView.h"
#include "widgets/StripChart.h"

#include <QWidget>

#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace kestrum {

class Knob;
class PlaybackSession;
struct PlayerState;
class SwitchSlider;

// The sample store as the strip chart draws it, through the peak summaries.
class SampleStoreSeries : public StripChartSeries {
  public:
    SampleStoreSeries(const PlayerState& state, const PlaybackSession& session)
        : state_(state), session_(session) {}
    double pointsPerSecond() const override;
    std::size_t pointCount() const override;
    std::uint8_t point(std::size_t index) const override;
    Range range(std::size_t first, std::size_t last) const override;

  private:
    const PlayerState& state_;
    const PlaybackSession& session_;
};

// The spectrogram summary of the call as the spectrogram view draws it.
class FrequencySummarySource : public FrequencySource {
  public:
    FrequencySummarySource(const PlayerState& state, const PlaybackSession& session)
        : state_(state), session_(session) {}
    double columnsPerSecond() const override;
    std::size_t columnCount() const override;
    std::size_t rowCount() const override;
    double topFrequency() const override;
    void loudest(std::size_t first, std::size_t last, std::uint8_t* rows) const override;

  private:
    const PlayerState& state_;
    const PlaybackSession& session_;
};

// The recording's samples against time, kept centred on the play position
// while playing (Run), zoomed or scrolled by hand (Zoom, Scroll), and clicked to annotate.
class WaveformWindow : public QWidget, public WaveformDisplay {
    Q_OBJECT

  public:
    WaveformWindow(const PlayerState& state, PlaybackSession& session, QWidget* owner);

    // WaveformDisplay
    bool isVisible() const override { return QWidget::isVisible(); }
    void showSpan(double minimum, double maximum, double cursor) override;

    // Centres the view on a play position (in Run); `atEnd` for the recording's last position.
    void follow(std::uint64_t frame, bool atEnd);
    // More of the call has loaded: the chart draws it.
    void samplesAdded();
    // Shades the recording's silent stretches, or takes the shading away.
    void shadeSilences(bool shaded);
    // Marks where telephone keys were pressed (never which), and draws the spectrogram summary,
    // as the call's analysis comes in.
    void showCallAnalysis();

    // Zoom or Scroll: the view is the user's, and nothing else may start playback or annotate.
    bool zoomingOrScrolling() const;

    // The scale as the knob gives it, and the view's first placement (within the screen's limits).
    void setKnobPosition(double position);
    double knobPosition() const;
    // The knob's scale as a fraction, 0 until the knob first moves.
    double scale() const { return follower_.scale(); }
    bool placed() const { return placed_; }
    void place(int left, int top);

  signals:
    // The spectrogram was first asked for: its summary is made then, not with every call.
    void spectrogramWanted();
    // A click on the chart asks for a keyword at the play position (the sound waits meanwhile).
    void annotateRequested();
    // The window changed the playback (paused it, moved its position): show it at once.
    void playbackChanged();

  protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void scaleChanged();
    void spectrogramToggled(bool shown);
    void viewModeChanged();
    void enterZoomOrScroll(int mode);
    void enterRun();
    void zoomInOrScrollLeft();
    void zoomOutOrScrollRight();
    void chartClicked();
    std::uint64_t frameAt(double seconds) const;

    const PlayerState& state_;
    PlaybackSession& session_;
    SampleStoreSeries series_;
    FrequencySummarySource spectrogram_;
    WaveformFollower follower_;
    bool placed_ = false;
    int heightWithoutSpectrogram_ = 0;
    StripChart* waveformChart_;
    FrequencyView* spectrogramView_; // under the chart while the check box is ticked
    QCheckBox* spectrogramCheckBox_;
    Knob* scaleKnob_;
    QLabel* scaleLabel_;
    SwitchSlider* viewModeSwitch_;
    QPushButton* zoomInOrLeftButton_;
    QPushButton* zoomOutOrRightButton_;
    QPushButton* closeButton_;
};

} // namespace kestrum
