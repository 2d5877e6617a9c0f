#include "widgets/StripChart.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace kestrum {

namespace {

constexpr int kLeftMargin = 34;
constexpr int kRightMargin = 8;
constexpr int kTopMargin = 8;
constexpr int kBottomMargin = 34;
constexpr int kValueTicks = 9;
constexpr int kMinorTicks = 9;

const QColor kBackground(0, 0, 0);
const QColor kGrid(60, 60, 60);
const QColor kTrace(0, 220, 0);
const QColor kShade(70, 70, 110);        // silences: a dim blue behind the trace
const QColor kMarkBand(255, 140, 0, 90); // marks: orange, see-through
const QColor kMarkBar(255, 140, 0);
constexpr int kMarkBarHeight = 6;
const QColor kAxisText(30, 30, 30);

// A step of 1, 2 or 5 times a power of ten that divides `span` into about five parts.
double niceStep(double span) {
    const double rough = span / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double factor : {1.0, 2.0, 5.0})
        if (rough <= factor * power)
            return factor * power;
    return 10.0 * power;
}

int valueToY(double value, const QRect& plot) {
    return plot.bottom() - static_cast<int>(std::lround(value / 255.0 * (plot.height() - 1)));
}

} // namespace

StripChart::StripChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 120);
    setAccessibleName("Wave form chart");
}

void StripChart::setSeries(const StripChartSeries* series) {
    series_ = series;
    changed();
}

void StripChart::changed() {
    if (updateDepth_ == 0)
        update();
}

void StripChart::endUpdate() {
    if (updateDepth_ > 0 && --updateDepth_ == 0)
        update();
}

void StripChart::rangeChanged() {
    changed();
    emit xRangeChanged(xMin_, xMax_);
}

void StripChart::setXRange(double minimum, double maximum) {
    xMin_ = minimum;
    xMax_ = maximum;
    rangeChanged();
}

void StripChart::setShadedSpans(std::vector<Span> spans) {
    if (spans == shaded_)
        return;
    shaded_ = std::move(spans);
    changed();
}

void StripChart::setMarkedSpans(std::vector<Span> spans) {
    if (spans == marked_)
        return;
    marked_ = std::move(spans);
    changed();
}

void StripChart::removeAllVerticalLines() {
    lines_.clear();
    changed();
}

void StripChart::addVerticalLine(double position, QColor colour, int width, LineStyle style) {
    lines_.push_back({position, colour, width, style});
    changed();
}

void StripChart::zoomXAxis(double factor) {
    const double span = (xMax_ - xMin_) * factor;
    if (span == 0.0)
        return;
    const double centre = xMin_ + (xMax_ - xMin_) / 2.0;
    xMin_ = centre - span / 2.0;
    xMax_ = xMin_ + span;
    rangeChanged();
}

void StripChart::scrollXAxis(double delta) {
    xMin_ += delta;
    xMax_ += delta;
    rangeChanged();
}

QRect StripChart::plotArea(const QRect& area) {
    return area.adjusted(kLeftMargin, kTopMargin, -kRightMargin, -kBottomMargin);
}

void StripChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    render(painter, rect());
}

void StripChart::render(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, palette().window());
    const QRect plot = plotArea(area);
    painter.fillRect(plot, kBackground);
    drawAxes(painter, area, plot);
    painter.save();
    painter.setClipRect(plot);
    drawSpans(painter, plot);
    drawSeries(painter, plot);
    const double span = xMax_ - xMin_;
    for (const Line& line : lines_) {
        if (span <= 0)
            break;
        const int x =
            plot.left() + static_cast<int>(std::lround((line.position - xMin_) / span * (plot.width() - 1)));
        QPen pen(line.colour, line.width, line.style == Solid ? Qt::SolidLine : Qt::DashLine);
        painter.setPen(pen);
        painter.drawLine(x, plot.top(), x, plot.bottom());
    }
    painter.restore();
}

void StripChart::drawSpans(QPainter& painter, const QRect& plot) const {
    const double span = xMax_ - xMin_;
    if (span <= 0)
        return;
    const auto xOf = [&](double seconds) {
        return plot.left() + static_cast<int>(std::lround((seconds - xMin_) / span * (plot.width() - 1)));
    };
    for (const Span& shaded : shaded_) {
        if (shaded.to <= xMin_ || shaded.from >= xMax_)
            continue;
        painter.fillRect(QRect(QPoint(xOf(std::max(shaded.from, xMin_)), plot.top()),
                               QPoint(xOf(std::min(shaded.to, xMax_)), plot.bottom())),
                         kShade);
    }
    for (const Span& marked : marked_) {
        if (marked.to <= xMin_ || marked.from >= xMax_)
            continue;
        const int left = xOf(std::max(marked.from, xMin_));
        const int right = std::max(left + 1, xOf(std::min(marked.to, xMax_)));
        painter.fillRect(QRect(QPoint(left, plot.top()), QPoint(right, plot.bottom())), kMarkBand);
        painter.fillRect(QRect(QPoint(left, plot.top()), QPoint(right, plot.top() + kMarkBarHeight - 1)),
                         kMarkBar);
    }
}

