#include "widgets/Knob.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace kestrum {

Knob::Knob(QWidget* parent) : QAbstractSlider(parent) {
    setRange(0, 1000);
    setSingleStep(1);
    setPageStep(10);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractSlider::valueChanged, this, [this] { emit positionChanged(position()); });
}

double Knob::positionFraction() const {
    const int range = maximum() - minimum();
    return range > 0 ? static_cast<double>(value() - minimum()) / range : 0.0;
}

void Knob::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const int side = std::min(width(), height()) - 6;
    const QRectF face((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    painter.setPen(QPen(palette().dark().color(), 2));
    painter.setBrush(isEnabled() ? palette().button() : palette().window());
    painter.drawEllipse(face);
    // The pointer sweeps 270 degrees, from bottom left (0) to bottom right (maximum).
    const double angle = (225.0 - 270.0 * positionFraction()) * std::numbers::pi / 180.0;
    const QPointF centre = face.center();
    const double radius = side / 2.0 - 4;
    painter.setPen(QPen(isEnabled() ? palette().highlight().color() : palette().mid().color(), 3));
    painter.drawLine(centre, centre + QPointF(radius * std::cos(angle), -radius * std::sin(angle)));
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(face.adjusted(-2, -2, 2, 2));
    }
}

void Knob::mousePressEvent(QMouseEvent* event) {
    dragY_ = event->position().toPoint().y();
    dragValue_ = value();
    setFocus();
}

void Knob::mouseMoveEvent(QMouseEvent* event) {
    // Dragging up turns the knob up: the whole range over 200 pixels.
    const int moved = dragY_ - event->position().toPoint().y();
    setValue(dragValue_ + moved * (maximum() - minimum()) / 200);
}

} // namespace kestrum
