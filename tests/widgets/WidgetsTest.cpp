// The instrument widgets: strip chart arithmetic and drawing, knob and switch positions.

#include "widgets/Knob.h"
#include "widgets/StripChart.h"
#include "widgets/SwitchSlider.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QSlider>

#include <gtest/gtest.h>

#include <vector>

namespace kestrum {
namespace {

// A series of values held in a vector, with ranges read point by point.
class VectorSeries : public StripChartSeries {
  public:
    VectorSeries(std::vector<std::uint8_t> values, double perSecond)
        : values_(std::move(values)), perSecond_(perSecond) {}
    double pointsPerSecond() const override { return perSecond_; }
    std::size_t pointCount() const override { return values_.size(); }
    std::uint8_t point(std::size_t index) const override { return values_[index]; }
    Range range(std::size_t first, std::size_t last) const override {
        Range range{255, 0};
        for (std::size_t i = first; i < last && i < values_.size(); ++i) {
            range.low = std::min(range.low, values_[i]);
            range.high = std::max(range.high, values_[i]);
        }
        return range;
    }

  private:
    std::vector<std::uint8_t> values_;
    double perSecond_;
};

TEST(StripChart, ZoomKeepsTheCentreAndScrollMovesBothEnds) {
    StripChart chart;
    chart.setXRange(2, 6);
    chart.zoomXAxis(0.5);
    EXPECT_DOUBLE_EQ(chart.xMinimum(), 3);
    EXPECT_DOUBLE_EQ(chart.xMaximum(), 5);
    chart.zoomXAxis(2);
    EXPECT_DOUBLE_EQ(chart.xMinimum(), 2);
    EXPECT_DOUBLE_EQ(chart.xMaximum(), 6);
    chart.zoomXAxis(0); // a span of nothing is not taken
    EXPECT_DOUBLE_EQ(chart.xMaximum(), 6);
    chart.scrollXAxis(-1.5);
    EXPECT_DOUBLE_EQ(chart.xMinimum(), 0.5);
    EXPECT_DOUBLE_EQ(chart.xMaximum(), 4.5);

    chart.addVerticalLine(1, Qt::yellow, 2, StripChart::Solid);
    chart.addVerticalLine(2, Qt::red, 1, StripChart::Dash);
    EXPECT_EQ(chart.verticalLineCount(), 2);
    chart.removeAllVerticalLines();
    EXPECT_EQ(chart.verticalLineCount(), 0);
    EXPECT_EQ(chart.toolBarMode(), StripChart::Plot);
}

// The rows of column `x` of the plot that hold trace colour, top to bottom.
std::pair<int, int> traceRows(const QImage& image, int x, const QRect& plot) {
    int top = -1;
    int bottom = -1;
    for (int y = plot.top(); y <= plot.bottom(); ++y) {
        const QColor colour = image.pixelColor(x, y);
        if (colour.green() > 180 && colour.red() < 60) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    }
    return {top, bottom};
}

TEST(StripChart, DrawsEachColumnFromTheRangeOfItsPoints) {
    // Ten seconds at 1000 points a second: silence (128), then a burst from 0 to 255 in 4 s to 5 s.
    std::vector<std::uint8_t> values(10000, 128);
    for (int i = 4000; i < 5000; ++i)
        values[i] = (i % 2) ? 255 : 0;
    VectorSeries series(values, 1000);
    StripChart chart;
    chart.setSeries(&series);
    chart.setXRange(0, 10);
    const QRect area(0, 0, 542, 342);
    QImage image(area.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    chart.render(painter, area);
    painter.end();

    const QRect plot = StripChart::plotArea(area); // 500 columns: 20 points each
    ASSERT_EQ(plot.width(), 500);
    // A silent column draws one row at the middle; a burst column spans the whole height.
    const auto [silentTop, silentBottom] = traceRows(image, plot.left() + 100, plot);
    EXPECT_GE(silentTop, plot.top() + plot.height() / 2 - 2);
    EXPECT_LE(silentBottom - silentTop, 1);
    const auto [burstTop, burstBottom] = traceRows(image, plot.left() + 225, plot);
    EXPECT_EQ(burstTop, plot.top());
    EXPECT_EQ(burstBottom, plot.bottom());
    // The burst runs from 4 s to 5 s: columns 200 to 249.
    EXPECT_EQ(traceRows(image, plot.left() + 199, plot).second -
                  traceRows(image, plot.left() + 199, plot).first,
              0);
    EXPECT_EQ(traceRows(image, plot.left() + 200, plot).first, plot.top());
    EXPECT_EQ(traceRows(image, plot.left() + 249, plot).first, plot.top());
    EXPECT_LT(traceRows(image, plot.left() + 251, plot).second -
                  traceRows(image, plot.left() + 251, plot).first,
              2);
}

TEST(StripChart, AVerticalLineStandsAtItsTime) {
    VectorSeries series(std::vector<std::uint8_t>(1000, 128), 100);
    StripChart chart;
    chart.setSeries(&series);
    chart.setXRange(0, 10);
    chart.addVerticalLine(5, QColor(255, 255, 0), 2, StripChart::Solid);
    const QRect area(0, 0, 534, 342);
    QImage image(area.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    chart.render(painter, area);
    painter.end();
    const QRect plot = StripChart::plotArea(area);
    const int x = plot.left() + (plot.width() - 1) / 2;
    const QColor line = image.pixelColor(x, plot.top() + 10);
    EXPECT_EQ(line, QColor(255, 255, 0));
}

TEST(Knob, PositionsInTenthsWithKeyStepsOfATenthAndOne) {
    Knob knob;
    knob.setMaximumPosition(100);
    knob.setPosition(1);
    EXPECT_DOUBLE_EQ(knob.position(), 1.0);
    EXPECT_DOUBLE_EQ(knob.positionFraction(), 0.01);
    QSignalSpy changed(&knob, &Knob::positionChanged);
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(&knob, &up);
    EXPECT_NEAR(knob.position(), 1.1, 1e-9);
    QKeyEvent page(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
    QApplication::sendEvent(&knob, &page);
    EXPECT_NEAR(knob.position(), 2.1, 1e-9);
    EXPECT_EQ(changed.count(), 2);
    knob.setPosition(250);
    EXPECT_DOUBLE_EQ(knob.position(), 100.0);
    EXPECT_DOUBLE_EQ(knob.positionFraction(), 1.0);
}

TEST(SwitchSlider, HoldsALabelledIntegerPosition) {
    SwitchSlider slider;
    slider.setPositionLabels("Slow -25%,Slow -12%,Normal,Fast +25%, Fast +50%");
    EXPECT_EQ(slider.positionLabels().size(), 5);
    EXPECT_EQ(slider.slider()->maximum(), 4);
    QSignalSpy changed(&slider, &SwitchSlider::positionChanged);
    slider.setPosition(3);
    EXPECT_EQ(slider.position(), 3);
    EXPECT_EQ(changed.count(), 1);
    slider.setPositionQuietly(1);
    EXPECT_EQ(slider.position(), 1);
    EXPECT_EQ(changed.count(), 1);
    slider.setPosition(9); // beyond the last position: the last
    EXPECT_EQ(slider.position(), 4);
}

} // namespace
} // namespace kestrum
