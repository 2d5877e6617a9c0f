#include "widgets/CallOverview.h"

#include "widgets/CallOverviewAccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kestrum {

namespace {

constexpr int kFrame = 2; // the focus frame around the strip
const QColor kBackground(0, 0, 0);
const QColor kLoopBand(0, 200, 255, 40); // the loop's stretch, faintly
const QColor kFrameColour(120, 120, 120);
constexpr int kFlag = 5; // the height of a mark's flag, the loop's bar and the position's handles

bool isOverviewKey(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}

} // namespace

CallOverview::CallOverview(QWidget* parent) : QWidget(parent) {
    installCallOverviewAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Reached by Tab; a click seeks without taking the window's Left and Right for the overview's own.
    setFocusPolicy(Qt::TabFocus);
    setMinimumSize(200, 48);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName("Call overview");
}

void CallOverview::setSeries(const StripChartSeries* series) {
    series_ = series;
    seriesGrown();
}

void CallOverview::seriesGrown() {
    traceStale_ = true;
    update();
}

void CallOverview::setLength(double seconds) {
    if (seconds == length_)
        return;
    length_ = seconds;
    seriesGrown();
}

void CallOverview::setShadedSpans(std::vector<StripChart::Span> spans) {
    if (spans == shaded_)
        return;
    shaded_ = std::move(spans);
    update();
}

void CallOverview::setKeyPresses(std::vector<StripChart::Span> spans) {
    if (spans == keyPresses_)
        return;
    keyPresses_ = std::move(spans);
    update();
}

void CallOverview::setMarks(std::vector<double> seconds) {
    if (seconds == marks_)
        return;
    marks_ = std::move(seconds);
    update();
}

void CallOverview::setLoopMarks(std::optional<double> begin, std::optional<double> end) {
    if (begin == loopBegin_ && end == loopEnd_)
        return;
    loopBegin_ = begin;
    loopEnd_ = end;
    update();
}

void CallOverview::setPosition(double seconds) {
    if (seconds == position_)
        return;
    const int shownAt = xOf(position_);
    position_ = seconds;
    if (xOf(position_) != shownAt)
        update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent changed(this, position_);
        QAccessible::updateAccessibility(&changed);
    }
}

QRect CallOverview::strip() const {
    return rect().adjusted(kFrame, kFrame, -kFrame, -kFrame);
}

int CallOverview::xOf(double seconds) const {
    const QRect area = strip();
    if (length_ <= 0 || area.width() <= 1)
        return area.left();
    const double at = std::clamp(seconds / length_, 0.0, 1.0);
    return area.left() + static_cast<int>(std::lround(at * (area.width() - 1)));
}

double CallOverview::secondsAt(int x) const {
    const QRect area = strip();
    if (length_ <= 0 || area.width() <= 1)
        return 0.0;
    const double at = static_cast<double>(x - area.left()) / (area.width() - 1);
    return std::clamp(at, 0.0, 1.0) * length_;
}

QString CallOverview::positionText() const {
    const auto words = [this](double seconds) {
        return timeText ? timeText(seconds) : QString::number(seconds, 'f', 0);
    };
    return words(position_) + " of " + words(length_);
}

void CallOverview::requestPosition(double seconds) {
    emit positionRequested(std::clamp(seconds, 0.0, std::max(length_, 0.0)));
}

// --- drawing ------------------------------------------------------------------------------

void CallOverview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), hasFocus() ? palette().highlight().color() : kFrameColour);
    const QRect area = strip();
    painter.fillRect(area, kBackground);
    if (length_ <= 0)
        return;
    for (const StripChart::Span& shaded : shaded_)
        painter.fillRect(QRect(QPoint(xOf(shaded.from), area.top()), QPoint(xOf(shaded.to), area.bottom())),
                         kShadeColour);
    drawTrace(painter, area);
    drawMarks(painter, area);
}

