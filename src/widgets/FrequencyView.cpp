#include "widgets/FrequencyView.h"

#include "widgets/StripChart.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace kestrum {

namespace {

constexpr int kTopMargin = 4;
constexpr int kBottomMargin = 4;
const QColor kCursor(255, 255, 0); // the strip chart's play line
const QColor kAxisText(30, 30, 30);

// Level to colour: black, dark blue, purple, red, orange, yellow, white.
const std::array<QRgb, 256>& colourScale() {
    static const std::array<QRgb, 256> scale = [] {
        struct Stop {
            double at;
            int r, g, b;
        };
        static constexpr Stop kStops[] = {{0.00, 0, 0, 0},      {0.25, 20, 10, 90},   {0.45, 120, 20, 130},
                                          {0.60, 210, 40, 60},  {0.75, 250, 140, 20}, {0.90, 255, 230, 60},
                                          {1.00, 255, 255, 255}};
        std::array<QRgb, 256> colours{};
        for (int level = 0; level < 256; ++level) {
            const double x = level / 255.0;
            std::size_t i = 1;
            while (i + 1 < std::size(kStops) && kStops[i].at < x)
                ++i;
            const Stop& a = kStops[i - 1];
            const Stop& b = kStops[i];
            const double t = (x - a.at) / (b.at - a.at);
            const auto mix = [t](int from, int to) {
                return static_cast<int>(std::lround(from + (to - from) * t));
            };
            colours[static_cast<std::size_t>(level)] = qRgb(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
        }
        return colours;
    }();
    return scale;
}

} // namespace

FrequencyView::FrequencyView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 80);
    setAccessibleName("Spectrogram");
}

void FrequencyView::setSource(const FrequencySource* source) {
    source_ = source;
    update();
}

void FrequencyView::setXRange(double minimum, double maximum) {
    xMin_ = minimum;
    xMax_ = maximum;
    update();
}

void FrequencyView::setCursor(std::optional<double> seconds) {
    cursor_ = seconds;
    update();
}

void FrequencyView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    render(painter, rect());
}

void FrequencyView::render(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, palette().window());
    const QRect chartPlot = StripChart::plotArea(area);
    const QRect plot(QPoint(chartPlot.left(), area.top() + kTopMargin),
                     QPoint(chartPlot.right(), area.bottom() - kBottomMargin));
    painter.fillRect(plot, Qt::black);
    drawColumns(painter, plot);

    QFont small = font();
    small.setPixelSize(10);
    painter.setFont(small);
    painter.setPen(kAxisText);
    // The frequency axis in kHz, a tick a kilohertz.
    const double top = source_ != nullptr ? source_->topFrequency() : 4000.0;
    const double step = top > 8000 ? 5000 : 1000;
    for (double hertz = 0; hertz <= top + 1; hertz += step) {
        const int y = plot.bottom() - static_cast<int>(std::lround(hertz / top * (plot.height() - 1)));
        painter.drawLine(plot.left() - 4, y, plot.left() - 1, y);
        painter.drawText(QRect(area.left(), y - 6, plot.left() - area.left() - 6, 12),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(hertz / 1000) + "k");
    }
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    const double span = xMax_ - xMin_;
    if (cursor_ && span > 0) {
        const int x =
            plot.left() + static_cast<int>(std::lround((*cursor_ - xMin_) / span * (plot.width() - 1)));
        painter.setClipRect(plot);
        painter.setPen(QPen(kCursor, 2));
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setClipping(false);
    }
}

void FrequencyView::drawColumns(QPainter& painter, const QRect& plot) const {
    const double span = xMax_ - xMin_;
    if (source_ == nullptr || span <= 0 || plot.width() <= 0 || plot.height() <= 0)
        return;
    const double perSecond = source_->columnsPerSecond();
    const auto count = static_cast<std::int64_t>(source_->columnCount());
    const std::size_t rows = source_->rowCount();
    if (perSecond <= 0 || count == 0 || rows == 0)
        return;
    if (image_.size() != plot.size())
        image_ = QImage(plot.size(), QImage::Format_RGB32);
    image_.fill(Qt::black);
    // The row each pixel line shows, from the bottom up.
    std::vector<std::size_t> rowOfLine(static_cast<std::size_t>(plot.height()));
    for (int y = 0; y < plot.height(); ++y)
        rowOfLine[static_cast<std::size_t>(y)] =
            std::min(rows - 1, static_cast<std::size_t>((plot.height() - 1 - y) * static_cast<double>(rows) /
                                                        plot.height()));
    std::vector<std::uint8_t> levels(rows);
    const std::array<QRgb, 256>& colours = colourScale();
    for (int column = 0; column < plot.width(); ++column) {
        const double from = (xMin_ + span * column / plot.width()) * perSecond;
        const double to = (xMin_ + span * (column + 1) / plot.width()) * perSecond;
        auto first = static_cast<std::int64_t>(std::floor(from));
        auto last = std::max(first + 1, static_cast<std::int64_t>(std::ceil(to)));
        first = std::max<std::int64_t>(0, first);
        last = std::min(count, last);
        if (first >= last)
            continue;
        source_->loudest(static_cast<std::size_t>(first), static_cast<std::size_t>(last), levels.data());
        for (int y = 0; y < plot.height(); ++y)
            reinterpret_cast<QRgb*>(image_.scanLine(y))[column] =
                colours[levels[rowOfLine[static_cast<std::size_t>(y)]]];
    }
    painter.drawImage(plot.topLeft(), image_);
}

} // namespace kestrum