void StripChart::drawSeries(QPainter& painter, const QRect& plot) const {
    const double span = xMax_ - xMin_;
    if (series_ == nullptr || span <= 0 || plot.width() <= 0)
        return;
    const double perSecond = series_->pointsPerSecond();
    const auto count = static_cast<std::int64_t>(series_->pointCount());
    if (perSecond <= 0 || count == 0)
        return;
    const double pointsPerColumn = span * perSecond / plot.width();
    painter.setPen(kTrace);

    if (pointsPerColumn < 1.0) {
        // Zoomed in past one point a column: the points themselves, joined.
        const auto first =
            std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor(xMin_ * perSecond)));
        const auto last =
            std::min<std::int64_t>(count - 1, static_cast<std::int64_t>(std::ceil(xMax_ * perSecond)));
        QPoint previous;
        for (std::int64_t i = first; i <= last; ++i) {
            const double seconds = static_cast<double>(i) / perSecond;
            const QPoint here(
                plot.left() + static_cast<int>(std::lround((seconds - xMin_) / span * (plot.width() - 1))),
                valueToY(series_->point(static_cast<std::size_t>(i)), plot));
            if (i > first)
                painter.drawLine(previous, here);
            previous = here;
        }
        return;
    }
    // Each column shows the range of the points it covers. The columns are written straight into
    // an image that is drawn once: a painter fills a one-pixel-wide line a pixel at a time, so the
    // whole recording, whose columns reach across most of the height, cost several times a short
    // view.
    if (trace_.size() != plot.size())
        trace_ = QImage(plot.size(), QImage::Format_ARGB32_Premultiplied);
    trace_.fill(Qt::transparent);
    uchar* const rows = trace_.bits();
    const qsizetype rowBytes = trace_.bytesPerLine();
    const QRgb colour = kTrace.rgba(); // opaque, so already premultiplied
    for (int column = 0; column < plot.width(); ++column) {
        const double from = (xMin_ + span * column / plot.width()) * perSecond;
        const double to = (xMin_ + span * (column + 1) / plot.width()) * perSecond;
        const auto first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor(from)));
        const auto last = std::min<std::int64_t>(count, static_cast<std::int64_t>(std::ceil(to)));
        if (first >= last)
            continue;
        const StripChartSeries::Range range =
            series_->range(static_cast<std::size_t>(first), static_cast<std::size_t>(last));
        if (range.low > range.high)
            continue;
        const int top = valueToY(range.high, plot) - plot.top();
        const int bottom = valueToY(range.low, plot) - plot.top();
        for (int y = top; y <= bottom; ++y)
            reinterpret_cast<QRgb*>(rows + y * rowBytes)[column] = colour;
    }
    painter.drawImage(plot.topLeft(), trace_);
}

void StripChart::drawAxes(QPainter& painter, const QRect& area, const QRect& plot) const {
    QFont small = font();
    small.setPixelSize(10);
    painter.setFont(small);
    const QFontMetrics metrics(small);

    // The value axis: 0 to 255 in eight steps, with grid lines.
    for (int tick = 0; tick < kValueTicks; ++tick) {
        const double value = 255.0 * tick / (kValueTicks - 1);
        const int y = valueToY(value, plot);
        painter.setPen(kGrid);
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(kAxisText);
        painter.drawLine(plot.left() - 4, y, plot.left() - 1, y);
        const QString label = QString::number(static_cast<int>(std::lround(value)));
        painter.drawText(QRect(area.left(), y - 6, kLeftMargin - 6, 12), Qt::AlignRight | Qt::AlignVCenter,
                         label);
    }

    // The time axis: labelled major ticks at a round step, minor ticks between them.
    const double span = xMax_ - xMin_;
    if (span > 0) {
        const double step = niceStep(span);
        const double minorStep = step / (kMinorTicks + 1);
        const auto toX = [&](double seconds) {
            return plot.left() + static_cast<int>(std::lround((seconds - xMin_) / span * (plot.width() - 1)));
        };
        painter.setPen(kAxisText);
        for (double minor = std::ceil(xMin_ / minorStep) * minorStep; minor <= xMax_; minor += minorStep)
            painter.drawLine(toX(minor), plot.bottom() + 1, toX(minor), plot.bottom() + 3);
        const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step))));
        for (double major = std::ceil(xMin_ / step) * step; major <= xMax_ + step * 1e-9; major += step) {
            const int x = toX(major);
            painter.setPen(kGrid);
            painter.drawLine(x, plot.top(), x, plot.bottom());
            painter.setPen(kAxisText);
            painter.drawLine(x, plot.bottom() + 1, x, plot.bottom() + 6);
            const QString label = QString::number(std::abs(major) < step * 1e-9 ? 0.0 : major, 'f', decimals);
            const int width = metrics.horizontalAdvance(label);
            painter.drawText(x - width / 2, plot.bottom() + 8 + metrics.ascent(), label);
        }
    }
    painter.setPen(kAxisText);
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
    painter.drawText(QRect(plot.left(), area.bottom() - 13, plot.width(), 13), Qt::AlignHCenter, xTitle_);
}

void StripChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    dragged_ = false;
    dragX_ = event->position().toPoint().x();
}

void StripChart::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || mode_ != ScrollX)
        return;
    // Scroll mode: the view follows the mouse.
    const int x = event->position().toPoint().x();
    const QRect plot = plotArea(rect());
    if (plot.width() > 0 && x != dragX_) {
        scrollXAxis(-(x - dragX_) * (xMax_ - xMin_) / plot.width());
        dragX_ = x;
        dragged_ = true;
    }
}

void StripChart::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_)
        return;
    dragging_ = false;
    if (!dragged_ && rect().contains(event->position().toPoint()))
        emit clicked();
}

void StripChart::wheelEvent(QWheelEvent* event) {
    if (mode_ != ZoomX)
        return;
    zoomXAxis(event->angleDelta().y() > 0 ? 0.5 : 2.0);
}

} // namespace kestrum