// Each column the range of the points it covers, written into an image that is kept: the series is
// read again only when it has grown or the strip has changed size.
void CallOverview::drawTrace(QPainter& painter, const QRect& area) {
    if (series_ == nullptr || area.width() <= 1 || area.height() <= 0)
        return;
    if (traceStale_ || trace_.size() != area.size()) {
        if (trace_.size() != area.size())
            trace_ = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
        trace_.fill(Qt::transparent);
        const double perSecond = series_->pointsPerSecond();
        const auto count = static_cast<std::int64_t>(series_->pointCount());
        const double secondsPerColumn = length_ / (area.width() - 1);
        uchar* const rows = trace_.bits();
        const qsizetype rowBytes = trace_.bytesPerLine();
        const QRgb colour = kTraceColour.rgba();
        for (int column = 0; column < area.width() && perSecond > 0; ++column) {
            // The times drawn at this column: half a column either side of its own.
            const double from = std::max(0.0, (column - 0.5) * secondsPerColumn) * perSecond;
            const double to = (column + 0.5) * secondsPerColumn * perSecond;
            const auto first = static_cast<std::int64_t>(std::floor(from));
            const auto last = std::min<std::int64_t>(count, static_cast<std::int64_t>(std::ceil(to)));
            if (first >= last)
                break; // past what the series holds yet
            const StripChartSeries::Range range =
                series_->range(static_cast<std::size_t>(first), static_cast<std::size_t>(last));
            if (range.low > range.high)
                continue;
            const int top = (255 - range.high) * (area.height() - 1) / 255;
            const int bottom = (255 - range.low) * (area.height() - 1) / 255;
            for (int y = top; y <= bottom; ++y)
                reinterpret_cast<QRgb*>(rows + y * rowBytes)[column] = colour;
        }
        traceStale_ = false;
    }
    painter.drawImage(area.topLeft(), trace_);
}

// Keywords flagged along the top, the loop barred along the bottom, the play position with a
// handle at each end: each reads over the trace.
void CallOverview::drawMarks(QPainter& painter, const QRect& area) const {
    const auto line = [&](double seconds, const QColor& colour, int width) {
        const int x = xOf(seconds);
        painter.fillRect(QRect(x - (width - 1) / 2, area.top(), width, area.height()), colour);
        return x;
    };
    if (loopBegin_ && loopEnd_) {
        const QRect loop(QPoint(xOf(*loopBegin_), area.top()), QPoint(xOf(*loopEnd_), area.bottom()));
        painter.fillRect(loop, kLoopBand);
        painter.fillRect(loop.adjusted(0, loop.height() - kFlag, 0, 0), kLoopColour);
    }
    for (const StripChart::Span& press : keyPresses_) {
        const int left = xOf(press.from);
        const QRect band(QPoint(left, area.top()), QPoint(std::max(left + 1, xOf(press.to)), area.bottom()));
        QColor see(kKeyPressColour);
        see.setAlpha(90);
        painter.fillRect(band, see);
        painter.fillRect(band.adjusted(0, 0, 0, kFlag - band.height()), kKeyPressColour);
    }
    for (const double mark : marks_) {
        const int x = line(mark, kMarkColour, 1);
        painter.fillRect(QRect(x, area.top(), kFlag, kFlag), kMarkColour);
    }
    for (const std::optional<double>& loop : {loopBegin_, loopEnd_})
        if (loop)
            line(*loop, kLoopColour, 1);
    const int x = line(position_, kPositionColour, 2);
    painter.fillRect(QRect(x - 2, area.top(), 6, kFlag - 1), kPositionColour);
    painter.fillRect(QRect(x - 2, area.bottom() - kFlag + 2, 6, kFlag - 1), kPositionColour);
}

// --- the mouse and the keys ---------------------------------------------------------------

void CallOverview::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        requestPosition(secondsAt(event->position().toPoint().x()));
}

void CallOverview::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        requestPosition(secondsAt(event->position().toPoint().x()));
}

// The window's keys are shortcuts that work from every window; with the focus here, these are the
// overview's own.
bool CallOverview::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (isOverviewKey(key->key()) && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void CallOverview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left:
        requestPosition(position_ - kKeyStepSeconds);
        break;
    case Qt::Key_Right:
        requestPosition(position_ + kKeyStepSeconds);
        break;
    case Qt::Key_PageUp:
        requestPosition(position_ - length_ / 10);
        break;
    case Qt::Key_PageDown:
        requestPosition(position_ + length_ / 10);
        break;
    case Qt::Key_Home:
        requestPosition(0);
        break;
    case Qt::Key_End:
        requestPosition(length_);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void CallOverview::resizeEvent(QResizeEvent* event) {
    traceStale_ = true;
    QWidget::resizeEvent(event);
}

} // namespace kestrum
