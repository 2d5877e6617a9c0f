#pragma once

#include "audio/WaveformFollower.h"
#include "widgets/FrequencyView.h"
#include "widgets/StripChart.h"

#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;

namespace kestrum {

class Knob;
class SwitchSlider;

// The recording's samples against time, kept centred on the play position
// while playing (Run), zoomed or scrolled by hand (Zoom, Scroll), and clicked to annotate. It holds
// no playback: it is given the call's trace, its silences and analysis and whether a keyword may
// be added, and says through signals what the user did with the view.
class WaveformWindow : public QWidget, public WaveformDisplay {
    Q_OBJECT

  public:
    explicit WaveformWindow(QWidget* owner);

    // The call's samples as the chart draws them, and the frames a second they count in.
    void setSeries(const StripChartSeries* series, std::uint32_t framesPerSecond);

    // WaveformDisplay
    bool isVisible() const override { return QWidget::isVisible(); }
    void showSpan(double minimum, double maximum, double cursor) override;

    // Centres the view on a play position (in Run); `atEnd` for the recording's last position.
    void follow(std::uint64_t frame, bool atEnd);
    // More of the call has loaded: the chart draws it.
    void samplesAdded();
    // Shades the recording's silent stretches (none: the shading goes), in seconds.
    void shadeSilences(std::vector<StripChart::Span> silences);
    // Marks where telephone keys were pressed (never which), and draws the spectrogram summary,
    // as the call's analysis comes in.
    void showCallAnalysis(std::vector<StripChart::Span> keyPresses, const FrequencySource* spectrogram);
    // Whether a chart click may ask for a keyword now (keywords can be added, no loop play).
    void setAnnotationAllowed(bool allowed) { annotationAllowed_ = allowed; }

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
    // A click on the chart asks for a keyword at the play position (the sound waits meanwhile:
    // soundHeld(true) before, soundHeld(false) after).
    void annotateRequested();
    void soundHeld(bool held);
    // Zoom or Scroll was chosen: the playback stops; `entering` from Run, it is held until Run.
    void browsingStarted(bool entering);
    // Run again: the playback is released and goes on from the view's centre.
    void runResumedAt(double seconds);
    // The knob changed the scale: the view is to be centred again on the second `seconds`.
    void centreWanted(double seconds);
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

    WaveformFollower follower_;
    bool annotationAllowed_ = false;
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
