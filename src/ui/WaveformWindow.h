#pragma once

#include "audio/PlaybackView.h"
#include "widgets/StripChart.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;

namespace kestrum {

class Knob;
class Player;
class SwitchSlider;

// The sample store as the strip chart draws it, through the peak summaries.
class SampleStoreSeries : public StripChartSeries {
  public:
    explicit SampleStoreSeries(Player& player) : player_(player) {}
    double pointsPerSecond() const override;
    std::size_t pointCount() const override;
    std::uint8_t point(std::size_t index) const override;
    Range range(std::size_t first, std::size_t last) const override;

  private:
    Player& player_;
};

// TAudioWaveFormFrm: the recording's samples against time, kept centred on the play position
// while playing (Run), zoomed or scrolled by hand (Zoom, Scroll), and clicked to annotate.
class WaveformWindow : public QWidget, public WaveformDisplay {
    Q_OBJECT

  public:
    WaveformWindow(Player& player, PlaybackView& transportView, QWidget* owner);

    // WaveformDisplay
    bool isVisible() const override { return QWidget::isVisible(); }
    void showSpan(double minimum, double maximum, double cursor) override;

    // Opens the annotation dialog modally; true when a keyword was added.
    std::function<void()> annotate;

    StripChart* iStripChart1;
    Knob* iKnob1;
    QLabel* ScaleText;
    SwitchSlider* iSwitchSlider1;
    QPushButton* DownLeftBtn;
    QPushButton* UpRightBtn;
    QPushButton* zoomin;
    QPushButton* zoomout;
    QPushButton* scrollLeft;
    QPushButton* scrollRight;
    QPushButton* CloseBtn;

    // Zoom or Scroll: the view is the user's, and nothing else may start playback or annotate.
    bool zoomingOrScrolling() const;

    // The scale as the knob gives it, and the view's first placement (within the screen's limits).
    void setKnobPosition(double position);
    bool placed() const { return placed_; }
    void place(int left, int top);

  protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void iKnob1PositionChange();
    void iSwitchSlider1PositionChange();
    void enterZoomOrScroll(int mode);
    void enterRun();
    void DownLeftBtnClick();
    void UpRightBtnClick();
    void iStripChart1Click();

    Player& player_;
    PlaybackView& transport_;
    SampleStoreSeries series_;
    // PlayLoopBtn's and PlayBtn's enabled states while zoom or scroll holds them.
    std::optional<std::pair<bool, bool>> savedTransport_;
    bool placed_ = false;
};

} // namespace kestrum
