#pragma once

#include <QAbstractSlider>

#include <cmath>

namespace kestrum {

// A round knob turned by dragging, the wheel or the keys (arrows 0.1, page keys 1). Its position
// runs from 0 to a maximum in tenths; screen readers see it as a slider.
class Knob : public QAbstractSlider {
    Q_OBJECT

  public:
    explicit Knob(QWidget* parent = nullptr);

    double position() const { return value() / 10.0; }
    void setPosition(double position) { setValue(static_cast<int>(std::lround(position * 10.0))); }
    double maximumPosition() const { return maximum() / 10.0; }
    void setMaximumPosition(double maximum) { setMaximum(static_cast<int>(std::lround(maximum * 10.0))); }
    // The position as a fraction of the range, 0 to 1.
    double positionFraction() const;

    QSize sizeHint() const override { return {64, 64}; }

  signals:
    void positionChanged(double position);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    int dragY_ = 0;
    int dragValue_ = 0;
};

} // namespace kestrum
