#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestrum {

// What a strip chart draws: points with values 0 to 255 at a fixed number per second.
class StripChartSeries {
  public:
    struct Range {
        std::uint8_t low;
        std::uint8_t high;
    };
    virtual ~StripChartSeries() = default;
    virtual double pointsPerSecond() const = 0;
    virtual std::size_t pointCount() const = 0;
    virtual std::uint8_t point(std::size_t index) const = 0;
    // The lowest and highest value of points [first, last); empty ranges have low above high.
    virtual Range range(std::size_t first, std::size_t last) const = 0;
};

// A chart of one series against time: a time axis in seconds with its title, a value axis 0 to
// 255 with ticks and grid, a settable time range, vertical marker lines, zoom and scroll of the
// time axis, and a mode that says what the mouse does (plot: a click; scroll: drag the view;
// zoom: the wheel zooms). Each pixel column shows the range of the points it covers, so drawing
// costs the same whatever the span shown.
class StripChart : public QWidget {
    Q_OBJECT

  public:
    enum ToolBarMode { Plot = 0, ScrollX = 1, ZoomX = 5 };
    enum LineStyle { Solid, Dash };

    explicit StripChart(QWidget* parent = nullptr);

    void setSeries(const StripChartSeries* series);
    void setXAxisTitle(const QString& title) { xTitle_ = title; }

    double xMinimum() const { return xMin_; }
    double xMaximum() const { return xMax_; }
    void setXRange(double minimum, double maximum);

    void beginUpdate() { ++updateDepth_; }
    void endUpdate();

    // Stretches of time drawn shaded behind the trace (in seconds), such as silences.
    struct Span {
        double from;
        double to;
        bool operator==(const Span&) const = default;
    };
    void setShadedSpans(std::vector<Span> spans);
    const std::vector<Span>& shadedSpans() const { return shaded_; }
    // Stretches of time marked in their own colour across the plot, with a bar along its top, at
    // least two pixels wide however far the view is zoomed out (such as telephone key presses).
    void setMarkedSpans(std::vector<Span> spans);
    const std::vector<Span>& markedSpans() const { return marked_; }

    void removeAllVerticalLines();
    void addVerticalLine(double position, QColor colour, int width, LineStyle style);
    int verticalLineCount() const { return static_cast<int>(lines_.size()); }

    // New span = span x factor around the same centre (nothing when that span would be 0).
    void zoomXAxis(double factor);
    // Moves both ends of the time range by `delta` seconds.
    void scrollXAxis(double delta);

    ToolBarMode toolBarMode() const { return mode_; }
    void setToolBarMode(ToolBarMode mode) { mode_ = mode; }

    // Draws the chart into `area` of any painter (the widget, an image).
    void render(QPainter& painter, const QRect& area) const;
    // The plot area (without the axes) inside a chart of `area`.
    static QRect plotArea(const QRect& area);

  signals:
    void clicked();
    // The time range changed: set, zoomed or scrolled (also by the mouse).
    void xRangeChanged(double minimum, double maximum);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    struct Line {
        double position;
        QColor colour;
        int width;
        LineStyle style;
    };
    void changed();
    void rangeChanged();
    void drawSpans(QPainter& painter, const QRect& plot) const;
    void drawSeries(QPainter& painter, const QRect& plot) const;
    void drawAxes(QPainter& painter, const QRect& area, const QRect& plot) const;

    const StripChartSeries* series_ = nullptr;
    QString xTitle_;
    double xMin_ = 0.0;
    double xMax_ = 10.0;
    std::vector<Line> lines_;
    std::vector<Span> shaded_;
    std::vector<Span> marked_;
    // The columns of the trace, kept between draws so that drawing allocates nothing.
    mutable QImage trace_;
    int updateDepth_ = 0;
    ToolBarMode mode_ = Plot;
    bool dragging_ = false;
    int dragX_ = 0;
    bool dragged_ = false;
};

} // namespace kestrum
