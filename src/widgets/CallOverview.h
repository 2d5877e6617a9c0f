#pragma once

#include "widgets/StripChart.h"

#include <QColor>
#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace kestrum {

// The whole call at a glance, in a strip as wide as the widget: the trace of a series over the
// call's length, stretches shaded behind it (silences), marks (keywords), a loop's two marks and
// the play position. Each pixel column shows the range of the points it covers, read from the
// series' summaries once and kept until the series grows or the strip changes size, so a paint
// costs the same whatever the call's length. A click or a drag asks for the time under the mouse;
// with the focus, Left and Right ask for a step back or on, Page Up and Page Down a tenth of the
// call, Home and End its start and end. Screen readers see a slider whose value is the position.
class CallOverview : public QWidget {
    Q_OBJECT

  public:
    static constexpr double kKeyStepSeconds = 5.0;
    // What each thing is drawn in.
    static inline const QColor kTraceColour{0, 220, 0};
    static inline const QColor kShadeColour{70, 70, 110};     // silences: a dim blue, as in the waveform
    static inline const QColor kMarkColour{255, 140, 0};      // keywords: orange
    static inline const QColor kKeyPressColour{255, 60, 170}; // key presses: pink, apart from keywords
    static inline const QColor kLoopColour{0, 200, 255};
    static inline const QColor kPositionColour{255, 255, 0}; // yellow, as in the waveform

    explicit CallOverview(QWidget* parent = nullptr);

    void setSeries(const StripChartSeries* series);
    // The series holds more points (the call loads): they are drawn at the next paint.
    void seriesGrown();
    // The call's length in seconds, the strip's whole width.
    void setLength(double seconds);
    double length() const { return length_; }
    void setShadedSpans(std::vector<StripChart::Span> spans);
    const std::vector<StripChart::Span>& shadedSpans() const { return shaded_; }
    void setMarks(std::vector<double> seconds);
    const std::vector<double>& marks() const { return marks_; }
    // Where telephone keys were pressed: see-through bands with a bar at the top.
    void setKeyPresses(std::vector<StripChart::Span> spans);
    const std::vector<StripChart::Span>& keyPresses() const { return keyPresses_; }
    void setLoopMarks(std::optional<double> begin, std::optional<double> end);
    std::optional<double> loopBegin() const { return loopBegin_; }
    std::optional<double> loopEnd() const { return loopEnd_; }
    void setPosition(double seconds);
    double position() const { return position_; }

    // Where a time is drawn, and the time drawn at a column of the widget.
    int xOf(double seconds) const;
    double secondsAt(int x) const;
    // A time in words, as a screen reader says the position ("2:13"); seconds by default.
    std::function<QString(double seconds)> timeText;
    // The position in words: "2:13 of 10:05".
    QString positionText() const;
    // Asks for a time (kept within the call), as a click there does.
    void requestPosition(double seconds);

  signals:
    // The user asked to play from here (or to wait here, when stopped).
    void positionRequested(double seconds);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The strip inside the focus frame.
    QRect strip() const;
    void drawTrace(QPainter& painter, const QRect& area);
    void drawMarks(QPainter& painter, const QRect& area) const;

    const StripChartSeries* series_ = nullptr;
    double length_ = 0.0;
    std::vector<StripChart::Span> shaded_;
    std::vector<double> marks_;
    std::vector<StripChart::Span> keyPresses_;
    std::optional<double> loopBegin_;
    std::optional<double> loopEnd_;
    double position_ = 0.0;
    QImage trace_; // the trace's columns, drawn again only when stale
    bool traceStale_ = true;
};

} // namespace kestrum
